#include "platform/transfer_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/paths.h"
#include "platform/transfer_retry.h"

namespace tunvex {
namespace {

int MakeOneFolder(const std::string& path, mode_t mode) {
    if (mkdir(path.c_str(), mode) == 0)
        return 0;
    int error = errno;
    if (error != EEXIST)
        return error;
    return IsDirectory(path) ? 0 : ENOTDIR;
}

}  // namespace

std::string ParentFolder(const std::string& path) {
    std::size_t end = path.find_last_not_of(kPathSeparator);
    if (end == std::string::npos)
        return path.empty() ? "." : "/";
    std::size_t separator = path.rfind(kPathSeparator, end);
    if (separator == std::string::npos)
        return ".";
    std::size_t last = path.find_last_not_of(kPathSeparator, separator);
    return last == std::string::npos ? "/" : path.substr(0, last + 1);
}

int MakeFolders(const std::string& path, mode_t mode) {
    if (IsDirectory(path))
        return 0;
    for (std::size_t end = path.find(kPathSeparator, 1);;
         end = path.find(kPathSeparator, end + 1)) {
        std::string prefix = path.substr(0, end);
        bool last = end == std::string::npos;
        if (!prefix.empty() && prefix.back() != kPathSeparator) {
            int error = MakeOneFolder(prefix, mode);
            if (error != 0)
                return error;
        }
        if (last)
            return 0;
    }
}

int SyncFolder(const std::string& path) {
    int folder =
        RetryOnInterrupt([&] { return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (folder < 0)
        return errno;
    int error = RetryOnInterrupt([&] { return fsync(folder); }) == 0 ? 0 : errno;
    close(folder);
    return error == EINVAL ? 0 : error;
}

}  // namespace tunvex
