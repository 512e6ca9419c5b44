#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "core/base/owned_fd.h"
#include "core/files/file_copy.h"
#include "core/transfer/transfer.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

struct CopyCase {
    const char* name;
    std::string sourceBase;
    std::size_t size;
    std::size_t chunkBytes;
};

TEST(TransferCopyTest, KeepsContentTimesAndModeAcrossChunksAndFileSystems) {
    const CopyCase cases[] = {
        {"empty", TempFolder::DefaultBase(), 0, kDefaultTransferChunkBytes},
        {"one chunk", TempFolder::DefaultBase(), 100000, kDefaultTransferChunkBytes},
        {"odd chunks", TempFolder::DefaultBase(), 1000003, 65536},
        {"other file system, read and write", "/dev/shm", 1000003, 65536},
    };
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.name);
        TransferScene scene(TransferOperation::Copy, 0, c.sourceBase);
        std::string content = PatternedContent(c.size);
        scene.Add("song.mp3", content, "Artist/Album/01.mp3");
        const std::string& source = scene.request.sources[0];
        chmod(source.c_str(), 0640);
        const struct timespec times[2] = {{1000000000, 123456789}, {1200000000, 987654321}};
        utimensat(AT_FDCWD, source.c_str(), times, 0);
        scene.request.chunkBytes = c.chunkBytes;
        TransferSummary summary = scene.Run();

        EXPECT_EQ(summary.transferred, 1u);
        const std::string& copy = scene.request.destinations[0];
        struct stat info = {};
        ASSERT_EQ(stat(copy.c_str(), &info), 0);  // before reading moves the access time
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_EQ(info.st_mtim.tv_sec, times[1].tv_sec);
        EXPECT_EQ(info.st_mtim.tv_nsec, times[1].tv_nsec);
        EXPECT_EQ(info.st_atim.tv_sec, times[0].tv_sec);
        EXPECT_TRUE(ReadFile(copy) == content);
        EXPECT_TRUE(ReadFile(source) == content);
        const std::vector<TransferProgress>& progress = scene.delegate.progress;
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back().bytesDone, c.size);
        EXPECT_EQ(progress.back().bytesTotal, c.size);
        EXPECT_EQ(progress.back().filesDone, 1u);
        EXPECT_GE(progress.size(), 2 + c.size / c.chunkBytes);
        EXPECT_TRUE(Leftovers(scene.to.path()).empty());
    }
}

