#include <sys/stat.h>

#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/transfer/transfer.h"
#include "tests/support/transfer_scene.h"

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
        TransferScene scene(c.operation, kTransferAllowUndo);
        ScopedDataHome dataHome(scene.from / "data");
        scene.Add("new.mp3", "new", "sorted/old.mp3");
        WriteFile(scene.to / "sorted/old.mp3", "retagged");
        scene.request.sources.push_back(scene.to / "sorted/old.mp3");
        scene.request.destinations.push_back(scene.to / "sorted/retagged.mp3");
        scene.request.batchFiles = c.batchFiles;
        scene.delegate.answers = {CollisionAnswer::ReplaceAll};
        scene.Run();

        EXPECT_EQ(scene.delegate.Outcomes(),
                  (std::vector<FileOutcome>{FileOutcome::Replaced, FileOutcome::Failed}));
        EXPECT_THAT(EnglishReason(scene.delegate.reports.back().reason),
                    HasSubstr("replaced by an earlier file"));
        EXPECT_EQ(ReadFile(scene.to / "sorted/old.mp3"), "new");
        EXPECT_FALSE(Exists(scene.to / "sorted/retagged.mp3"));
        EXPECT_EQ(ReadFile(scene.from / "data/Trash/files/old.mp3"), "retagged");
        EXPECT_TRUE(Leftovers(scene.to.path()).empty());
    }
}

// Changed before its copy, or written to while it is copied (a copy of no version that ever was).
TEST(TransferSourceIdentityTest, ASourceChangedSinceTheRequestStartedIsLeftAlone) {
    const std::pair<TransferOperation, bool> cases[] = {{TransferOperation::Copy, false},
                                                        {TransferOperation::Move, false},
                                                        {TransferOperation::Copy, true}};
    for (auto [operation, whileCopied] : cases) {
        TransferScene scene(operation);
        scene.Add("a.mp3", whileCopied ? std::string(65536, 'p') : "planned", "out/a.mp3");
        scene.request.chunkBytes = 4096;
        scene.delegate.cancelWhen = [&](const RecordingDelegate& self) {
            // The first poll comes after the request started, the fourth inside the copy.
            if (self.progress.size() == (whileCopied ? 4u : 1u)) {
                std::fstream file(scene.from / "a.mp3", std::ios::in | std::ios::out);
                file.seekp(whileCopied ? 60000 : 0);
                file << (whileCopied ? "edited" : "swapped in");
            }
            return false;
        };
        scene.Run();
        EXPECT_EQ(scene.delegate.Outcomes(), std::vector<FileOutcome>{FileOutcome::Failed});
        EXPECT_THAT(EnglishReason(scene.delegate.reports[0].reason),
                    HasSubstr("no longer the file"));
        EXPECT_TRUE(Exists(scene.from / "a.mp3"));
        EXPECT_FALSE(Exists(scene.to / "out/a.mp3"));
    }
}

// Looked at when its destination was decided, then gone, rewritten, swapped for a link to itself
// (a move would rename the link) or for a pipe: left alone, with no folder made and no question
// asked for it. Into a new folder, over a file, or into a folder an earlier file of the request
// went to (only the claim, or the copy of a move across file systems, looks at a move's source
// there).
TEST(TransferSourceIdentityTest, ASourceChangedSinceItWasLookedAtGetsNoFolderAndNoQuestion) {
    enum class Change { Removed, Rewritten, Linked, Pipe };
    for (const TransferCase& run : TransferCases()) {
        for (Change change : {Change::Removed, Change::Rewritten, Change::Linked, Change::Pipe}) {
            for (const char* into : {"new", "sorted", "known"}) {
                SCOPED_TRACE(run.name + ", change " + std::to_string(static_cast<int>(change)) +
                             ", into " + into);
                TransferScene scene(run);
                const TempFolder& from = scene.from;
                const TempFolder& to = scene.to;
                scene.Add("b.mp3", "earlier", "known/b.mp3");
                scene.Add("a.mp3", "planned", std::string(into) + "/a.mp3");
                const std::string& source = scene.request.sources[1];
                WriteFile(to / "sorted/a.mp3", "stands");
                scene.request.sourceStates = {TakeSnapshot(from / "b.mp3"), TakeSnapshot(source)};
                if (change == Change::Rewritten) {
                    WriteFile(source, "rewritten");
                } else if (change == Change::Linked) {
                    // Its change time moves with its links, once the clock has ticked.
                    usleep(20000);
                    ASSERT_EQ(link(source.c_str(), (from / "kept.mp3").c_str()), 0);
                }
                if (change != Change::Rewritten)
                    unlink(source.c_str());
                if (change == Change::Linked) {
                    ASSERT_EQ(symlink("kept.mp3", source.c_str()), 0);
                } else if (change == Change::Pipe) {
                    ASSERT_EQ(mkfifo(source.c_str(), 0644), 0);
                }
                scene.delegate.answers = {CollisionAnswer::Replace};
                scene.Run();
                const RecordingDelegate& delegate = scene.delegate;
                ASSERT_EQ(delegate.reports.size(), 2u);
                EXPECT_EQ(delegate.reports[0].outcome, FileOutcome::Transferred);
                EXPECT_EQ(delegate.reports[1].outcome, FileOutcome::Failed);
                EXPECT_THAT(EnglishReason(delegate.reports[1].reason),
                            change == Change::Removed ? HasSubstr("No such file")
                                                      : HasSubstr("no longer the file"));
                EXPECT_TRUE(delegate.asked.empty());
                EXPECT_FALSE(Exists(to / "new"));
                EXPECT_FALSE(Exists(to / "known/a.mp3"));
                EXPECT_EQ(ReadFile(to / "sorted/a.mp3"), "stands");
                EXPECT_EQ(Exists(source), change != Change::Removed);
                EXPECT_TRUE(Leftovers(to.path()).empty());
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
                EXPECT_THAT(EnglishReason(delegate.reports[1].reason), HasSubstr("earlier source"));
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
