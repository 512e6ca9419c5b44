#include "core/base/paths.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tunvex {
namespace {

const std::string kSo = "\x83\x5C";

TEST(AppendPathPartTest, JoinRules) {
    // clang-format off
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"/music/", "Artist", "/music/Artist"}, {"/music", "///", "/music"},
        {"", "Title.mp3", "Title.mp3"}, {"/music", "a/b/", "/music/a/b/"},
        {"/music", "x/../y/./z", "/music/x/__/y/_/z"}, {"/music", "...", "/music/..."},
        {"/music", "a..b", "/music/a..b"},
    };
    // clang-format on
    for (const auto& [base, part, expected] : cases) {
        std::string path = base;
        EXPECT_TRUE(AppendPathPart(CodePage::Utf8, path, part));
        EXPECT_EQ(path, expected) << base << " + " << part;
    }
}

TEST(FindExtensionTest, OnlyADotInTheLastElementWithoutALaterSpace) {
    const std::pair<std::string, std::string> cases[] = {
        {"/in/.hidden", ".hidden"},      {"/in/x.", "."},
        {"/in/" + kSo + ".mp3", ".mp3"}, {"/in/d.\x81/song", ""},
        {"/in/caf\x81.mp3", ".mp3"},  // lead bytes with no trail
    };
    for (const auto& [path, expected] : cases) {
        std::size_t dot = FindExtension(CodePage::ShiftJis, path);
        EXPECT_EQ(dot == std::string::npos ? "" : path.substr(dot), expected) << path;
    }
}

TEST(RenameExtensionTest, ReplacesOrAppendsWithinTheLimit) {
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/tunvex/tunvex", "/opt/tunvex/tunvex.ini"},
        {"/opt/tunvex/tunvex.exe", "/opt/tunvex/tunvex.ini"},
    };
    for (const auto& [path, expected] : cases) {
        std::string renamed = path;
        EXPECT_TRUE(RenameExtension(CodePage::Utf8, renamed, ".ini"));
        EXPECT_EQ(renamed, expected);
    }
    std::string longPath(kMaxPath - 4, 'a');
    EXPECT_FALSE(RenameExtension(CodePage::Utf8, longPath, ".ini"));
    EXPECT_EQ(longPath.size(), kMaxPath - 4);
}

TEST(CanonicalizePathTest, RemovesDotElements) {
    const std::pair<std::string, std::string> cases[] = {
        {"/a/./b", "/a/b"}, {"/a/b/../c", "/a/c"}, {"/..", "/"},      {"/a/../..", "/"},
        {"/a/b/", "/a/b/"}, {"a/../../b", "../b"}, {"/a/b/..", "/a"}, {"/", "/"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(CanonicalizePath(CodePage::Utf8, path), expected) << path;
    }
}

}  // namespace
}  // namespace tunvex
