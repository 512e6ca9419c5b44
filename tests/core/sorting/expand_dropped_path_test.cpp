#include "core/sorting/expand_dropped_path.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::TempFolder;
using ::testing::UnorderedElementsAre;
using testing::WriteFile;

// The entries under prefix stand together, as one folder's files do.
bool Contiguous(const PathList& list, const std::string& prefix) {
    auto inside = [&](const std::string& p) { return p.rfind(prefix, 0) == 0; };
    auto first = std::find_if(list.begin(), list.end(), inside);
    auto afterLast = std::find_if(list.rbegin(), list.rend(), inside).base();
    return std::all_of(first, afterLast, inside);
}

TEST(ExpandDroppedPathTest, AnythingButAFolderIsItsOwnEntry) {
    TempFolder t;
    WriteFile(t / "song.mp3", "x");
    mkfifo((t / "pipe").c_str(), 0644);
    for (const std::string& path : {t / "song.mp3", t / "missing.mp3", t / "pipe"}) {
        EXPECT_THAT(ExpandDroppedPath(path), ElementsAre(path));
    }
}

TEST(ExpandDroppedPathTest, AFolderGivesEveryFileBeneathItDepthFirst) {
    TempFolder t;
    for (const char* name : {"a/1.mp3", "a/.hidden.mp3", "a/sub/2.mp3", "a/sub/deeper/3.mp3",
                             "a/sub/4.mp3", "a/z.mp3", "a/other/5.mp3"}) {
        WriteFile(t / name, "x");
    }
    std::filesystem::create_directories(t / "a/empty/emptier");
    PathList list = ExpandDroppedPath(t / "a/");
    EXPECT_THAT(list, UnorderedElementsAre(t / "a/1.mp3", t / "a/.hidden.mp3", t / "a/sub/2.mp3",
                                           t / "a/sub/deeper/3.mp3", t / "a/sub/4.mp3",
                                           t / "a/z.mp3", t / "a/other/5.mp3"));
    EXPECT_TRUE(Contiguous(list, t / "a/sub/"));
    EXPECT_TRUE(Contiguous(list, t / "a/sub/deeper/"));
    EXPECT_THAT(ExpandDroppedPath(t / "a/empty"), IsEmpty());
}

TEST(ExpandDroppedPathTest, LinksToFoldersAreFollowedButCyclesEnd) {
    TempFolder t;
    WriteFile(t / "lib/a/1.mp3", "x");
    WriteFile(t / "shared/2.mp3", "x");
    std::filesystem::create_directory_symlink(t / "lib", t / "lib/a/back-to-top");
    std::filesystem::create_directory_symlink(t / "shared", t / "lib/shared-link");
    std::filesystem::create_symlink(t / "shared/2.mp3", t / "lib/file-link.mp3");
    std::filesystem::create_symlink(t / "nowhere", t / "lib/dangling.mp3");
    EXPECT_THAT(ExpandDroppedPath(t / "lib"),
                UnorderedElementsAre(t / "lib/a/1.mp3", t / "lib/shared-link/2.mp3",
                                     t / "lib/file-link.mp3", t / "lib/dangling.mp3"));
}

// Two links to the same folder on every level would double the entries per level.
TEST(ExpandDroppedPathTest, LinksThatMeetAgainDoNotMultiplyTheEntries) {
    TempFolder t;
    const int levels = 24;
    WriteFile(t / ("d" + std::to_string(levels) + "/song.mp3"), "x");
    for (int i = levels - 1; i >= 0; --i) {
        std::string folder = t / ("d" + std::to_string(i));
        std::filesystem::create_directory(folder);
        std::filesystem::create_directory_symlink(t / ("d" + std::to_string(i + 1)), folder + "/x");
        std::filesystem::create_directory_symlink(t / ("d" + std::to_string(i + 1)), folder + "/y");
    }
    EXPECT_EQ(ExpandDroppedPath(t / "d0").size(), 1u);
}

}  // namespace
}  // namespace tunvex
