#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "core/transfer/transfer.h"
#include "core/transfer/undo.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

std::string Attribute(const std::string& path, const char* name) {
    char value[256];
    ssize_t length = getxattr(path.c_str(), name, value, sizeof value);
    return length < 0 ? std::string() : std::string(value, static_cast<std::size_t>(length));
}

ino_t InodeOf(const std::string& path) {
    struct stat info = {};
    stat(path.c_str(), &info);
    return info.st_ino;
}

TEST(TransferMoveTest, WithinAFileSystemTheFileItselfIsRenamed) {
    TransferScene scene(TransferOperation::Move);
    scene.Add("a.mp3", "a", "x/a.mp3");
    ino_t inode = InodeOf(scene.from / "a.mp3");
    EXPECT_EQ(scene.Run().transferred, 1u);
    EXPECT_FALSE(Exists(scene.from / "a.mp3"));
    EXPECT_EQ(InodeOf(scene.to / "x/a.mp3"), inode);
    EXPECT_EQ(ReadFile(scene.to / "x/a.mp3"), "a");
}

TEST(TransferMoveTest, AcrossFileSystemsTheSourceGoesOnlyAfterACompleteCopy) {
    if (OtherFileSystem().empty())
        GTEST_SKIP() << "needs /dev/shm on another device than the temp folder";
    TransferScene scene(TransferOperation::Move, 0, OtherFileSystem());
    const TempFolder& from = scene.from;
    const TempFolder& to = scene.to;
    std::string content = PatternedContent(3000000);
    scene.Add("a.mp3", content, "out/a.mp3");
    chmod((from / "a.mp3").c_str(), 0604);
    // A rating, as players keep it, and a permission ACL, where the source's file system takes
    // them: mv keeps both.
    setxattr((from / "a.mp3").c_str(), "user.rating", "5", 1, 0);
    std::system(("setfacl -m u:nobody:r " + from / "a.mp3" + " 2>/dev/null").c_str());
    std::map<std::string, std::string> kept;
    for (const char* name : {"user.rating", "system.posix_acl_access"})
        kept[name] = Attribute(from / "a.mp3", name);
    struct stat before = {};
    stat((from / "a.mp3").c_str(), &before);
    const struct timespec times[2] = {{1100000000, 0}, {1300000000, 5000}};
    utimensat(AT_FDCWD, (from / "a.mp3").c_str(), times, 0);

    scene.request.chunkBytes = 1 << 20;
    EXPECT_EQ(scene.Run().transferred, 1u);
    EXPECT_FALSE(Exists(from / "a.mp3"));
    struct stat info = {};
    ASSERT_EQ(stat((to / "out/a.mp3").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, before.st_mode & 07777);
    EXPECT_EQ(info.st_mtim.tv_sec, times[1].tv_sec);
    EXPECT_EQ(info.st_mtim.tv_nsec, times[1].tv_nsec);
    EXPECT_TRUE(ReadFile(to / "out/a.mp3") == content);
    EXPECT_TRUE(Leftovers(to.path()).empty());
    for (const auto& [name, value] : kept)
        EXPECT_EQ(Attribute(to / "out/a.mp3", name.c_str()), value) << name;
}

// Marks a file immutable, which stops even root from unlinking it, until the object goes.
class ScopedImmutable {
  public:
    explicit ScopedImmutable(const std::string& path) : fd_(open(path.c_str(), O_RDONLY)) {
        int flags = 0;
        if (fd_ < 0 || ioctl(fd_, FS_IOC_GETFLAGS, &flags) != 0)
            return;
        flags |= FS_IMMUTABLE_FL;
        applied_ = ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ~ScopedImmutable() {
        int flags = 0;
        if (applied_ && ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ioctl(fd_, FS_IOC_SETFLAGS, &flags);
        }
        if (fd_ >= 0)
            close(fd_);
    }
    bool applied() const { return applied_; }

  private:
    int fd_;
    bool applied_ = false;
};

class SilentUndo : public UndoDelegate {
  public:
    void OnUndo(const UndoReport&) override {}
};

// A move whose source cannot be removed takes its copy back, and its journal says so, unless the
// copy replaced a file: then both stay.
TEST(TransferMoveTest, ASourceThatCannotBeRemovedTakesItsCopyBackUnlessItReplacedAFile) {
    TempFolder from;
    TempFolder to("/dev/shm");
    if (to.path().empty() || DeviceOf(from.path()) == DeviceOf(to.path())) {
        GTEST_SKIP() << "needs /dev/shm on another device than the temp folder";
    }
    TempFolder state;
    ScopedDataHome dataHome{state / "data"};
    const struct {
        const char* standing;  // at the destination before the move
        FailureKind kind;
        const char* left;  // at the destination after it
    } cases[] = {
        {nullptr, FailureKind::MoveTakenBack, nullptr},
        {"older", FailureKind::SourceNotRemoved, "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.left == nullptr ? "taken back" : "kept");
        std::string source = from / (std::string(c.left == nullptr ? "a" : "b") + ".mp3");
        std::string destination = to / "out/a.mp3";
        WriteFile(source, "a");
        std::filesystem::remove(destination);
        if (c.standing != nullptr)
            WriteFile(destination, c.standing);
        ScopedImmutable pinned(source);
        if (!pinned.applied())
            GTEST_SKIP() << "the temp folder cannot mark files immutable";
        RecordingDelegate delegate;
        delegate.answers = {CollisionAnswer::Replace};
        TransferRequest request =
            MakeRequest(TransferOperation::Move, {source}, {destination}, kTransferAllowUndo);
        request.journalFolder = state / "tunvex";
        TransferSummary summary = RunTransfer(request, delegate);
        EXPECT_EQ(summary.failed, 1u);
        ASSERT_EQ(delegate.reports.size(), 1u);
        EXPECT_EQ(delegate.reports[0].reason, (FailureReason{c.kind, EPERM}));
        EXPECT_EQ(ReadFile(source), "a");
        EXPECT_EQ(Exists(destination), c.left != nullptr);
        if (c.left != nullptr) {
            EXPECT_EQ(ReadFile(destination), c.left);
        }
        SilentUndo undo;
        EXPECT_EQ(UndoRun(summary.journal, true, undo).leftAlone, 0u);
    }
}

TEST(TransferMoveTest, MovingASymlinkRemovesTheLinkAndKeepsItsTarget) {
    TransferScene scene(TransferOperation::Move);
    scene.Add("real.mp3", "real", "out/a.mp3");
    std::string link = scene.from / "link.mp3";
    symlink((scene.from / "real.mp3").c_str(), link.c_str());
    scene.request.sources = {link};
    EXPECT_EQ(scene.Run().transferred, 1u);
    EXPECT_FALSE(Exists(link));
    EXPECT_EQ(ReadFile(scene.from / "real.mp3"), "real");
    struct stat info = {};
    ASSERT_EQ(lstat((scene.to / "out/a.mp3").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(ReadFile(scene.to / "out/a.mp3"), "real");
}

}  // namespace
}  // namespace tunvex
