// Requests whose entries touch each other's files, or whose files change while they are moved:
// no file may be removed or replaced that the user did not hand over or agree to.
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/transfer/transfer.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

using ::testing::HasSubstr;
using Outcomes = std::vector<FileOutcome>;

// new.mp3 replaces sorted/old.mp3, which is itself the next source, bound for
// sorted/retagged.mp3: what then stands at its path is new.mp3, never to be sorted again.
TEST(TransferSourceIdentityTest, AFileAnEarlierOneReplacedIsNoSource) {
    const std::pair<TransferOperation, std::size_t> cases[] = {
        {TransferOperation::Move, kDefaultTransferBatchFiles},
        {TransferOperation::Copy, kDefaultTransferBatchFiles},
        {TransferOperation::Copy, 1}};
    for (auto [operation, batchFiles] : cases) {
        TransferScene scene(operation, kTransferAllowUndo);
        ScopedDataHome dataHome(scene.from / "data");
        scene.Add("new.mp3", "new", "sorted/old.mp3");
        WriteFile(scene.to / "sorted/old.mp3", "retagged");
        scene.request.sources.push_back(scene.to / "sorted/old.mp3");
        scene.request.destinations.push_back(scene.to / "sorted/retagged.mp3");
        scene.request.batchFiles = batchFiles;
        scene.delegate.answers = {CollisionAnswer::ReplaceAll};
        scene.Run();

        EXPECT_EQ(scene.delegate.Outcomes(),
                  (Outcomes{FileOutcome::Replaced, FileOutcome::Failed}));
        EXPECT_THAT(EnglishReason(scene.delegate.reports.back().reason),
                    HasSubstr("replaced by an earlier file"));
        EXPECT_EQ(ReadFile(scene.to / "sorted/old.mp3"), "new");
        EXPECT_FALSE(Exists(scene.to / "sorted/retagged.mp3"));
        EXPECT_EQ(ReadFile(scene.from / "data/Trash/files/old.mp3"), "retagged");
        EXPECT_TRUE(Leftovers(scene.to.path()).empty());
    }
}

// Written to while it is copied: a copy of no version that ever was.
TEST(TransferSourceIdentityTest, ASourceWrittenToWhileItIsCopiedIsLeftAlone) {
    TransferScene scene(TransferOperation::Copy);
    scene.Add("a.mp3", std::string(65536, 'p'), "out/a.mp3");
    scene.request.chunkBytes = 4096;
    scene.delegate.cancelWhen = [&](const RecordingDelegate& self) {
        if (self.progress.size() == 4)  // inside the copy
            WriteFile(scene.from / "a.mp3", "edited");
        return false;
    };
    scene.Run();
    EXPECT_EQ(scene.delegate.Outcomes(), Outcomes{FileOutcome::Failed});
    EXPECT_THAT(EnglishReason(scene.delegate.reports[0].reason), HasSubstr("no longer the file"));
    EXPECT_FALSE(Exists(scene.to / "out/a.mp3"));
}

