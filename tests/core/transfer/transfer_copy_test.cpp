#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "core/base/owned_fd.h"
#include "core/files/file_copy.h"
#include "core/transfer/transfer.h"
#include "core/transfer/undo.h"
#include "tests/support/scoped_descriptors.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

std::string Attribute(const std::string& path, const char* name) {
    char value[256];
    ssize_t length = getxattr(path.c_str(), name, value, sizeof value);
    return length < 0 ? std::string() : std::string(value, static_cast<std::size_t>(length));
}

struct stat StatOf(const std::string& path) {
    struct stat info = {};
    lstat(path.c_str(), &info);
    return info;
}

TEST(TransferCopyTest, KeepsContentTimesModeAndAttributesAcrossChunksAndFileSystems) {
    struct Case {
        const char* name;
        TransferOperation operation;
        std::string sourceBase;
        std::size_t size;
        std::size_t chunkBytes;
    };
    const std::string local = TempFolder::DefaultBase();
    const auto copy = TransferOperation::Copy;
    const auto move = TransferOperation::Move;
    // clang-format off
    const Case cases[] = {
        {"empty", copy, local, 0, kDefaultTransferChunkBytes},
        {"odd chunks", copy, local, 1000003, 65536},
        {"rename", move, local, 100000, kDefaultTransferChunkBytes},
        {"move across file systems", move, "/dev/shm", 3000000, 1 << 20},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TransferScene scene(c.operation, 0, c.sourceBase);
        std::string content = PatternedContent(c.size);
        scene.Add("song.mp3", content, "Artist/Album/01.mp3");
        const std::string& source = scene.request.sources[0];
        chmod(source.c_str(), 0640);
        // A rating, as players keep it, and an ACL where the file system takes them: mv keeps both.
        setxattr(source.c_str(), "user.rating", "5", 1, 0);
        std::system(("setfacl -m u:nobody:r " + source + " 2>/dev/null").c_str());
        const std::string acl = Attribute(source, "system.posix_acl_access");
        const struct timespec times[2] = {{1000000000, 123456789}, {1200000000, 987654321}};
        utimensat(AT_FDCWD, source.c_str(), times, 0);
        ino_t inode = StatOf(source).st_ino;
        scene.request.chunkBytes = c.chunkBytes;
        EXPECT_EQ(scene.Run().transferred, 1u);

        const std::string& copied = scene.request.destinations[0];
        struct stat info = StatOf(copied);  // before reading moves the access time
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_EQ(std::tuple(info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_atim.tv_sec),
                  std::tuple(times[1].tv_sec, times[1].tv_nsec, times[0].tv_sec));
        EXPECT_EQ(Attribute(copied, "user.rating"), "5");
        EXPECT_EQ(Attribute(copied, "system.posix_acl_access"), acl);
        EXPECT_TRUE(ReadFile(copied) == content);
        EXPECT_EQ(Exists(source), c.operation == copy);
        EXPECT_TRUE(Leftovers(scene.to.path()).empty());
        if (std::string(c.name) == "rename") {
            EXPECT_EQ(info.st_ino, inode);
            continue;
        }
        const std::vector<TransferProgress>& progress = scene.delegate.progress;
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(std::tuple(progress.back().bytesDone, progress.back().bytesTotal,
                             progress.back().filesDone),
                  std::tuple(c.size, c.size, std::size_t{1}));
        EXPECT_GE(progress.size(), 2 + c.size / c.chunkBytes);
    }
}

TEST(TransferCopyTest, EachBadFileFailsWithItsReasonWhileTheOthersGoOn) {
    const std::string longName = "out/" + std::string(300, 'n') + ".mp3";
    // clang-format off
    const std::pair<const char*, std::string> cases[] = {  // a source, where it goes, why not
        {"vanished.mp3", "out/vanished.mp3"}, {"good1.mp3", "out/good1.mp3"},
        {"folder.mp3", "out/folder.mp3"}, {"/dev/null", "out/null.mp3"},
        {"good2.mp3", "blocked/good2.mp3"}, {"good3.mp3", longName}};
    const char* const reasons[] = {"No such file or directory", "", "Is a directory", "",
                                   "Not a directory", "File name too long"};
    // clang-format on
    for (TransferOperation operation : {TransferOperation::Copy, TransferOperation::Move}) {
        TempFolder folder;
        for (const char* name : {"good1.mp3", "good2.mp3", "good3.mp3", "blocked"})
            WriteFile(folder / name, name);
        std::filesystem::create_directory(folder / "folder.mp3");
        std::vector<std::string> sources, destinations;
        for (const auto& [source, destination] : cases) {
            sources.push_back(source[0] == '/' ? std::string(source) : folder / source);
            destinations.push_back(folder / destination);
        }
        RecordingDelegate delegate;
        EXPECT_EQ(RunTransfer(MakeRequest(operation, sources, destinations), delegate).failed, 5u);
        ASSERT_EQ(delegate.reports.size(), 6u);
        for (std::size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(delegate.reports[i].outcome,
                      i == 1 ? FileOutcome::Transferred : FileOutcome::Failed);
            EXPECT_NE(EnglishReason(delegate.reports[i].reason).find(reasons[i]),
                      std::string::npos);
        }
        EXPECT_EQ(ReadFile(folder / "out/good1.mp3"), "good1.mp3");
        EXPECT_EQ(ReadFile(folder / "good2.mp3"), "good2.mp3");
        EXPECT_EQ(ReadFile(folder / "blocked"), "blocked");
        EXPECT_FALSE(Exists(folder / "out/null.mp3"));
        EXPECT_TRUE(Leftovers(folder.path()).empty());
    }
}

