#include "core/files/rename.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/base/retry.h"

namespace tunvex {
namespace {

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

int CheckedRename(const std::string& from, const std::string& to) {
    if (Exists(to))
        return EEXIST;
    return RenameReplacing(from, to);
}

}  // namespace

int RenameNoReplace(const std::string& from, const std::string& to) {
    long result = RetryOnInterrupt([&] {
        return syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                       RENAME_NOREPLACE);
    });
    if (result == 0)
        return 0;
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP)
        return MoveByLink(from, to);
    return error;
}

int MoveByLink(const std::string& from, const std::string& to) {
    if (RetryOnInterrupt([&] { return link(from.c_str(), to.c_str()); }) != 0) {
        int error = errno;
        if (error == EPERM || error == EOPNOTSUPP || error == EMLINK) {
            return CheckedRename(from, to);
        }
        return error;
    }
    if (RetryOnInterrupt([&] { return unlink(from.c_str()); }) == 0)
        return 0;
    int error = errno;
    unlink(to.c_str());
    return error;
}

int RenameReplacing(const std::string& from, const std::string& to) {
    return RetryOnInterrupt([&] { return rename(from.c_str(), to.c_str()); }) == 0 ? 0 : errno;
}

}  // namespace tunvex
