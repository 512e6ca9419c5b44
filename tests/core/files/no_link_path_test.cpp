#include "core/files/no_link_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "tests/support/scoped_descriptors.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

// Out of descriptors, the folders kept give theirs up to the one asked for.
TEST(FolderPinsTest, OutOfDescriptorsTheKeptFoldersMakeRoom) {
    testing::TempFolder base;
    testing::ScopedDescriptors few(0, 16);
    FolderPins pins;
    PinnedEntry entry;
    for (int i = 0; i < 4; ++i) {
        std::string folder = base / std::to_string(i);
        std::filesystem::create_directory(folder);
        ASSERT_EQ(pins.Pin(folder + "/song.mp3", entry), 0);
    }
    std::vector<OwnedFd> theRest;
    while (theRest.emplace_back(open("/", O_PATH | O_CLOEXEC)).get() >= 0) {
    }
    EXPECT_EQ(pins.Pin(base / "song.mp3", entry), 0);
}

}  // namespace
}  // namespace tunvex
