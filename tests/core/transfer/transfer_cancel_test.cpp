#include <signal.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <sys/xattr.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "core/base/paths.h"
#include "core/files/attribute_loss.h"
#include "core/transfer/transfer.h"
#include "tests/support/run_process.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

// A move is only cut inside a file when it has to copy.
const std::vector<TransferCase> kCases = TransferCases(false);

// a (small), b, c (small) into out/ with small chunks.
void AddThreeFiles(TransferScene& scene, const std::string& b) {
    scene.Add("a.mp3", "a", "out/a.mp3");
    scene.Add("b.mp3", b, "out/b.mp3");
    scene.Add("c.mp3", "c", "out/c.mp3");
    scene.request.chunkBytes = 64 << 10;
}

// Inside b (reports come after the batch's copies, so bytes tell when b is under way), or once
// a is placed (reported when its batch of one is durable): a stays, nothing more is touched.
TEST(TransferCancelTest, ACancelRemovesThePartOfTheFileUnderWayAndTouchesNothingMore) {
    const std::string large = PatternedContent(1 << 20);
    for (const TransferCase& c : kCases) {
        for (bool insideAFile : {true, false}) {
            SCOPED_TRACE(c.name + (insideAFile ? ", inside b" : ", after a"));
            TransferScene scene(c);
            AddThreeFiles(scene, insideAFile ? large : "b");
            if (insideAFile) {
                scene.delegate.cancelWhen = [](const RecordingDelegate& d) {
                    return d.progress.back().bytesDone > 1 + (256 << 10);
                };
            } else {
                scene.request.batchFiles = 1;
                scene.delegate.cancelWhen = [](const RecordingDelegate& d) {
                    return d.reports.size() == 1;
                };
            }
            EXPECT_TRUE(scene.Run().cancelled);
            EXPECT_EQ(scene.delegate.Outcomes(),
                      (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Cancelled,
                                                FileOutcome::Cancelled}));
            EXPECT_LT(scene.delegate.progress.back().bytesDone, 1u + large.size());
            EXPECT_EQ(ReadFile(scene.to / "out/a.mp3"), "a");
            EXPECT_FALSE(Exists(scene.to / "out/b.mp3"));
            EXPECT_FALSE(Exists(scene.to / "out/c.mp3"));
            EXPECT_TRUE(ReadFile(scene.from / "b.mp3") == (insideAFile ? large : "b"));
            EXPECT_EQ(ReadFile(scene.from / "c.mp3"), "c");
            EXPECT_TRUE(Leftovers(scene.to.path()).empty());
        }
    }
}

// Across bind mounts of one device a move is staged as a rename, which fails with EXDEV only at
// the claim and is copied then: a cancel that stopped the staging must not stop that copy.
TEST(TransferCancelTest, FilesStagedBeforeACancelArePlacedAcrossBindMounts) {
    const std::string bound = BindMountedFolder();
    if (bound.empty())
        GTEST_SKIP() << "cannot bind mount";
    const std::string real = std::filesystem::path(bound).parent_path() / "real";
    TransferScene scene(TransferOperation::Move);
    AddThreeFiles(scene, "b");
    for (std::string& destination : scene.request.destinations)
        destination = bound + destination.substr(destination.rfind('/'));
    int polls = 0;  // before a, before b, before c: c is under way when the cancel comes
    scene.delegate.cancelWhen = [&polls](const RecordingDelegate&) { return ++polls >= 3; };
    EXPECT_TRUE(scene.Run().cancelled);
    EXPECT_EQ(scene.delegate.Outcomes(),
              (std::vector<FileOutcome>{FileOutcome::Transferred, FileOutcome::Transferred,
                                        FileOutcome::Cancelled}));
    EXPECT_EQ(ReadFile(real + "/a.mp3"), "a");
    EXPECT_EQ(ReadFile(real + "/b.mp3"), "b");
    EXPECT_FALSE(Exists(scene.from / "a.mp3"));
    EXPECT_EQ(ReadFile(scene.from / "c.mp3"), "c");
}

// Stalls, to be killed, in the middle of a copy or at the first file placed.
class StallingDelegate : public RecordingDelegate {
  public:
    StallingDelegate(const std::function<void()>& stall, bool midCopy)
        : stall_(stall), midCopy_(midCopy) {}
    void OnProgress(const TransferProgress& report) override {
        if (midCopy_ && report.bytesDone != 0 && report.bytesDone != report.bytesTotal)
            stall_();
    }
    void OnFileDone(const FileReport&) override {
        if (!midCopy_)
            stall_();
    }

