#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "core/transfer/transfer.h"
#include "tests/core/transfer/transfer_test_support.h"
#include "tests/support/run_process.h"

namespace tunvex {
namespace {

struct CancelCase {
    const char* name;
    TransferOperation operation;
    std::string sourceBase;
};

// A move is only cut inside a file when it has to copy: from /dev/shm, where that is another
// file system than the temp folder.
std::vector<CancelCase> CancelCases() {
    std::vector<CancelCase> cases = {{"copy", TransferOperation::Copy, TempFolder::DefaultBase()}};
    if (!OtherFileSystem().empty())
        cases.push_back({"move through a copy", TransferOperation::Move, OtherFileSystem()});
    return cases;
}

// a (small), b (large), c (small) into out/ with small chunks.
TransferRequest ThreeFiles(const CancelCase& c, const TempFolder& from, const TempFolder& to,
                           const std::string& large) {
    WriteFile(from / "a.mp3", "a");
    WriteFile(from / "b.mp3", large);
    WriteFile(from / "c.mp3", "c");
    TransferRequest request =
        MakeRequest(c.operation, {from / "a.mp3", from / "b.mp3", from / "c.mp3"},
                    {to / "out/a.mp3", to / "out/b.mp3", to / "out/c.mp3"});
    request.chunkBytes = 64 << 10;
    return request;
}

TEST(TransferCancelTest, CancelInsideAFileRemovesItsPartAndKeepsTheSource) {
    const std::string large = PatternedContent(1 << 20);
    for (const CancelCase& c : CancelCases()) {
        SCOPED_TRACE(c.name);
        TempFolder from(c.sourceBase);
        TempFolder to;
        TransferRequest request = ThreeFiles(c, from, to, large);
        RecordingDelegate delegate;
        // Reports come after the batch's copies, so bytes tell when b is under way.
        delegate.cancelWhen = [](const RecordingDelegate& d) {
            return d.progress.back().bytesDone > 1 + (256 << 10);
        };
        TransferSummary summary = RunTransfer(request, delegate);

        EXPECT_TRUE(summary.cancelled);
        EXPECT_EQ(summary.transferred, 1u);
        EXPECT_EQ(delegate.Outcomes(),
                  (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Cancelled,
                                            FileOutcome::Cancelled}));
        EXPECT_LT(delegate.progress.back().bytesDone, 1u + large.size());
        EXPECT_FALSE(Exists(to / "out/b.mp3"));
        EXPECT_FALSE(Exists(to / "out/c.mp3"));
        EXPECT_TRUE(ReadFile(from / "b.mp3") == large);
        EXPECT_EQ(ReadFile(from / "c.mp3"), "c");
        EXPECT_TRUE(Leftovers(to.path()).empty());
    }
}

TEST(TransferCancelTest, CancelBetweenFilesTouchesNothingMore) {
    for (const CancelCase& c : CancelCases()) {
        SCOPED_TRACE(c.name);
        TempFolder from(c.sourceBase);
        TempFolder to;
        TransferRequest request = ThreeFiles(c, from, to, "b");
        // A placed file is reported once its batch's names are durable.
        request.batchFiles = 1;
        RecordingDelegate delegate;
        delegate.cancelWhen = [](const RecordingDelegate& d) { return d.reports.size() == 1; };
        TransferSummary summary = RunTransfer(request, delegate);

        EXPECT_TRUE(summary.cancelled);
        EXPECT_EQ(delegate.Outcomes(),
                  (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Cancelled,
                                            FileOutcome::Cancelled}));
        EXPECT_EQ(ReadFile(to / "out/a.mp3"), "a");
        EXPECT_FALSE(Exists(to / "out/b.mp3"));
        EXPECT_EQ(ReadFile(from / "b.mp3"), "b");
        EXPECT_EQ(ReadFile(from / "c.mp3"), "c");
    }
}

// Across bind mounts of one device a move is staged as a rename, which fails with EXDEV only at
// the claim and is copied then: a cancel that stopped the staging must not stop that copy.
TEST(TransferCancelTest, FilesStagedBeforeACancelArePlacedAcrossBindMounts) {
    if (std::string whyNot = EnterPrivateMountNamespace(); !whyNot.empty())
        GTEST_SKIP() << whyNot;
    TempFolder folder;
    std::filesystem::create_directory(folder / "real");
    std::filesystem::create_directory(folder / "bound");
    if (mount((folder / "real").c_str(), (folder / "bound").c_str(), nullptr, MS_BIND, nullptr))
        GTEST_SKIP() << "cannot bind mount: " << std::strerror(errno);
    TransferRequest request =
        ThreeFiles({"move across bind mounts", TransferOperation::Move, ""}, folder, folder, "b");
    for (std::string& destination : request.destinations)
        destination.replace(destination.find("/out/"), 5, "/bound/");
    RecordingDelegate delegate;
    int polls = 0;  // before a, before b, before c: c is under way when the cancel comes
    delegate.cancelWhen = [&polls](const RecordingDelegate&) { return ++polls >= 3; };
    TransferSummary summary = RunTransfer(request, delegate);
    umount2((folder / "bound").c_str(), MNT_DETACH);

    EXPECT_EQ(delegate.Outcomes(),
              (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Transferred,
                                        FileOutcome::Cancelled}));
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(ReadFile(folder / "real/a.mp3"), "a");
    EXPECT_EQ(ReadFile(folder / "real/b.mp3"), "b");
    EXPECT_FALSE(Exists(folder / "a.mp3"));
    EXPECT_EQ(ReadFile(folder / "c.mp3"), "c");
}