// Looked at when its destination was decided, then gone, rewritten, swapped for a link to itself
// (a move would rename the link) or for a pipe: left alone, no folder made, no question asked.
// Into a new folder, over a file, or into a folder an earlier file went to (only the claim, or
// the copy of a move across file systems, looks at a move's source there).
TEST(TransferSourceIdentityTest, ASourceChangedSinceItWasLookedAtGetsNoFolderAndNoQuestion) {
    enum class Change { Removed, Rewritten, Linked, Pipe };
    for (const TransferCase& run : TransferCases()) {
        for (Change change : {Change::Removed, Change::Rewritten, Change::Linked, Change::Pipe}) {
            for (const char* into : {"new", "sorted", "known"}) {
                SCOPED_TRACE(run.name + ", change " + std::to_string(static_cast<int>(change)) +
                             ", into " + into);
                TransferScene scene(run);
                scene.Add("b.mp3", "earlier", "known/b.mp3");
                scene.Add("a.mp3", "planned", std::string(into) + "/a.mp3");
                const std::string& source = scene.request.sources[1];
                WriteFile(scene.to / "sorted/a.mp3", "stands");
                scene.request.sourceStates = {TakeSnapshot(scene.from / "b.mp3"),
                                              TakeSnapshot(source)};
                if (change == Change::Rewritten)
                    WriteFile(source, "rewritten");
                if (change == Change::Linked) {
                    usleep(20000);  // its change time moves with its links once the clock ticked
                    ASSERT_EQ(link(source.c_str(), (scene.from / "kept.mp3").c_str()), 0);
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
                EXPECT_EQ(delegate.Outcomes(),
                          (Outcomes{FileOutcome::Transferred, FileOutcome::Failed}));
                EXPECT_THAT(EnglishReason(delegate.reports.back().reason),
                            change == Change::Removed ? HasSubstr("No such file")
                                                      : HasSubstr("no longer the file"));
                EXPECT_TRUE(delegate.asked.empty());
                EXPECT_FALSE(Exists(scene.to / "new"));
                EXPECT_FALSE(Exists(scene.to / "known/a.mp3"));
                EXPECT_EQ(ReadFile(scene.to / "sorted/a.mp3"), "stands");
                EXPECT_EQ(Exists(source), change != Change::Removed);
                EXPECT_TRUE(Leftovers(scene.to.path()).empty());
            }
        }
    }
}

TEST(TransferSourceIdentityTest, AFileGivenAgainIsSortedOnce) {
    for (const TransferCase& c : TransferCases()) {
        for (bool hardLink : {false, true}) {
            SCOPED_TRACE(c.name + (hardLink ? ", hard link" : ", twice"));
            TempFolder from(c.sourceBase);
            TempFolder to;
            std::string song = from / "song.mp3";
            std::string again = hardLink ? from / "link.mp3" : song;
            WriteFile(song, "song");
            if (hardLink) {
                ASSERT_EQ(link(song.c_str(), again.c_str()), 0);
            }
            RecordingDelegate delegate;
            RunTransfer(MakeRequest(c.operation, {song, again}, {to / "T.mp3", to / "T.mp3"},
                                    kTransferRenameOnCollision),
                        delegate);
            EXPECT_EQ(delegate.Outcomes(),
                      (Outcomes{FileOutcome::Transferred, FileOutcome::Repeated}));
            EXPECT_THAT(EnglishReason(delegate.reports[1].reason), HasSubstr("earlier source"));
            EXPECT_EQ(ReadFile(to / "T.mp3"), "song");
            EXPECT_FALSE(Exists(to / "T (2).mp3"));
            EXPECT_EQ(Exists(song), c.operation == TransferOperation::Copy);
        }
    }
}

// a.mp3 goes to the disk through a copy; y.mp3 is then renamed to where a.mp3 was: a.mp3 is kept.
TEST(TransferSourceIdentityTest, ASourcePutInPlaceOfAMovedSourceIsNotRemovedWithIt) {
    if (OtherFileSystem().empty())
        GTEST_SKIP() << kNoOtherFileSystem;
    TempFolder shm(OtherFileSystem());
    TempFolder disk;
    ScopedDataHome dataHome(disk / "data");
    WriteFile(shm / "a.mp3", "first");
    WriteFile(shm / "y.mp3", "second");
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Replace};
    RunTransfer(MakeRequest(TransferOperation::Move, {shm / "a.mp3", shm / "y.mp3"},
                            {disk / "x.mp3", shm / "a.mp3"}, kTransferAllowUndo),
                delegate);
    EXPECT_EQ(ReadFile(disk / "x.mp3"), "first");
    EXPECT_EQ(ReadFile(shm / "a.mp3"), "second");
    EXPECT_EQ(ReadFile(disk / "data/Trash/files/a.mp3"), "first");
    EXPECT_EQ(delegate.Outcomes(), (Outcomes{FileOutcome::Failed, FileOutcome::Replaced}));
    EXPECT_EQ(delegate.reports[0].reason, FailureReason{FailureKind::SourceChangedWhileMoved});
}

// Both files were asked about the file that stood there; the second must be asked again about
// the first one, which stands there by the time it is placed.
TEST(TransferSourceIdentityTest, AReplaceAnswerHoldsOnlyForTheFileItWasAbout) {
    for (TransferOperation operation : {TransferOperation::Copy, TransferOperation::Move}) {
        TransferScene scene(operation, kTransferAllowUndo);
        ScopedDataHome dataHome(scene.from / "data");
        scene.Add("a.mp3", "a", "d.mp3");
        scene.Add("b.mp3", "b", "d.mp3");
        WriteFile(scene.to / "d.mp3", "old");
        scene.delegate.answers = {CollisionAnswer::Replace, CollisionAnswer::Replace,
                                  CollisionAnswer::Skip};
        scene.Run();
        EXPECT_EQ(scene.delegate.asked.size(), 3u);
        EXPECT_EQ(ReadFile(scene.to / "d.mp3"), "a");
        EXPECT_EQ(ReadFile(scene.from / "data/Trash/files/d.mp3"), "old");
        EXPECT_EQ(ReadFile(scene.from / "b.mp3"), "b");
        EXPECT_EQ(scene.delegate.Outcomes(),
                  (Outcomes{FileOutcome::Replaced, FileOutcome::Skipped}));
    }
}

}  // namespace
}  // namespace tunvex
