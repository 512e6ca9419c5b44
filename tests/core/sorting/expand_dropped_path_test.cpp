#include "core/sorting/expand_dropped_path.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using ::testing::UnorderedElementsAre;
using testing::WriteFile;

// Anything but a folder is its own entry; a folder gives every file beneath it.
TEST(ExpandDroppedPathTest, AFolderGivesEveryFileBeneathIt) {
    TempFolder t;
    WriteFile(t / "a/.hidden.mp3", "x");
    mkfifo((t / "pipe").c_str(), 0644);
    for (const std::string& path : {t / "missing.mp3", t / "pipe"})
        EXPECT_THAT(ExpandDroppedPath(path), ::testing::ElementsAre(path));
    EXPECT_THAT(ExpandDroppedPath(t / "a/"), ::testing::ElementsAre(t / "a/.hidden.mp3"));
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
