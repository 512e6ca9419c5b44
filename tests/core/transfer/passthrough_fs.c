// Passes through to BACKING and logs, in order, each request that changes it or makes it durable.
// Usage: tunvex-passthrough-fs BACKING LOG MOUNTPOINT [fuse options...]
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

static FILE* requestLog;
static int store;  // the backing folder

static void Log(const char* operation, const char* path, const char* other) {
    fprintf(requestLog, "%s %s%s%s\n", operation, path, other ? " " : "", other ? other : "");
}

static const char* Real(const char* path) {
    return path[1] ? path + 1 : ".";
}

static int Result(long value) {
    return value < 0 ? -errno : (int)value;
}

static int DoGetattr(const char* path, struct stat* info, struct fuse_file_info* fi) {
    return Result(fi ? fstat((int)fi->fh, info)
                     : fstatat(store, Real(path), info, AT_SYMLINK_NOFOLLOW));
}

static int DoMkdir(const char* path, mode_t mode) {
    Log("MKDIR", path, NULL);
    return Result(mkdirat(store, Real(path), mode));
}

static int DoUnlink(const char* path) {
    Log("UNLINK", path, NULL);
    return Result(unlinkat(store, Real(path), 0));
}

static int DoRename(const char* from, const char* to, unsigned int flags) {
    Log("RENAME", from, to);
    return Result(renameat2(store, Real(from), store, Real(to), flags));
}

// As some network and FAT-like file systems do.
static int DoChmod(const char* path, mode_t mode, struct fuse_file_info* fi) {
    if (getenv("TUNVEX_FS_REFUSE_ATTRIBUTES"))
        return -ENOSYS;
    return Result(fi ? fchmod((int)fi->fh, mode) : fchmodat(store, Real(path), mode, 0));
}

static int DoUtimens(const char* path, const struct timespec times[2], struct fuse_file_info* fi) {
    if (getenv("TUNVEX_FS_REFUSE_ATTRIBUTES"))
        return -EOPNOTSUPP;
    return Result(fi ? futimens((int)fi->fh, times)
                     : utimensat(store, Real(path), times, AT_SYMLINK_NOFOLLOW));
}

static int DoChown(const char* path, uid_t uid, gid_t gid, struct fuse_file_info* fi) {
    return Result(fi ? fchown((int)fi->fh, uid, gid)
                     : fchownat(store, Real(path), uid, gid, AT_SYMLINK_NOFOLLOW));
}

static int DoCreate(const char* path, mode_t mode, struct fuse_file_info* fi) {
    int fd = openat(store, Real(path), fi->flags, mode);
    fi->fh = (uint64_t)fd;
    return Result(fd < 0 ? -1 : 0);
}

static int DoOpen(const char* path, struct fuse_file_info* fi) {
    return DoCreate(path, 0, fi);
}

static int DoRead(const char* path, char* buffer, size_t size, off_t at,
                  struct fuse_file_info* fi) {
    (void)path;
    return Result(pread((int)fi->fh, buffer, size, at));
}

static int DoWrite(const char* path, const char* buffer, size_t size, off_t at,
                   struct fuse_file_info* fi) {
    (void)path;
    return Result(pwrite((int)fi->fh, buffer, size, at));
}

static int DoRelease(const char* path, struct fuse_file_info* fi) {
    (void)path;
    return Result(close((int)fi->fh));
}

static int DoFsync(const char* path, int dataOnly, struct fuse_file_info* fi) {
    Log("FSYNC", path, NULL);
    return Result(dataOnly ? fdatasync((int)fi->fh) : fsync((int)fi->fh));
}

static int DoReaddir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset,
                     struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)offset, (void)fi, (void)flags;
    DIR* folder = fdopendir(openat(store, Real(path), O_RDONLY | O_DIRECTORY));
    if (!folder)
        return -errno;
    for (struct dirent* entry = readdir(folder); entry; entry = readdir(folder)) {
        if (fill(buffer, entry->d_name, NULL, 0, 0))
            break;
    }
    return Result(closedir(folder));
}

// As a failing disk does.
static int DoFsyncdir(const char* path, int dataOnly, struct fuse_file_info* fi) {
    (void)dataOnly, (void)fi;
    Log("FSYNCDIR", path, NULL);
    if (getenv("TUNVEX_FS_FAIL_FSYNCDIR"))
        return -EIO;
    int fd = openat(store, Real(path), O_RDONLY | O_DIRECTORY);
    int synced = Result(fsync(fd));
    close(fd);
    return synced;
}

// clang-format off
static const struct fuse_operations kOperations = {
    .getattr = DoGetattr, .mkdir = DoMkdir, .unlink = DoUnlink, .rename = DoRename,
    .chmod = DoChmod, .chown = DoChown, .open = DoOpen, .read = DoRead, .write = DoWrite,
    .release = DoRelease, .fsync = DoFsync, .readdir = DoReaddir, .fsyncdir = DoFsyncdir,
    .create = DoCreate, .utimens = DoUtimens};
// clang-format on

int main(int argc, char* argv[]) {
    if (argc < 4 || (store = open(argv[1], O_RDONLY | O_DIRECTORY)) < 0 ||
        !(requestLog = fopen(argv[2], "a"))) {
        fprintf(stderr, "usage: %s BACKING LOG MOUNTPOINT [fuse options...]\n", argv[0]);
        return 2;
    }
    setvbuf(requestLog, NULL, _IOLBF, 0);
    argv[2] = argv[0];
    return fuse_main(argc - 2, argv + 2, &kOperations, NULL);
}
