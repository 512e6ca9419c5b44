#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/transfer.h"
#include "transfer_test_support.h"

namespace tunvex {
namespace {

using ::testing::HasSubstr;

struct VictimCase {
    const char* name;
    TransferOperation operation;
    std::size_t batchFiles;
};

// new.mp3 replaces sorted/old.mp3, which is itself the next source, bound for
// sorted/retagged.mp3: what then stands at its path is new.mp3, never to be sorted again.
TEST(TransferSourceIdentityTest, AFileAnEarlierOneReplacedIsNoSource) {
    const VictimCase cases[] = {
        {"move", TransferOperation::Move, kDefaultTransferBatchFiles},
        {"copy in one batch", TransferOperation::Copy, kDefaultTransferBatchFiles},
        {"copy in two batches", TransferOperation::Copy, 1},
    };
    for (const VictimCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ScopedDataHome dataHome(folder / "data");
        WriteFile(folder / "new.mp3", "new");
        WriteFile(folder / "sorted/old.mp3", "retagged");
        TransferRequest request = MakeRequest(
            c.operation, {folder / "new.mp3", folder / "sorted/old.mp3"},
            {folder / "sorted/old.mp3", folder / "sorted/retagged.mp3"}, kTransferAllowUndo);
        request.batchFiles = c.batchFiles;
        RecordingDelegate delegate;
        delegate.answers = {CollisionAnswer::ReplaceAll};
        RunTransfer(request, delegate);

        EXPECT_EQ(delegate.Outcomes(),
                  (std::vector<FileOutcome>{FileOutcome::Replaced, FileOutcome::Failed}));
        EXPECT_THAT(delegate.reports.back().reason, HasSubstr("replaced by an earlier file"));
        EXPECT_EQ(ReadFile(folder / "sorted/old.mp3"), "new");
        EXPECT_FALSE(Exists(folder / "sorted/retagged.mp3"));
        EXPECT_EQ(ReadFile(folder / "data/Trash/files/old.mp3"), "retagged");
        EXPECT_TRUE(Leftovers(folder.path()).empty());
    }
}

// Changed before its copy, or written to while it is copied (a copy of no version that ever was).
TEST(TransferSourceIdentityTest, ASourceChangedSinceTheRequestStartedIsLeftAlone) {
    const std::pair<TransferOperation, bool> cases[] = {{TransferOperation::Copy, false},
                                                        {TransferOperation::Move, false},
                                                        {TransferOperation::Copy, true}};
    for (auto [operation, whileCopied] : cases) {
        TempFolder folder;
        WriteFile(folder / "a.mp3", whileCopied ? std::string(65536, 'p') : "planned");
        TransferRequest request =
            MakeRequest(operation, {folder / "a.mp3"}, {folder / "out/a.mp3"});
        request.chunkBytes = 4096;
        RecordingDelegate delegate;
        delegate.cancelWhen = [&](const RecordingDelegate& self) {
            // The first poll comes after the request started, the fourth inside the copy.
            if (self.progress.size() == (whileCopied ? 4u : 1u)) {
                std::fstream file(folder / "a.mp3", std::ios::in | std::ios::out);
                file.seekp(whileCopied ? 60000 : 0);
                file << (whileCopied ? "edited" : "swapped in");
            }
            return false;
        };
        RunTransfer(request, delegate);
        EXPECT_EQ(delegate.Outcomes(), std::vector<FileOutcome>{FileOutcome::Failed});
        EXPECT_THAT(delegate.reports[0].reason, HasSubstr("no longer the file"));
        EXPECT_TRUE(Exists(folder / "a.mp3"));
        EXPECT_FALSE(Exists(folder / "out/a.mp3"));
    }
}

// Looked at when its destination was decided, then gone or rewritten: no folder is made for it
// and no question is asked about it.
TEST(TransferSourceIdentityTest, ASourceChangedSinceItWasLookedAtGetsNoFolderAndNoQuestion) {
    for (TransferOperation operation : {TransferOperation::Move, TransferOperation::Copy}) {
        for (bool removed : {true, false}) {
            for (bool destinationStands : {false, true}) {
                SCOPED_TRACE(std::string(operation == TransferOperation::Move ? "move " : "copy ") +
                             (removed ? "removed " : "rewritten ") +
                             (destinationStands ? "over a file" : "into a new folder"));
                TempFolder folder;
                std::string source = folder / "a.mp3";
                std::string destination =
                    destinationStands ? folder / "sorted/a.mp3" : folder / "new/a.mp3";
                WriteFile(source, "planned");
                WriteFile(folder / "sorted/a.mp3", "stands");
                TransferRequest request = MakeRequest(operation, {source}, {destination});
                request.sourceStates = {LookAtSource(source)};
                if (removed) {
                    unlink(source.c_str());
                } else {
                    WriteFile(source, "rewritten");
                }
                RecordingDelegate delegate;
                delegate.answers = {CollisionAnswer::Replace};
                RunTransfer(request, delegate);
                EXPECT_EQ(delegate.Outcomes(), std::vector<FileOutcome>{FileOutcome::Failed});
                EXPECT_THAT(delegate.reports[0].reason,
                            removed ? HasSubstr("No such file") : HasSubstr("no longer the file"));
                EXPECT_TRUE(delegate.asked.empty());
                EXPECT_FALSE(Exists(folder / "new"));
                EXPECT_EQ(ReadFile(folder / "sorted/a.mp3"), "stands");
            }
        }
    }
}

TEST(TransferSourceIdentityTest, AFileGivenAgainIsSortedOnce) {
    TempFolder local;
    TempFolder shm("/dev/shm");
    for (TransferOperation operation : {TransferOperation::Copy, TransferOperation::Move}) {
        for (const TempFolder* from : {&local, &shm}) {
            for (bool hardLink : {false, true}) {
                if (from->path().empty())
                    continue;
                SCOPED_TRACE(from->path() + (hardLink ? " hard link" : " twice"));
                std::string song = *from / "song.mp3";
                std::string again = hardLink ? *from / "link.mp3" : song;
                WriteFile(song, "song");
                if (hardLink) {
                    ASSERT_EQ(link(song.c_str(), again.c_str()), 0);
                }
                TempFolder to;
                RecordingDelegate delegate;
                RunTransfer(MakeRequest(operation, {song, again}, {to / "T.mp3", to / "T.mp3"},
                                        kTransferRenameOnCollision),
                            delegate);
                EXPECT_EQ(delegate.Outcomes(), (std::vector<FileOutcome>{FileOutcome::Transferred,
                                                                         FileOutcome::Repeated}));
                EXPECT_THAT(delegate.reports[1].reason, HasSubstr("earlier source"));
                EXPECT_EQ(ReadFile(to / "T.mp3"), "song");
                EXPECT_FALSE(Exists(to / "T (2).mp3"));
                EXPECT_EQ(Exists(song), operation == TransferOperation::Copy);
                unlink(again.c_str());
            }
        }
    }
}

}  // namespace
}  // namespace tunvex
