// A FUSE file system that passes everything through to a backing folder and logs, one line per
// request, the requests that change the store or make it durable ("FSYNC /out/x"), so that a
// test can tell in which order they reached the server.
//
// Usage: tunvex-passthrough-fs BACKING LOG MOUNTPOINT [fuse options...]
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

static const char* backing;
static int logFd = -1;

static void Log(const char* operation, const char* path, const char* other) {
    char line[3 * PATH_MAX];
    int length = snprintf(line, sizeof line, "%s %s%s%s\n", operation, path, other ? " " : "",
                          other ? other : "");
    if (length > 0 && write(logFd, line, (size_t)length) < 0)
        perror("log");
}

typedef struct {
    char path[PATH_MAX];
} RealPath;

// Where path lives in the backing folder.
static RealPath Real(const char* path) {
    RealPath real;
    snprintf(real.path, sizeof real.path, "%s%s", backing, path);
    return real;
}

static int Result(int value) {
    return value < 0 ? -errno : 0;
}

static int DoGetattr(const char* path, struct stat* info, struct fuse_file_info* fi) {
    if (fi)
        return Result(fstat((int)fi->fh, info));
    return Result(lstat(Real(path).path, info));
}

static int DoReadlink(const char* path, char* buffer, size_t size) {
    ssize_t length = readlink(Real(path).path, buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

static int DoMkdir(const char* path, mode_t mode) {
    Log("MKDIR", path, NULL);
    return Result(mkdir(Real(path).path, mode));
}

static int DoUnlink(const char* path) {
    Log("UNLINK", path, NULL);
    return Result(unlink(Real(path).path));
}

static int DoRmdir(const char* path) {
    Log("RMDIR", path, NULL);
    return Result(rmdir(Real(path).path));
}

static int DoSymlink(const char* target, const char* path) {
    Log("SYMLINK", path, target);
    return Result(symlink(target, Real(path).path));
}

static int DoRename(const char* from, const char* to, unsigned int flags) {
    Log("RENAME", from, to);
    return Result(renameat2(AT_FDCWD, Real(from).path, AT_FDCWD, Real(to).path, flags));
}

static int DoLink(const char* from, const char* to) {
    Log("LINK", from, to);
    return Result(link(Real(from).path, Real(to).path));
}

// With $TUNVEX_FS_REFUSE_ATTRIBUTES set the store has no chmod (ENOSYS) and refuses times
// (EOPNOTSUPP), as some network and FAT-like file systems do.
static int RefusesAttributes(void) {
    return getenv("TUNVEX_FS_REFUSE_ATTRIBUTES") != NULL;
}

static int DoChmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
    if (RefusesAttributes())
        return -ENOSYS;
    if (fi)
        return Result(fchmod((int)fi->fh, mode));
    return Result(chmod(Real(path).path, mode));
}

static int DoChown(const char* path, uid_t uid, gid_t gid, struct fuse_file_info* fi) {
    if (fi)
        return Result(fchown((int)fi->fh, uid, gid));
    return Result(lchown(Real(path).path, uid, gid));
}

static int DoTruncate(const char* path, off_t size, struct fuse_file_info* fi) {
    if (fi)
        return Result(ftruncate((int)fi->fh, size));
    return Result(truncate(Real(path).path, size));
}

static int DoUtimens(const char* path, const struct timespec times[2], struct fuse_file_info* fi) {
    if (RefusesAttributes())
        return -EOPNOTSUPP;
    if (fi)
        return Result(futimens((int)fi->fh, times));
    return Result(utimensat(AT_FDCWD, Real(path).path, times, AT_SYMLINK_NOFOLLOW));
}

static int OpenReal(const char* path, struct fuse_file_info* fi, mode_t mode) {
    int fd = open(Real(path).path, fi->flags, mode);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int DoOpen(const char* path, struct fuse_file_info* fi) {
    return OpenReal(path, fi, 0);
}

static int DoCreate(const char* path, mode_t mode, struct fuse_file_info* fi) {
    Log("CREATE", path, NULL);
    return OpenReal(path, fi, mode);
}

static int DoRead(const char* path, char* buffer, size_t size, off_t offset,
                  struct fuse_file_info* fi) {
    (void)path;
    ssize_t got = pread((int)fi->fh, buffer, size, offset);
    return got < 0 ? -errno : (int)got;
}

static int DoWrite(const char* path, const char* buffer, size_t size, off_t offset,
                   struct fuse_file_info* fi) {
    (void)path;
    ssize_t put = pwrite((int)fi->fh, buffer, size, offset);
    return put < 0 ? -errno : (int)put;
}

static int DoStatfs(const char* path, struct statvfs* info) {
    (void)path;
    return Result(statvfs(backing, info));
}

static int DoRelease(const char* path, struct fuse_file_info* fi) {
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int DoFsync(const char* path, int dataOnly, struct fuse_file_info* fi) {
    Log("FSYNC", path, NULL);
    return Result(dataOnly ? fdatasync((int)fi->fh) : fsync((int)fi->fh));
}

static int DoOpendir(const char* path, struct fuse_file_info* fi) {
    DIR* folder = opendir(Real(path).path);
    if (!folder)
        return -errno;
    fi->fh = (uint64_t)(uintptr_t)folder;
    return 0;
}

static int DoReaddir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                     struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)path;
    (void)offset;
    (void)flags;
    DIR* folder = (DIR*)(uintptr_t)fi->fh;
    rewinddir(folder);
    for (struct dirent* entry = readdir(folder); entry; entry = readdir(folder)) {
        if (fill(buffer, entry->d_name, NULL, 0, 0))
            break;
    }
    return 0;
}

static int DoReleasedir(const char* path, struct fuse_file_info* fi) {
    (void)path;
    closedir((DIR*)(uintptr_t)fi->fh);
    return 0;
}

// With $TUNVEX_FS_FAIL_FSYNCDIR set no folder can be made durable (EIO), as when a server's
// disk fails.
static int DoFsyncdir(const char* path, int dataOnly, struct fuse_file_info* fi) {
    (void)dataOnly;
    Log("FSYNCDIR", path, NULL);
    if (getenv("TUNVEX_FS_FAIL_FSYNCDIR") != NULL)
        return -EIO;
    return Result(fsync(dirfd((DIR*)(uintptr_t)fi->fh)));
}

static const struct fuse_operations kOperations = {
    .getattr = DoGetattr,
    .readlink = DoReadlink,
    .mkdir = DoMkdir,
    .unlink = DoUnlink,
    .rmdir = DoRmdir,
    .symlink = DoSymlink,
    .rename = DoRename,
    .link = DoLink,
    .chmod = DoChmod,
    .chown = DoChown,
    .truncate = DoTruncate,
    .open = DoOpen,
    .read = DoRead,
    .write = DoWrite,
    .statfs = DoStatfs,
    .release = DoRelease,
    .fsync = DoFsync,
    .opendir = DoOpendir,
    .readdir = DoReaddir,
    .releasedir = DoReleasedir,
    .fsyncdir = DoFsyncdir,
    .create = DoCreate,
    .utimens = DoUtimens,
};

int main(int argc, char* argv[]) {
    if (argc < 4) {
        fprintf(stderr, "usage: %s BACKING LOG MOUNTPOINT [fuse options...]\n", argv[0]);
        return 2;
    }
    backing = argv[1];
    logFd = open(argv[2], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (logFd < 0) {
        perror(argv[2]);
        return 2;
    }
    argv[2] = argv[0];
    return fuse_main(argc - 2, argv + 2, &kOperations, NULL);
}
