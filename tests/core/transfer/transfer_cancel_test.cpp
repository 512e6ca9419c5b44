#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "core/transfer/transfer.h"
#include "tests/support/run_process.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

// A move is only cut inside a file when it has to copy.
const std::vector<TransferCase> kCases = TransferCases(false);

// a (small), b (large), c (small) into out/ with small chunks.
void AddThreeFiles(TransferScene& scene, const std::string& large) {
    scene.Add("a.mp3", "a", "out/a.mp3");
    scene.Add("b.mp3", large, "out/b.mp3");
    scene.Add("c.mp3", "c", "out/c.mp3");
    scene.request.chunkBytes = 64 << 10;
}

TEST(TransferCancelTest, CancelInsideAFileRemovesItsPartAndKeepsTheSource) {
    const std::string large = PatternedContent(1 << 20);
    for (const TransferCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TransferScene scene(c);
        AddThreeFiles(scene, large);
        // Reports come after the batch's copies, so bytes tell when b is under way.
        scene.delegate.cancelWhen = [](const RecordingDelegate& d) {
            return d.progress.back().bytesDone > 1 + (256 << 10);
        };
        TransferSummary summary = scene.Run();

        EXPECT_TRUE(summary.cancelled);
        EXPECT_EQ(summary.transferred, 1u);
        EXPECT_EQ(scene.delegate.Outcomes(),
                  (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Cancelled,
                                            FileOutcome::Cancelled}));
        EXPECT_LT(scene.delegate.progress.back().bytesDone, 1u + large.size());
        EXPECT_FALSE(Exists(scene.to / "out/b.mp3"));
        EXPECT_FALSE(Exists(scene.to / "out/c.mp3"));
        EXPECT_TRUE(ReadFile(scene.from / "b.mp3") == large);
        EXPECT_EQ(ReadFile(scene.from / "c.mp3"), "c");
        EXPECT_TRUE(Leftovers(scene.to.path()).empty());
    }
}

TEST(TransferCancelTest, CancelBetweenFilesTouchesNothingMore) {
    for (const TransferCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TransferScene scene(c);
        AddThreeFiles(scene, "b");
        // A placed file is reported once its batch's names are durable.
        scene.request.batchFiles = 1;
        scene.delegate.cancelWhen = [](const RecordingDelegate& d) {
            return d.reports.size() == 1;
        };
        TransferSummary summary = scene.Run();

        EXPECT_TRUE(summary.cancelled);
        EXPECT_EQ(scene.delegate.Outcomes(),
                  (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Cancelled,
                                            FileOutcome::Cancelled}));
        EXPECT_EQ(ReadFile(scene.to / "out/a.mp3"), "a");
        EXPECT_FALSE(Exists(scene.to / "out/b.mp3"));
        EXPECT_EQ(ReadFile(scene.from / "b.mp3"), "b");
        EXPECT_EQ(ReadFile(scene.from / "c.mp3"), "c");
    }
}

// Across bind mounts of one device a move is staged as a rename, which fails with EXDEV only at
// the claim and is copied then: a cancel that stopped the staging must not stop that copy.
TEST(TransferCancelTest, FilesStagedBeforeACancelArePlacedAcrossBindMounts) {
    if (std::string whyNot = EnterPrivateMountNamespace(); !whyNot.empty())
        GTEST_SKIP() << whyNot;
    TransferScene scene(TransferOperation::Move);
    std::filesystem::create_directory(scene.to / "real");
    std::filesystem::create_directory(scene.to / "bound");
    if (mount((scene.to / "real").c_str(), (scene.to / "bound").c_str(), nullptr, MS_BIND, nullptr))
        GTEST_SKIP() << "cannot bind mount: " << std::strerror(errno);
    AddThreeFiles(scene, "b");
    for (std::string& destination : scene.request.destinations)
        destination.replace(destination.find("/out/"), 5, "/bound/");
    int polls = 0;  // before a, before b, before c: c is under way when the cancel comes
    scene.delegate.cancelWhen = [&polls](const RecordingDelegate&) { return ++polls >= 3; };
    TransferSummary summary = scene.Run();
    umount2((scene.to / "bound").c_str(), MNT_DETACH);

    EXPECT_EQ(scene.delegate.Outcomes(),
              (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Transferred,
                                        FileOutcome::Cancelled}));
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(ReadFile(scene.to / "real/a.mp3"), "a");
    EXPECT_EQ(ReadFile(scene.to / "real/b.mp3"), "b");
    EXPECT_FALSE(Exists(scene.from / "a.mp3"));
    EXPECT_EQ(ReadFile(scene.from / "c.mp3"), "c");
}

