#include "core/files/rename.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

struct RenameCase {
    const char* name;
    int (*rename)(const std::string&, const std::string&);
};

const RenameCase kNoReplaceRenames[] = {
    {"renameat2", RenameNoReplace},
    {"link and unlink", MoveByLink},
};

TEST(RenameNoReplaceTest, AnExistingFileIsNeverClobbered) {
    for (const RenameCase& c : kNoReplaceRenames) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        WriteFile(folder / "from", "new");
        WriteFile(folder / "to", "old");
        EXPECT_EQ(c.rename(folder / "from", folder / "to"), EEXIST);
        EXPECT_EQ(ReadFile(folder / "from"), "new");
        EXPECT_EQ(ReadFile(folder / "to"), "old");
    }
}

TEST(RenameNoReplaceTest, AFreeNameIsTakenAndTheOldNameIsGone) {
    for (const RenameCase& c : kNoReplaceRenames) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        WriteFile(folder / "from", "new");
        EXPECT_EQ(c.rename(folder / "from", folder / "to"), 0);
        EXPECT_FALSE(Exists(folder / "from"));
        EXPECT_EQ(ReadFile(folder / "to"), "new");
    }
}

TEST(RenameNoReplaceTest, AcrossFileSystemsNothingMoves) {
    TempFolder from("/dev/shm");
    TempFolder to;
    if (from.path().empty() || DeviceOf(from.path()) == DeviceOf(to.path())) {
        GTEST_SKIP() << "needs /dev/shm on another device than the temp folder";
    }
    WriteFile(from / "a", "a");
    EXPECT_EQ(RenameNoReplace(from / "a", to / "a"), EXDEV);
    EXPECT_EQ(ReadFile(from / "a"), "a");
    EXPECT_FALSE(Exists(to / "a"));
}

}  // namespace
}  // namespace tunvex