  private:
    const std::function<void()>& stall_;
    bool midCopy_;
};

// Killed inside one large file, or once the first of a batch is placed: each file whole or
// absent, every source or its copy kept, only temporaries of the engine's own name left.
TEST(TransferCancelTest, AKilledRunLeavesEachFileWholeOrAbsentAndEverySourceOrItsCopy) {
    for (const TransferCase& c : kCases) {
        for (bool midCopy : {true, false}) {
            SCOPED_TRACE(c.name + (midCopy ? ", mid-copy" : ", first placed"));
            TransferScene scene(c);
            std::vector<std::string> contents;
            for (unsigned i = 0; i < (midCopy ? 1 : 8); ++i) {
                std::string name = "f" + std::to_string(i) + ".mp3";
                contents.push_back(PatternedContent(midCopy ? 64 << 20 : 256 << 10, i + 1));
                scene.Add(name, contents.back(), "out/" + name);
            }
            scene.request.chunkBytes = 1 << 20;
            int status = testing::KillWhenStalled([&](const std::function<void()>& stall) {
                StallingDelegate delegate(stall, midCopy);
                RunTransfer(scene.request, delegate);
            });
            EXPECT_TRUE(WIFSIGNALED(status));
            for (std::size_t i = 0; i < contents.size(); ++i) {
                bool copied = Exists(scene.request.destinations[i]);
                if (copied) {
                    EXPECT_TRUE(ReadFile(scene.request.destinations[i]) == contents[i]) << i;
                }
                if (!copied || c.operation == TransferOperation::Copy) {
                    EXPECT_TRUE(ReadFile(scene.request.sources[i]) == contents[i]) << i;
                }
            }
            for (const std::string& leftover : Leftovers(scene.to.path()))
                EXPECT_NE(leftover.find(kTemporarySuffix), std::string::npos) << leftover;
        }
    }
}

void IgnoreAlarm(int) {}

// Signals without SA_RESTART, as the CLI's SIGINT handler, while files are copied.
TEST(TransferCancelTest, InterruptedSystemCallsNeverCorruptACopy) {
    const std::string large = PatternedContent(16 << 20);
    for (const TransferCase& c : kCases) {
        SCOPED_TRACE(c.name);
        TransferScene scene(c);
        scene.Add("big.mp3", large, "out/big.mp3");
        scene.request.chunkBytes = 64 << 10;
        struct sigaction action = {}, old = {};
        action.sa_handler = IgnoreAlarm;
        sigaction(SIGALRM, &action, &old);
        const struct itimerval every = {{0, 50}, {0, 50}}, off = {};
        setitimer(ITIMER_REAL, &every, nullptr);
        TransferSummary summary = scene.Run();
        setitimer(ITIMER_REAL, &off, nullptr);
        sigaction(SIGALRM, &old, nullptr);
        EXPECT_EQ(summary.transferred, 1u);
        EXPECT_TRUE(ReadFile(scene.to / "out/big.mp3") == large);
        EXPECT_TRUE(Leftovers(scene.to.path()).empty());
    }
}

// Found before any test enters a mount namespace of its own: in a chroot, /proc/self/exe no
// longer resolves there.
const std::string kServerProgram = ExecutableDirectory() + "/tunvex-passthrough-fs";

