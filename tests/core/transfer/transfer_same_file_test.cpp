#include <unistd.h>

#include <gtest/gtest.h>

#include "core/transfer/transfer.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

struct SameFileCase {
    const char* name;
    std::string destination;  // relative to the temp folder; the source is real/a.mp3
};

// real/a.mp3 with a hard link beside it, a link to its folder and a link to the file.
void MakeAliases(const TempFolder& folder) {
    WriteFile(folder / "real/a.mp3", "content");
    link((folder / "real/a.mp3").c_str(), (folder / "real/hard.mp3").c_str());
    symlink((folder / "real").c_str(), (folder / "linked").c_str());
    symlink((folder / "real/a.mp3").c_str(), (folder / "real/soft.mp3").c_str());
}

TEST(TransferSameFileTest, ASourceThatIsItsOwnDestinationIsLeftAlone) {
    const SameFileCase cases[] = {
        {"same path", "real/a.mp3"},
        {"hard link", "real/hard.mp3"},
        {"symlinked folder", "linked/a.mp3"},
        {"symlink to the source", "real/soft.mp3"},
    };
    const unsigned modes[] = {kTransferAllowUndo, kTransferRenameOnCollision, 0};
    for (TransferOperation operation : {TransferOperation::Copy, TransferOperation::Move}) {
        for (unsigned flags : modes) {
            for (const SameFileCase& c : cases) {
                SCOPED_TRACE(c.name);
                TempFolder folder;
                MakeAliases(folder);
                ScopedDataHome dataHome(folder / "data");
                RecordingDelegate delegate;
                delegate.answers = {CollisionAnswer::ReplaceAll};
                TransferSummary summary =
                    RunTransfer(MakeRequest(operation, {folder / "real/a.mp3"},
                                            {folder / c.destination}, flags),
                                delegate);

                EXPECT_EQ(summary.sameFile, 1u);
                EXPECT_EQ(delegate.Outcomes(), std::vector<FileOutcome>{FileOutcome::SameFile});
                EXPECT_TRUE(delegate.asked.empty());
                EXPECT_EQ(ReadFile(folder / "real/a.mp3"), "content");
                EXPECT_EQ(ReadFile(folder / c.destination), "content");
                EXPECT_FALSE(Exists(folder / "data"));
                EXPECT_FALSE(Exists(folder / "real/a (2).mp3"));
                EXPECT_TRUE(Leftovers(folder.path()).empty());
            }
        }
    }
}

}  // namespace
}  // namespace tunvex
