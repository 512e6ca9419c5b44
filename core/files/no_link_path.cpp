#include "core/files/no_link_path.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "core/base/retry.h"
#include "core/files/folders.h"

namespace tunvex {
namespace {

constexpr int kHandleFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The next component of path from position at, skipping separators; empty at the end.
std::string_view NextComponent(std::string_view path, std::size_t& at) {
    while (at < path.size() && path[at] == '/')
        ++at;
    std::size_t end = path.find('/', at);
    if (end == std::string_view::npos)
        end = path.size();
    std::string_view component = path.substr(at, end - at);
    at = end;
    return component;
}

// A link refuses O_DIRECTORY with ENOTDIR, as a file does: tell the two apart.
int OpenChild(int parent, const std::string& name, OwnedFd& child) {
    child = OwnedFd(RetryOnInterrupt([&] { return openat(parent, name.c_str(), kHandleFlags); }));
    if (child.get() >= 0)
        return 0;
    int error = errno;
    struct stat entry;
    if (error == ENOTDIR && fstatat(parent, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(entry.st_mode))
        return ELOOP;
    return error;
}

// A quarter of the descriptors still free, 256 at most: the rest stays for the files the caller
// opens meanwhile, and for the rest of the process (a window holds many).
std::size_t FoldersToKeep() {
    constexpr rlim_t kMostKept = 256;
    // Descriptors are numbered from the lowest free one: its number is about how many are open.
    OwnedFd lowestFree(open("/", kHandleFlags));
    struct rlimit limit;
    if (lowestFree.get() < 0 || getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    auto inUse = static_cast<rlim_t>(lowestFree.get());
    rlim_t unused = limit.rlim_cur > inUse ? limit.rlim_cur - inUse : 0;
    return static_cast<std::size_t>(std::min(unused / 4, kMostKept));
}

}  // namespace

int OpenFolderNoLinks(const std::string& path, OwnedFd& folder, bool create, mode_t mode) {
    if (path.empty() || path[0] != '/')
        return EINVAL;
    OwnedFd current(RetryOnInterrupt([] { return open("/", kHandleFlags); }));
    if (current.get() < 0)
        return errno;
    std::size_t at = 0;
    for (std::string_view part; !(part = NextComponent(path, at)).empty();) {
        std::string name(part);
        if (name == "." || name == "..")
            return EINVAL;
        OwnedFd child;
        int error = OpenChild(current.get(), name, child);
        if (error == ENOENT && create) {
            if (mkdirat(current.get(), name.c_str(), mode) != 0 && errno != EEXIST)
                return errno;
            error = OpenChild(current.get(), name, child);
        }
        if (error != 0)
            return error;
        current = std::move(child);
    }
    folder = std::move(current);
    return 0;
}

std::string PinnedEntry::Path() const {
    static const bool kProcMounted = access("/proc/self/fd", X_OK) == 0;
    if (!kProcMounted)
        return original;
    return "/proc/self/fd/" + std::to_string(folder.get()) + "/" + name;
}

FolderPins::FolderPins() : foldersKept_(FoldersToKeep()) {}

int FolderPins::Pin(const std::string& path, PinnedEntry& entry, bool createFolders) {
    std::size_t end = path.find_last_not_of('/');
    if (end == std::string::npos)
        return EINVAL;
    std::size_t slash = path.rfind('/', end);
    entry.name = path.substr(slash + 1, end - slash);
    entry.original = path;
    std::string folder = ParentFolder(path);
    int error = PinFolder(folder, entry.folder, createFolders);
    if ((error == EMFILE || error == ENFILE) && !folders_.empty()) {
        folders_.clear();
        error = PinFolder(folder, entry.folder, createFolders);
    }
    return error;
}

int FolderPins::PinFolder(const std::string& folder, OwnedFd& handle, bool createFolders) {
    auto found = folders_.find(folder);
    if (found == folders_.end()) {
        OwnedFd opened;
        int error = OpenFolderNoLinks(folder, opened, createFolders);
        if (error != 0)
            return error;
        if (folders_.size() >= foldersKept_)
            folders_.clear();
        found = folders_.emplace(folder, std::move(opened)).first;
    }
    handle = OwnedFd(fcntl(found->second.get(), F_DUPFD_CLOEXEC, 0));
    return handle.get() < 0 ? errno : 0;
}

bool IsPlainAbsolutePath(const std::string& path) {
    if (path.empty() || path[0] != '/')
        return false;
    std::size_t at = 0;
    for (std::string_view part; !(part = NextComponent(path, at)).empty();) {
        if (part == "." || part == "..")
            return false;
    }
    return true;
}

}  // namespace tunvex
