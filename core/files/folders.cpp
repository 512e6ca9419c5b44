#include "core/files/folders.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>

#include "core/base/paths.h"
#include "core/base/retry.h"

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

int OpenFolder(const std::string& path) {
    return RetryOnInterrupt([&] { return open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
}

// syncfs reaches no FUSE server, and no network file system promises that it reaches the
// server's storage; the fsync of a file or folder does.
bool SyncfsReachesNoStorage(decltype(statfs::f_type) type) {
    constexpr decltype(statfs::f_type) kLustre = 0x0BD00BD0;
    constexpr decltype(statfs::f_type) kGpfs = 0x47504653;
    switch (type) {
        case FUSE_SUPER_MAGIC:
        case NFS_SUPER_MAGIC:
        case SMB_SUPER_MAGIC:
        case CIFS_SUPER_MAGIC:
        case SMB2_SUPER_MAGIC:
        case V9FS_MAGIC:
        case CEPH_SUPER_MAGIC:
        case CODA_SUPER_MAGIC:
        case AFS_SUPER_MAGIC:
        case AFS_FS_MAGIC:
        case NCP_SUPER_MAGIC:
        case kLustre:
        case kGpfs:
            return true;
        default:
            return false;
    }
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

int MakeKnownFolders(KnownFolders& known, const std::string& path, mode_t mode, dev_t& device,
                     const std::function<void(const std::string&)>& made) {
    auto found = known.find(path);
    if (found != known.end()) {
        device = found->second.device;
        return 0;
    }
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        if (!S_ISDIR(info.st_mode))
            return ENOTDIR;
        known.emplace(path, KnownFolder{info.st_dev, false});
        device = info.st_dev;
        return 0;
    }
    if (errno != ENOENT)
        return errno;
    std::string parent = ParentFolder(path);
    if (parent == path)
        return ENOENT;
    int error = MakeKnownFolders(known, parent, mode, device, made);
    if (error == 0)
        error = MakeOneFolder(path, mode);
    if (error != 0)
        return error;
    if (made)
        made(path);
    // A new folder lives on its parent's file system.
    known.emplace(path, KnownFolder{device, true});
    return 0;
}

int MakeFolders(const std::string& path, mode_t mode) {
    KnownFolders known;
    dev_t device;
    return MakeKnownFolders(known, path, mode, device);
}

int SyncFolder(const std::string& path) {
    int folder = OpenFolder(path);
    if (folder < 0)
        return errno;
    int error = RetryOnInterrupt([&] { return fsync(folder); }) == 0 ? 0 : errno;
    close(folder);
    return error == EINVAL ? 0 : error;
}

FileSystemHandles::~FileSystemHandles() {
    for (const auto& [device, fileSystem] : fileSystems_)
        close(fileSystem.folder);
}

int FileSystemHandles::Open(dev_t device, const std::string& folder) {
    if (fileSystems_.count(device) != 0)
        return 0;
    int fd = OpenFolder(folder);
    if (fd < 0)
        return errno;
    struct statfs info;
    if (fstatfs(fd, &info) != 0) {
        int error = errno;
        close(fd);
        return error;
    }
    fileSystems_.emplace(device, FileSystem{fd, SyncfsReachesNoStorage(info.f_type)});
    return 0;
}

int FileSystemHandles::Sync(dev_t device) const {
    auto found = fileSystems_.find(device);
    if (found == fileSystems_.end())
        return EBADF;
    return RetryOnInterrupt([&] { return syncfs(found->second.folder); }) == 0 ? 0 : errno;
}

bool FileSystemHandles::SyncsEachFile(dev_t device) const {
    auto found = fileSystems_.find(device);
    return found != fileSystems_.end() && found->second.syncsEachFile;
}

}  // namespace tunvex