// Stalls, to be killed, when the moment has come.
class StallingDelegate : public RecordingDelegate {
  public:
    enum class Moment { MidCopy, FirstReport };
    StallingDelegate(const std::function<void()>& stall, Moment moment)
        : stall_(stall), moment_(moment) {}
    void OnProgress(const TransferProgress& progress) override {
        if (moment_ == Moment::MidCopy && progress.bytesDone != 0 &&
            progress.bytesDone != progress.bytesTotal)
            stall_();
    }
    void OnFileDone(const FileReport&) override {
        if (moment_ == Moment::FirstReport)
            stall_();
    }

  private:
    const std::function<void()>& stall_;
    Moment moment_;
};

// Runs request in a child killed as soon as its delegate stalls; its wait status.
int KillOnceStalled(const TransferRequest& request, StallingDelegate::Moment moment) {
    return testing::KillWhenStalled([&](const std::function<void()>& stall) {
        StallingDelegate delegate(stall, moment);
        RunTransfer(request, delegate);
    });
}

TEST(TransferCancelTest, AKilledCopyNeverLeavesAPartialFileUnderTheDestinationName) {
    for (const CancelCase& c : CancelCases()) {
        SCOPED_TRACE(c.name);
        TempFolder from(c.sourceBase);
        TempFolder to;
        const std::string large = PatternedContent(64 << 20);
        WriteFile(from / "big.mp3", large);
        TransferRequest request =
            MakeRequest(c.operation, {from / "big.mp3"}, {to / "out/big.mp3"});
        request.chunkBytes = 1 << 20;
        int status = KillOnceStalled(request, StallingDelegate::Moment::MidCopy);

        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_FALSE(Exists(to / "out/big.mp3"));
        EXPECT_TRUE(ReadFile(from / "big.mp3") == large);
        for (const std::string& leftover : Leftovers(to.path())) {
            EXPECT_NE(leftover.find(kTemporarySuffix), std::string::npos) << leftover;
        }
    }
}

TEST(TransferCancelTest, AKilledBatchLeavesEachFileWholeOrAbsentAndEverySourceOrItsCopy) {
    for (const CancelCase& c : CancelCases()) {
        SCOPED_TRACE(c.name);
        TempFolder from(c.sourceBase);
        TempFolder to;
        std::vector<std::string> contents, sources, destinations;
        for (unsigned i = 0; i < 8; ++i) {
            std::string name = "f" + std::to_string(i) + ".mp3";
            contents.push_back(PatternedContent(256 << 10, i + 1));
            WriteFile(from / name, contents.back());
            sources.push_back(from / name);
            destinations.push_back(to / ("out/" + name));
        }
        TransferRequest request = MakeRequest(c.operation, sources, destinations);
        int status = KillOnceStalled(request, StallingDelegate::Moment::FirstReport);

        EXPECT_TRUE(WIFSIGNALED(status));
        for (std::size_t i = 0; i < sources.size(); ++i) {
            bool copied = Exists(destinations[i]);
            if (copied) {
                EXPECT_TRUE(ReadFile(destinations[i]) == contents[i]) << destinations[i];
            }
            if (!copied || c.operation == TransferOperation::Copy) {
                EXPECT_TRUE(ReadFile(sources[i]) == contents[i]) << sources[i];
            }
        }
        for (const std::string& leftover : Leftovers(to.path())) {
            EXPECT_NE(leftover.find(kTemporarySuffix), std::string::npos) << leftover;
        }
    }
}

void IgnoreAlarm(int) {}

// Signals without SA_RESTART, as the CLI's SIGINT handler, while files are copied.
class ScopedAlarmStorm {
  public:
    ScopedAlarmStorm() {
        struct sigaction action {};
        action.sa_handler = IgnoreAlarm;
        sigaction(SIGALRM, &action, &old_);
        const struct itimerval every {
            {0, 50}, { 0, 50 }
        };
        setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~ScopedAlarmStorm() {
        const struct itimerval off {};
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &old_, nullptr);
    }

  private:
    struct sigaction old_ {};
};

TEST(TransferCancelTest, InterruptedSystemCallsNeverCorruptACopy) {
    const std::string large = PatternedContent(16 << 20);
    for (const CancelCase& c : CancelCases()) {
        SCOPED_TRACE(c.name);
        TempFolder from(c.sourceBase);
        TempFolder to;
        WriteFile(from / "big.mp3", large);
        TransferRequest request =
            MakeRequest(c.operation, {from / "big.mp3"}, {to / "out/big.mp3"});
        request.chunkBytes = 64 << 10;
        RecordingDelegate delegate;
        TransferSummary summary;
        {
            ScopedAlarmStorm storm;
            summary = RunTransfer(request, delegate);
        }
        EXPECT_EQ(summary.transferred, 1u);
        EXPECT_TRUE(ReadFile(to / "out/big.mp3") == large);
        EXPECT_TRUE(Leftovers(to.path()).empty());
    }
}

}  // namespace
}  // namespace tunvex
