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
TEST(TransferDurabilityTest, AMoveOntoFuseSyncsEachCopyAndItsFolderBeforeTheSourceGoes) {
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
TEST(TransferDurabilityTest, WhatADestinationRefusesIsToldAndNothingIsLost) {
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
