// Requests whose entries touch each other's files, or whose files change while they are moved:
// no file may be removed or replaced that the user did not hand over or agree to.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

const unsigned kUndo = kTransferAllowUndo;

TEST(TransferOverlapTest, ASourcePutInPlaceOfAMovedSourceIsNotRemovedWithIt) {
    TempFolder shm("/dev/shm");
    TempFolder disk;
    if (shm.path().empty() || DeviceOf(shm.path()) == DeviceOf(disk.path()))
        GTEST_SKIP() << "needs /dev/shm on another device than the temp folder";
    ScopedDataHome dataHome(disk / "data");
    WriteFile(shm / "a.mp3", "first");
    WriteFile(shm / "y.mp3", "second");
    // a.mp3 goes to the disk through a copy; y.mp3 is then renamed to where a.mp3 was.
    TransferRequest request = MakeRequest(TransferOperation::Move, {shm / "a.mp3", shm / "y.mp3"},
                                          {disk / "x.mp3", shm / "a.mp3"}, kUndo);
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Replace};
    RunTransfer(request, delegate);

    EXPECT_EQ(ReadFile(disk / "x.mp3"), "first");
    EXPECT_EQ(ReadFile(shm / "a.mp3"), "second");
    EXPECT_EQ(ReadFile(disk / "data/Trash/files/a.mp3"), "first");
    ASSERT_EQ(delegate.reports.size(), 2u);
    EXPECT_EQ(delegate.reports[0].outcome, FileOutcome::Failed);
    EXPECT_EQ(delegate.reports[1].outcome, FileOutcome::Replaced);
}

// Saves new tags the way editors do, into a new file put in place of the old one, while the
// second file of the request is copied.
class EditingDelegate : public RecordingDelegate {
  public:
    explicit EditingDelegate(std::string edited) : edited_(std::move(edited)) {}
    void OnProgress(const TransferProgress& report) override {
        if (done_ || report.bytesDone == 0)
            return;
        done_ = true;
        WriteFile(edited_ + ".new", "edited");
        std::rename((edited_ + ".new").c_str(), edited_.c_str());
    }

  private:
    std::string edited_;
    bool done_ = false;
};

TEST(TransferOverlapTest, ASourceEditedWhileItIsMovedIsKept) {
    TempFolder shm("/dev/shm");
    TempFolder disk;
    if (shm.path().empty() || DeviceOf(shm.path()) == DeviceOf(disk.path()))
        GTEST_SKIP() << "needs /dev/shm on another device than the temp folder";
    WriteFile(shm / "a.mp3", "original");
    WriteFile(shm / "b.mp3", PatternedContent(1 << 20));
    TransferRequest request = MakeRequest(TransferOperation::Move, {shm / "a.mp3", shm / "b.mp3"},
                                          {disk / "a.mp3", disk / "b.mp3"});
    request.chunkBytes = 1 << 16;
    EditingDelegate delegate(shm / "a.mp3");
    RunTransfer(request, delegate);

    EXPECT_EQ(ReadFile(shm / "a.mp3"), "edited");
    EXPECT_EQ(ReadFile(disk / "a.mp3"), "original");
    ASSERT_EQ(delegate.reports.size(), 2u);
    EXPECT_EQ(delegate.reports[0].outcome, FileOutcome::Failed);
    EXPECT_EQ(delegate.reports[1].outcome, FileOutcome::Transferred);
}

// Both files were asked about the file that stood there; the second must be asked again about
// the first one, which stands there by the time it is placed.
TEST(TransferOverlapTest, AReplaceAnswerHoldsOnlyForTheFileItWasAbout) {
    for (TransferOperation operation : {TransferOperation::Copy, TransferOperation::Move}) {
        TempFolder folder;
        ScopedDataHome dataHome(folder / "data");
        WriteFile(folder / "in/a.mp3", "a");
        WriteFile(folder / "in/b.mp3", "b");
        WriteFile(folder / "out/d.mp3", "old");
        TransferRequest request = MakeRequest(operation, {folder / "in/a.mp3", folder / "in/b.mp3"},
                                              {folder / "out/d.mp3", folder / "out/d.mp3"}, kUndo);
        RecordingDelegate delegate;
        delegate.answers = {CollisionAnswer::Replace, CollisionAnswer::Replace,
                            CollisionAnswer::Skip};
        RunTransfer(request, delegate);

        EXPECT_EQ(delegate.asked.size(), 3u);
        EXPECT_EQ(ReadFile(folder / "out/d.mp3"), "a");
        EXPECT_EQ(ReadFile(folder / "data/Trash/files/d.mp3"), "old");
        EXPECT_EQ(ReadFile(folder / "in/b.mp3"), "b");
        EXPECT_EQ(delegate.Outcomes(),
                  (std::vector<FileOutcome>{FileOutcome::Replaced, FileOutcome::Skipped}));
    }
}

}  // namespace
}  // namespace tunvex
