#include "core/files/temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "core/base/owned_fd.h"
#include "core/base/retry.h"
#include "core/files/held_temporary.h"

namespace tunvex {
namespace {

constexpr std::size_t kTemporaryRandomLength = 6;

bool IsStale(int folder, const char* name) {
    OwnedFd file(openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened;
    struct stat named;
    return file.get() >= 0 && fstat(file.get(), &opened) == 0 && S_ISREG(opened.st_mode) &&
           !IsHeldTemporary(opened) && flock(file.get(), LOCK_EX | LOCK_NB) == 0 &&
           fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

}  // namespace

// Locked at once: the moment between the creation and the lock is the only one in which
// another run could take it for a stale one.
int CreateTemporary(const std::string& folder, std::string& path) {
    std::string pattern = folder + "/" + kTemporaryPrefix +
                          std::string(kTemporaryRandomLength, 'X') + kTemporarySuffix;
    int suffixLength = static_cast<int>(sizeof(kTemporarySuffix) - 1);
    int fd = RetryOnInterrupt([&] { return mkostemps(pattern.data(), suffixLength, O_CLOEXEC); });
    if (fd < 0)
        return fd;
    path = pattern;
    RetryOnInterrupt([&] { return flock(fd, LOCK_EX); });
    return fd;
}

bool IsTemporaryName(std::string_view name) {
    std::string_view prefix = kTemporaryPrefix;
    std::string_view suffix = kTemporarySuffix;
    return name.size() == prefix.size() + kTemporaryRandomLength + suffix.size() &&
           name.starts_with(prefix) && name.ends_with(suffix);
}

void RemoveStaleTemporaries(const std::string& folder) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return;
    int fd = dirfd(listing);
    while (const dirent* entry = readdir(listing)) {
        if (IsTemporaryName(entry->d_name) && IsStale(fd, entry->d_name))
            unlinkat(fd, entry->d_name, 0);
    }
    closedir(listing);
}

}  // namespace tunvex
