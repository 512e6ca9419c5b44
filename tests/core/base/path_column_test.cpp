#include "core/base/path_column.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tunvex {
namespace {

// One column holds every row, so that a folder met again later, a name past a block and a path
// beside its neighbours are all read back from the same store.
TEST(PathColumnTest, EveryPathComesBackAsItWasGiven) {
    const std::string longName(70000, 'n');
    const std::string longFolder = "/" + std::string(70000, 'f') + "/";
    const std::string fullBlock(65534, 'b');  // the longest name a block takes
    // clang-format off
    const std::vector<std::tuple<std::string, std::string, std::string>> rows = {
        {"/in/a/1.mp3", "/in/a/", "1.mp3"},
        {"/in/a/2.mp3", "/in/a/", "2.mp3"},
        {"/in/b/1.mp3", "/in/b/", "1.mp3"},
        {"/in/a/3.mp3", "/in/a/", "3.mp3"},  // a folder met again after another
        {"/in/a", "/in/", "a"},
        {"/in/a/", "/in/a/", ""},
        {"/x.mp3", "/", "x.mp3"},
        {"bare.mp3", "", "bare.mp3"},
        {"", "", ""},
        {"rel/\xe6\x9b\xb2.mp3", "rel/", "\xe6\x9b\xb2.mp3"},
        {std::string("/in/n\0l/x", 9), std::string("/in/n\0l/", 8), "x"},
        {"/in/a/" + longName, "/in/a/", longName},
        {"/in/a/" + fullBlock, "/in/a/", fullBlock},
        {"/in/a/" + fullBlock.substr(1), "/in/a/", fullBlock.substr(1)},
        {longFolder + "x.mp3", longFolder, "x.mp3"},
        {"/in/b/after.mp3", "/in/b/", "after.mp3"},
    };
    // clang-format on
    PathColumn column;
    for (const auto& [path, folder, name] : rows)
        column.push_back(path);
    ASSERT_EQ(column.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [path, folder, name] = rows[i];
        EXPECT_EQ(column[i], path) << i;
        EXPECT_EQ(column.folder(i), folder) << i;
        EXPECT_EQ(column.name(i), name) << i;
    }
    PathColumn copy = column;
    column.keep_if([](std::size_t index) { return index % 2 == 1; });
    ASSERT_EQ(column.size(), rows.size() / 2);
    for (std::size_t i = 0; i < column.size(); ++i)
        EXPECT_EQ(column[i], std::get<0>(rows[2 * i + 1])) << i;
    EXPECT_EQ(std::vector<std::string>(copy.begin(), copy.end()).back(), "/in/b/after.mp3");
    copy.push_back("/in/b/new.mp3");
    EXPECT_EQ(copy.folder(rows.size()), "/in/b/");
}

// Folders come back in any order, past every growth of the index that finds them.
TEST(PathColumnTest, ManyFoldersMetInTurn) {
    auto path = [](std::size_t i) {
        return "/in/" + std::to_string(i % 700) + "/" + std::to_string(i) + ".mp3";
    };
    PathColumn column;
    for (std::size_t i = 0; i < 3000; ++i)
        column.push_back(path(i));
    for (std::size_t i = 0; i < 3000; ++i)
        ASSERT_EQ(column[i], path(i));
}

}  // namespace
}  // namespace tunvex