// A large image with little written takes little at the destination, every byte as it was.
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
        EXPECT_EQ(StatOf(copy).st_size, kSize);
        EXPECT_LT(StatOf(copy).st_blocks * 512, off_t{8} << 20);
        OwnedFd read(open(copy.c_str(), O_RDONLY));
        for (const auto& [at, text] : written) {
            std::string back(text.size(), '\0');
            ASSERT_EQ(pread(read.get(), back.data(), back.size(), at), ssize_t(text.size()));
            EXPECT_EQ(back, text);
        }
    }
}

// A temporary this process holds is never swept, even where its lock cannot be seen.
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

// Under a low descriptor limit a batch of the default size never runs out.
TEST(TransferCopyTest, ABatchStaysWithinTheDescriptorsTheProcessMayOpen) {
    TransferScene scene(TransferOperation::Copy);
    for (int i = 0; i < 300; ++i) {
        std::string name = std::to_string(i) + ".mp3";
        WriteFile(scene.from / name, name);
        scene.request.sources.push_back(scene.from / name);
        scene.request.destinations.push_back(i % 3 == 0 ? scene.from / name : scene.to / name);
    }
    TransferSummary summary;
    {
        testing::ScopedDescriptors few(0, 56);
        summary = scene.Run();
    }
    EXPECT_EQ(summary.transferred, 200u);
    EXPECT_EQ(summary.sameFile, 100u);
    EXPECT_EQ(ReadFile(scene.to / "299.mp3"), "299.mp3");
}

TEST(TransferCopyTest, ListsOfDifferentLengthAreRefusedWhole) {
    TransferScene scene(TransferOperation::Move);
    scene.Add("a.mp3", "a", "out/a.mp3");
    scene.Add("b.mp3", "b", "out/b.mp3");
    scene.request.destinations.keep_if([](std::size_t index) { return index == 0; });
    EXPECT_EQ(scene.Run().failed, 2u);
    EXPECT_TRUE(Exists(scene.from / "a.mp3"));
    EXPECT_FALSE(Exists(scene.to / "out"));
}

// A move whose source stays takes its copy back, journaled, unless the copy replaced a file.
TEST(TransferCopyTest, AMovedSourceThatCannotBeRemovedTakesItsCopyBackUnlessItReplacedAFile) {
    if (OtherFileSystem().empty())
        GTEST_SKIP() << kNoOtherFileSystem;
    TempFolder from;
    TempFolder to(OtherFileSystem());
    TempFolder state;
    ScopedDataHome dataHome{state / "data"};
    for (const char* standing : {static_cast<const char*>(nullptr), "older"}) {
        SCOPED_TRACE(standing == nullptr ? "taken back" : "kept");
        std::string source = from / (standing == nullptr ? "a.mp3" : "b.mp3");
        std::string destination = to / "out/a.mp3";
        WriteFile(source, "a");
        std::filesystem::remove(destination);
        if (standing != nullptr)
            WriteFile(destination, standing);
        // Immutable binds root too.
        if (std::system(("chattr +i " + source + " 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "the temp folder cannot mark files immutable";
        RecordingDelegate delegate;
        delegate.answers = {CollisionAnswer::Replace};
        TransferRequest request =
            MakeRequest(TransferOperation::Move, {source}, {destination}, kTransferAllowUndo);
        request.journalFolder = state / "tunvex";
        TransferSummary summary = RunTransfer(request, delegate);
        ASSERT_EQ(delegate.reports.size(), 1u);
        FailureKind kind =
            standing == nullptr ? FailureKind::MoveTakenBack : FailureKind::SourceNotRemoved;
        EXPECT_EQ(delegate.reports[0].reason, (FailureReason{kind, EPERM}));
        std::system(("chattr -i " + source).c_str());
        EXPECT_EQ(ReadFile(source), "a");
        EXPECT_EQ(Exists(destination) ? ReadFile(destination) : "", standing ? "a" : "");
        static class : public UndoDelegate {
            void OnUndo(const UndoReport&) override {}
        } silent;
        EXPECT_EQ(UndoRun(CodePage::Utf8, summary.journal, true, silent).leftAlone, 0u);
    }
}

}  // namespace
}  // namespace tunvex