TEST(TransferCopyTest, MissingFoldersAreMadeWithTheUmaskApplied) {
    TransferScene scene(TransferOperation::Copy);
    scene.Add("a.mp3", "a", "x/y/a.mp3");
    mode_t oldMask = umask(027);
    scene.Run();
    umask(oldMask);
    struct stat info = {};
    ASSERT_EQ(stat((scene.to / "x/y").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u);
    EXPECT_EQ(ReadFile(scene.to / "x/y/a.mp3"), "a");
}

TEST(TransferCopyTest, SymlinkSourceCopiesTheFileItPointsTo) {
    TempFolder folder;
    WriteFile(folder / "real.mp3", "real");
    symlink((folder / "real.mp3").c_str(), (folder / "link.mp3").c_str());
    RecordingDelegate delegate;
    RunTransfer(MakeRequest(TransferOperation::Copy, {folder / "link.mp3"}, {folder / "out.mp3"}),
                delegate);
    struct stat info = {};
    ASSERT_EQ(lstat((folder / "out.mp3").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(ReadFile(folder / "out.mp3"), "real");
}

TEST(TransferCopyTest, EachBadFileFailsWithItsReasonWhileTheOthersGoOn) {
    for (TransferOperation operation : {TransferOperation::Copy, TransferOperation::Move}) {
        TempFolder folder;
        WriteFile(folder / "good1.mp3", "1");
        WriteFile(folder / "good2.mp3", "2");
        WriteFile(folder / "good3.mp3", "3");
        WriteFile(folder / "blocked", "a file where a folder must go");
        std::filesystem::create_directory(folder / "folder.mp3");
        TransferRequest request = MakeRequest(
            operation,
            {folder / "vanished.mp3", folder / "good1.mp3", folder / "folder.mp3", "/dev/null",
             folder / "good2.mp3", folder / "good3.mp3"},
            {folder / "out/vanished.mp3", folder / "out/good1.mp3", folder / "out/folder.mp3",
             folder / "out/null.mp3", folder / "blocked/good2.mp3",
             folder / ("out/" + std::string(300, 'n') + ".mp3")});
        RecordingDelegate delegate;
        TransferSummary summary = RunTransfer(request, delegate);

        EXPECT_EQ(summary.transferred, 1u);
        EXPECT_EQ(summary.failed, 5u);
        ASSERT_EQ(delegate.reports.size(), 6u);
        const std::vector<FileOutcome> expected = {FileOutcome::Failed, FileOutcome::Transferred,
                                                   FileOutcome::Failed, FileOutcome::Failed,
                                                   FileOutcome::Failed, FileOutcome::Failed};
        EXPECT_EQ(delegate.Outcomes(), expected);
        for (const FileReport& report : delegate.reports) {
            if (report.outcome == FileOutcome::Failed) {
                EXPECT_FALSE(report.reason.empty()) << report.source;
            }
        }
        EXPECT_EQ(EnglishReason(delegate.reports[0].reason), "No such file or directory");
        EXPECT_EQ(EnglishReason(delegate.reports[2].reason), "Is a directory");
        EXPECT_NE(EnglishReason(delegate.reports[4].reason).find("Not a directory"),
                  std::string::npos);
        EXPECT_EQ(EnglishReason(delegate.reports[5].reason), "File name too long");
        EXPECT_EQ(ReadFile(folder / "out/good1.mp3"), "1");
        EXPECT_EQ(ReadFile(folder / "good2.mp3"), "2");
        EXPECT_EQ(ReadFile(folder / "blocked"), "a file where a folder must go");
        EXPECT_FALSE(Exists(folder / "out/null.mp3"));
        EXPECT_TRUE(Leftovers(folder.path()).empty());
    }
}

TEST(TransferCopyTest, AnotherRunClearingStaleTemporariesLeavesTheLiveOnesAlone) {
    TransferScene scene(TransferOperation::Copy);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        scene.Add(name, name, std::string("out/") + name);
    scene.delegate.cancelWhen = [&](const RecordingDelegate&) {
        RemoveStaleTemporaries(scene.to / "out");  // as another run writing there does
        return false;
    };
    EXPECT_EQ(scene.Run().transferred, 3u);
    EXPECT_EQ(ReadFile(scene.to / "out/c.mp3"), "c.mp3");
}

// A sparse file keeps its holes: a large image with little written takes little at the
// destination, with every byte as it was, from this file system and from another.
TEST(TransferCopyTest, ASparseFileKeepsItsHoles) {
    constexpr off_t kSize = off_t{256} << 20;
    const std::pair<off_t, std::string> written[] = {{0, "head"}, {off_t{100} << 20, "middle"}};
    for (const std::string& base : {TempFolder::DefaultBase(), std::string("/dev/shm")}) {
        SCOPED_TRACE(base);
        TransferScene scene(TransferOperation::Copy, 0, base);
        scene.Add("image.iso", "", "out/image.iso");
        {
            OwnedFd file(open(scene.request.sources[0].c_str(), O_WRONLY));
            ASSERT_EQ(ftruncate(file.get(), kSize), 0);
            for (const auto& [at, text] : written)
                ASSERT_EQ(pwrite(file.get(), text.data(), text.size(), at), ssize_t(text.size()));
        }
        EXPECT_EQ(scene.Run().transferred, 1u);
        const std::string copy = scene.to / "out/image.iso";
        struct stat info = {};
        ASSERT_EQ(stat(copy.c_str(), &info), 0);
        EXPECT_EQ(info.st_size, kSize);
        EXPECT_LT(info.st_blocks * 512, off_t{8} << 20);
        OwnedFd read(open(copy.c_str(), O_RDONLY));
        for (const auto& [at, text] : written) {
            std::string back(text.size(), '\0');
            ASSERT_EQ(pread(read.get(), back.data(), back.size(), at), ssize_t(text.size()));
            EXPECT_EQ(back, text);
        }
    }
}

// Where its lock cannot be seen (FUSE, a second spelling of its folder on FAT or exFAT), a
// temporary this process holds is still never swept; once let go, it is stale.
TEST(TransferCopyTest, ASweepNeverTakesATemporaryThisProcessHolds) {
    TempFolder folder;
    WriteFile(folder / "a.mp3", "a");
    CopySession session;
    StagedCopy staged = CopyToTemporary(folder / "a.mp3", folder.path(), session,
                                        [](std::uint64_t) { return true; });
    ASSERT_EQ(staged.error, 0);
    flock(staged.lock.get(), LOCK_UN);
    RemoveStaleTemporaries(folder.path());
    EXPECT_TRUE(Exists(staged.temporaryPath));
    staged.lock.Reset();
    RemoveStaleTemporaries(folder.path());
    EXPECT_FALSE(Exists(staged.temporaryPath));
}

// Each staged copy holds a descriptor until its claim, and a source opened for its check one
// until it is copied or found to be its own destination: under a low limit a batch of the
// default size must neither run out nor leak.
TEST(TransferCopyTest, ABatchStaysWithinTheDescriptorsTheProcessMayOpen) {
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    struct rlimit low = before;
    low.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    TransferScene scene(TransferOperation::Copy);
    for (int i = 0; i < 300; ++i) {
        std::string name = std::to_string(i) + ".mp3";
        scene.Add(name, name, name);
        if (i % 3 == 0)
            scene.request.destinations.back() = scene.request.sources.back();
    }
    TransferSummary summary = scene.Run();
    setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(summary.transferred, 200u);
    EXPECT_EQ(summary.sameFile, 100u);
    EXPECT_EQ(summary.failed, 0u);
    EXPECT_EQ(ReadFile(scene.to / "299.mp3"), "299.mp3");
}

TEST(TransferCopyTest, ListsOfDifferentLengthAreRefusedWhole) {
    TransferScene scene(TransferOperation::Move);
    scene.Add("a.mp3", "a", "out/a.mp3");
    scene.Add("b.mp3", "b", "out/b.mp3");
    scene.request.destinations.pop_back();
    EXPECT_EQ(scene.Run().failed, 2u);
    EXPECT_EQ(scene.delegate.Outcomes(),
              (std::vector<FileOutcome>{FileOutcome::Failed, FileOutcome::Failed}));
    EXPECT_TRUE(Exists(scene.from / "a.mp3"));
    EXPECT_TRUE(Exists(scene.from / "b.mp3"));
    EXPECT_FALSE(Exists(scene.to / "out"));
}

}  // namespace
}  // namespace tunvex