// Our pass-through FUSE file system over folder/name-store, mounted at folder/name, logging the
// requests that reach it to log. error says why it could not be mounted.
struct PassthroughMount {
    PassthroughMount(const TempFolder& folder, const std::string& name, const std::string& log,
                     const std::vector<std::string>& environment = {})
        : path(folder / name),
          server(kServerProgram, {Store(folder, name), log, path, "-f", "-s"}, environment) {
        for (int wait = 0; wait < 500 && DeviceOf(path) == DeviceOf(folder.path()); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (DeviceOf(path) == DeviceOf(folder.path()))
            error = "the FUSE file system did not come up: " +
                    (server.Running() ? std::string() : server.Wait().err);
    }
    ~PassthroughMount() { umount2(path.c_str(), MNT_DETACH); }
    static std::string Store(const TempFolder& folder, const std::string& name) {
        std::filesystem::create_directory(folder / name);
        std::filesystem::create_directory(folder / (name + "-store"));
        return folder / (name + "-store");
    }

    const std::string path;
    testing::BackgroundProcess server;
    std::string error;
};

// Empty when this test can mount FUSE file systems of its own, else why not.
std::string WhyFuseCannotMount() {
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        return "needs /dev/fuse";
    return EnterPrivateMountNamespace();
}

// syncfs reaches no FUSE server: a move onto one must fsync each copy, its folder and the
// folder that holds a new one itself before the source goes.
TEST(TransferCancelTest, AMoveOntoFuseSyncsEachCopyAndItsFolderBeforeTheSourceGoes) {
    if (std::string whyNot = WhyFuseCannotMount(); !whyNot.empty())
        GTEST_SKIP() << whyNot;
    TempFolder folder;
    const std::string log = folder / "requests.log";
    PassthroughMount from(folder, "from", log);
    PassthroughMount to(folder, "to", log);
    for (const PassthroughMount* mount : {&from, &to}) {
        if (!mount->error.empty())
            GTEST_SKIP() << mount->error;
    }
    const std::vector<std::string> names = {"a.mp3", "b.mp3"};
    std::vector<std::string> sources, destinations;
    for (const std::string& name : names) {
        WriteFile(from.path + "/" + name, name);
        sources.push_back(from.path + "/" + name);
        destinations.push_back(to.path + "/out/" + name);
    }
    RecordingDelegate delegate;
    TransferSummary summary =
        RunTransfer(MakeRequest(TransferOperation::Move, sources, destinations), delegate);
    EXPECT_EQ(summary.transferred, names.size());

    const std::string requests = ReadFile(log);
    SCOPED_TRACE("requests the servers saw:\n" + requests);
    std::vector<std::string> lines;
    std::istringstream in(requests);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    // The first line from start that begins with prefix and ends with suffix.
    auto find = [&](const std::string& prefix, const std::string& suffix, std::size_t start) {
        for (std::size_t i = start; i < lines.size(); ++i) {
            if (lines[i].starts_with(prefix) && lines[i].ends_with(suffix))
                return i;
        }
        return std::string::npos;
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadFile(to.path + "/out/" + name), name);
        std::size_t renamed = find("RENAME /out/", " /out/" + name, 0);
        ASSERT_NE(renamed, std::string::npos);
        std::string temporary = lines[renamed].substr(7, lines[renamed].find(' ', 7) - 7);
        std::size_t unlinked = find("UNLINK /" + name, "", 0);
        EXPECT_LT(find("FSYNC " + temporary, "", 0), renamed);
        EXPECT_LT(find("FSYNCDIR /out", "", renamed), unlinked);
        EXPECT_LT(find("FSYNCDIR /", " /", find("MKDIR /out", "", 0)), unlinked);
        EXPECT_NE(unlinked, std::string::npos);
    }
}

// Keeping attributes is best effort: the files arrive, and the run says what was not kept. A
// name the file system cannot make durable is no success, and a moved source stays.
TEST(TransferCancelTest, WhatADestinationRefusesIsToldAndNothingIsLost) {
    if (std::string whyNot = WhyFuseCannotMount(); !whyNot.empty())
        GTEST_SKIP() << whyNot;
    for (bool durable : {true, false}) {
        TempFolder folder;
        PassthroughMount to(
            folder, "to", folder / "requests.log",
            {durable ? "TUNVEX_FS_REFUSE_ATTRIBUTES=1" : "TUNVEX_FS_FAIL_FSYNCDIR=1"});
        if (!to.error.empty())
            GTEST_SKIP() << to.error;
        WriteFile(folder / "a.mp3", "a");
        setxattr((folder / "a.mp3").c_str(), "user.rating", "5", 1, 0);
        for (TransferOperation operation : {TransferOperation::Copy, TransferOperation::Move}) {
            RecordingDelegate delegate;
            TransferSummary summary = RunTransfer(
                MakeRequest(operation, {folder / "a.mp3"}, {to.path + "/a.mp3"}), delegate);
            EXPECT_EQ(ReadFile(to.path + "/a.mp3"), "a");
            if (durable) {
                EXPECT_EQ(summary.transferred, 1u) << EnglishReason(delegate.reports[0].reason);
                EXPECT_EQ(DescribeAttributeLoss(summary.attributesNotKept),
                          "permissions, times, extended attributes");
            } else {
                EXPECT_THAT(EnglishReason(delegate.reports[0].reason),
                            ::testing::HasSubstr("Input/output error"));
            }
            std::filesystem::remove(to.path + "/a.mp3");
        }
        EXPECT_EQ(Exists(folder / "a.mp3"), !durable);
    }
}

}  // namespace
}  // namespace tunvex