// Stalls, to be killed, when the moment has come.
class StallingDelegate : public RecordingDelegate {
  public:
    enum class Moment { MidCopy, FirstReport };
    StallingDelegate(const std::function<void()>& stall, Moment moment)
        : stall_(stall), moment_(moment) {}
    void OnProgress(const TransferProgress& report) override {
        if (moment_ == Moment::MidCopy && report.bytesDone != 0 &&
            report.bytesDone != report.bytesTotal)
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
    for (const TransferCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TransferScene scene(c);
        const std::string large = PatternedContent(64 << 20);
        scene.Add("big.mp3", large, "out/big.mp3");
        scene.request.chunkBytes = 1 << 20;
        int status = KillOnceStalled(scene.request, StallingDelegate::Moment::MidCopy);

        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_FALSE(Exists(scene.to / "out/big.mp3"));
        EXPECT_TRUE(ReadFile(scene.from / "big.mp3") == large);
        for (const std::string& leftover : Leftovers(scene.to.path())) {
            EXPECT_NE(leftover.find(kTemporarySuffix), std::string::npos) << leftover;
        }
    }
}

TEST(TransferCancelTest, AKilledBatchLeavesEachFileWholeOrAbsentAndEverySourceOrItsCopy) {
    for (const TransferCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TransferScene scene(c);
        std::vector<std::string> contents;
        for (unsigned i = 0; i < 8; ++i) {
            std::string name = "f" + std::to_string(i) + ".mp3";
            contents.push_back(PatternedContent(256 << 10, i + 1));
            scene.Add(name, contents.back(), "out/" + name);
        }
        int status = KillOnceStalled(scene.request, StallingDelegate::Moment::FirstReport);

        EXPECT_TRUE(WIFSIGNALED(status));
        const std::vector<std::string>& sources = scene.request.sources;
        const std::vector<std::string>& destinations = scene.request.destinations;
        for (std::size_t i = 0; i < sources.size(); ++i) {
            bool copied = Exists(destinations[i]);
            if (copied) {
                EXPECT_TRUE(ReadFile(destinations[i]) == contents[i]) << destinations[i];
            }
            if (!copied || c.operation == TransferOperation::Copy) {
                EXPECT_TRUE(ReadFile(sources[i]) == contents[i]) << sources[i];
            }
        }
        for (const std::string& leftover : Leftovers(scene.to.path())) {
            EXPECT_NE(leftover.find(kTemporarySuffix), std::string::npos) << leftover;
        }
    }
}

void IgnoreAlarm(int) {}

// Signals without SA_RESTART, as the CLI's SIGINT handler, while files are copied.
class ScopedAlarmStorm {
  public:
    ScopedAlarmStorm() {
        struct sigaction action = {};
        action.sa_handler = IgnoreAlarm;
        sigaction(SIGALRM, &action, &old_);
        const struct itimerval every = {{0, 50}, {0, 50}};
        setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~ScopedAlarmStorm() {
        const struct itimerval off = {};
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &old_, nullptr);
    }

  private:
    struct sigaction old_ = {};
};

TEST(TransferCancelTest, InterruptedSystemCallsNeverCorruptACopy) {
    const std::string large = PatternedContent(16 << 20);
    for (const TransferCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TransferScene scene(c);
        scene.Add("big.mp3", large, "out/big.mp3");
        scene.request.chunkBytes = 64 << 10;
        TransferSummary summary;
        {
            ScopedAlarmStorm storm;
            summary = scene.Run();
        }
        EXPECT_EQ(summary.transferred, 1u);
        EXPECT_TRUE(ReadFile(scene.to / "out/big.mp3") == large);
        EXPECT_TRUE(Leftovers(scene.to.path()).empty());
    }
}

}  // namespace
}  // namespace tunvex
