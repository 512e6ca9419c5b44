#include "core/sorting/expand_dropped_path.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using ::testing::UnorderedElementsAre;
using testing::WriteFile;

// The entries under prefix stand together, as one folder's files do.
bool Contiguous(const PathList& list, const std::string& prefix) {
    auto inside = [&](const std::string& p) { return p.starts_with(prefix); };
    auto first = std::find_if(list.begin(), list.end(), inside);
    auto afterLast = std::find_if(list.rbegin(), list.rend(), inside).base();
    return std::all_of(first, afterLast, inside);
}

// Anything but a folder is its own entry; a folder gives every file beneath it, depth first.
TEST(ExpandDroppedPathTest, AFolderGivesEveryFileBeneathItDepthFirst) {
    TempFolder t;
    for (const char* name : {"a/1.mp3", "a/.hidden.mp3", "a/sub/2.mp3", "a/sub/deeper/3.mp3",
                             "a/sub/4.mp3", "a/z.mp3", "a/other/5.mp3"}) {
        WriteFile(t / name, "x");
    }
    fs::create_directories(t / "a/empty/emptier");
    mkfifo((t / "pipe").c_str(), 0644);
    for (const std::string& path : {t / "a/1.mp3", t / "missing.mp3", t / "pipe"})
        EXPECT_THAT(ExpandDroppedPath(path), ::testing::ElementsAre(path));
    PathList list = ExpandDroppedPath(t / "a/");
    EXPECT_THAT(list, UnorderedElementsAre(t / "a/1.mp3", t / "a/.hidden.mp3", t / "a/sub/2.mp3",
                                           t / "a/sub/deeper/3.mp3", t / "a/sub/4.mp3",
                                           t / "a/z.mp3", t / "a/other/5.mp3"));
    EXPECT_TRUE(Contiguous(list, t / "a/sub/"));
    EXPECT_TRUE(Contiguous(list, t / "a/sub/deeper/"));
    EXPECT_TRUE(ExpandDroppedPath(t / "a/empty").empty());
}

// Links to folders are followed; cycles end, and links meeting again on each level do not double.
TEST(ExpandDroppedPathTest, LinksToFoldersAreFollowedButCyclesEndAndNothingMultiplies) {
    TempFolder t;
    WriteFile(t / "lib/a/1.mp3", "x");
    WriteFile(t / "shared/2.mp3", "x");
    fs::create_directory_symlink(t / "lib", t / "lib/a/back-to-top");
    fs::create_directory_symlink(t / "shared", t / "lib/shared-link");
    fs::create_symlink(t / "shared/2.mp3", t / "lib/file-link.mp3");
    fs::create_symlink(t / "nowhere", t / "lib/dangling.mp3");
    EXPECT_THAT(ExpandDroppedPath(t / "lib"),
                UnorderedElementsAre(t / "lib/a/1.mp3", t / "lib/shared-link/2.mp3",
                                     t / "lib/file-link.mp3", t / "lib/dangling.mp3"));
    WriteFile(t / "d24/song.mp3", "x");
    for (int i = 23; i >= 0; --i) {
        std::string folder = t / ("d" + std::to_string(i));
        fs::create_directory(folder);
        for (const char* link : {"/x", "/y"})
            fs::create_directory_symlink(t / ("d" + std::to_string(i + 1)), folder + link);
    }
    EXPECT_EQ(ExpandDroppedPath(t / "d0").size(), 1u);
}

}  // namespace
}  // namespace tunvex
