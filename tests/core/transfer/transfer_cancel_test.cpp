#include <sys/wait.h>
#include <sys/xattr.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

#include "core/base/paths.h"
#include "core/files/attribute_loss.h"
#include "core/transfer/transfer.h"
#include "tests/support/run_process.h"
#include "tests/support/transfer_scene.h"
#include "tests/support/watching_delegate.h"

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

// Inside b, or once a is placed: a stays, nothing more is touched.
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

// Across bind mounts a staged rename fails with EXDEV at the claim: a cancel never stops its copy.
TEST(TransferCancelTest, FilesStagedBeforeACancelArePlacedAcrossBindMounts) {
    const std::string bound = BindMountedFolder();
    if (bound.empty())
        GTEST_SKIP() << "cannot bind mount";
    const std::string real = std::filesystem::path(bound).parent_path() / "real";
    TransferScene scene(TransferOperation::Move);
    AddThreeFiles(scene, "b");
    PathColumn destinations;
    for (const std::string& destination : scene.request.destinations)
        destinations.push_back(bound + destination.substr(destination.rfind('/')));
    scene.request.destinations = std::move(destinations);
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

// Killed mid-file or after a placed file: each file whole or absent, every source or its copy kept.
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
                WatchingDelegate delegate([&](const RecordingDelegate& d) {
                    if (midCopy ? !d.progress.empty() && d.progress.back().bytesDone != 0 &&
                                      d.progress.back().bytesDone != d.progress.back().bytesTotal
                                : !d.reports.empty())
                        stall();
                });
                RunTransfer(scene.request, delegate);
            });
            EXPECT_TRUE(WIFSIGNALED(status));
            for (std::size_t i = 0; i < contents.size(); ++i) {
                bool copied = Exists(scene.request.destinations[i]);
                EXPECT_TRUE(!copied || ReadFile(scene.request.destinations[i]) == contents[i]);
                EXPECT_TRUE((copied && c.operation == TransferOperation::Move) ||
                            ReadFile(scene.request.sources[i]) == contents[i]);
            }
            for (const std::string& leftover : Leftovers(scene.to.path()))
                EXPECT_NE(leftover.find(kTemporarySuffix), std::string::npos) << leftover;
        }
    }
}

// Found before any test enters a mount namespace, where /proc/self/exe no longer resolves.
const std::string kServerProgram = ExecutableDirectory() + "/tunvex-passthrough-fs";

// Our pass-through FUSE over folder/name-store at folder/name, its requests logged; error: why not.
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

// syncfs reaches no FUSE server: each copy and its folders are fsynced before the source goes.
TEST(TransferCancelTest, OntoFuseEachCopyIsDurableBeforeItsSourceGoesAndRefusalsAreTold) {
    if (access("/dev/fuse", R_OK | W_OK) != 0)
        GTEST_SKIP() << "needs /dev/fuse";
    if (std::string whyNot = EnterPrivateMountNamespace(); !whyNot.empty())
        GTEST_SKIP() << whyNot;
    TempFolder folder;
    const std::string log = folder / "requests.log";
    PassthroughMount from(folder, "from", log);
    PassthroughMount to(folder, "to", log);
    PassthroughMount refusing(folder, "refusing", folder / "other.log",
                              {"TUNVEX_FS_REFUSE_ATTRIBUTES=1"});
    PassthroughMount failing(folder, "failing", folder / "other.log",
                             {"TUNVEX_FS_FAIL_FSYNCDIR=1"});
    for (const PassthroughMount* mount : {&from, &to, &refusing, &failing})
        if (!mount->error.empty())
            GTEST_SKIP() << mount->error;
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
    const std::string requests = "\n" + ReadFile(log);
    SCOPED_TRACE("requests the servers saw:" + requests);
    auto at = [&](const std::string& line, std::size_t start = 0) {
        return requests.find("\n" + line + "\n", start);
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadFile(to.path + "/out/" + name), name);
        std::smatch renamed;
        ASSERT_TRUE(std::regex_search(requests, renamed,
                                      std::regex("\nRENAME (/out/\\S+) /out/" + name + "\n")));
        std::size_t renamedAt = static_cast<std::size_t>(renamed.position());
        std::size_t unlinked = at("UNLINK /" + name);
        EXPECT_NE(unlinked, std::string::npos);
        EXPECT_LT(at("FSYNC " + renamed.str(1)), renamedAt);
        EXPECT_LT(at("FSYNCDIR /out", renamedAt), unlinked);
        EXPECT_LT(at("FSYNCDIR /", at("MKDIR /out")), unlinked);
    }

    for (const PassthroughMount* mount : {&refusing, &failing}) {
        bool durable = mount == &refusing;
        WriteFile(folder / "a.mp3", "a");
        setxattr((folder / "a.mp3").c_str(), "user.rating", "5", 1, 0);
        for (TransferOperation operation : {TransferOperation::Copy, TransferOperation::Move}) {
            TransferSummary refused = RunTransfer(
                MakeRequest(operation, {folder / "a.mp3"}, {mount->path + "/a.mp3"}), delegate);
            EXPECT_EQ(ReadFile(mount->path + "/a.mp3"), "a");
            if (durable) {
                EXPECT_EQ(refused.transferred, 1u) << EnglishReason(delegate.reports.back().reason);
                EXPECT_EQ(DescribeAttributeLoss(refused.attributesNotKept),
                          "permissions, times, extended attributes");
            } else {
                EXPECT_THAT(EnglishReason(delegate.reports.back().reason),
                            ::testing::HasSubstr("Input/output error"));
            }
            std::filesystem::remove(mount->path + "/a.mp3");
        }
        EXPECT_EQ(Exists(folder / "a.mp3"), !durable);
    }
}

}  // namespace
}  // namespace tunvex
