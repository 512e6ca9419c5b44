#include "core/transfer/snapshot.h"

#include <cerrno>

#include "core/files/file_version.h"

namespace tunvex {

SourceState TakeSnapshot(const std::string& path) {
    SourceState state;
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        state.error = static_cast<std::int16_t>(errno);
        return state;
    }
    state.isLink = S_ISLNK(info.st_mode);
    if (state.isLink && stat(path.c_str(), &info) != 0) {
        state.error = static_cast<std::int16_t>(errno);
        return state;
    }
    state.mode = info.st_mode;
    state.device = info.st_dev;
    state.inode = info.st_ino;
    state.size = info.st_size;
    state.modifiedSeconds = info.st_mtim.tv_sec;
    state.modifiedNanoseconds = static_cast<std::uint32_t>(info.st_mtim.tv_nsec);
    state.changedSeconds = info.st_ctim.tv_sec;
    state.changedNanoseconds = static_cast<std::uint32_t>(info.st_ctim.tv_nsec);
    return state;
}

struct stat AsStat(const SourceState& snapshot) {
    struct stat info = {};
    info.st_mode = snapshot.mode;
    info.st_dev = snapshot.device;
    info.st_ino = snapshot.inode;
    info.st_size = snapshot.size;
    info.st_mtim = {snapshot.modifiedSeconds, snapshot.modifiedNanoseconds};
    info.st_ctim = {snapshot.changedSeconds, snapshot.changedNanoseconds};
    return info;
}

bool IsUnchangedSince(const struct stat& snapshot, const struct stat& now) {
    return now.st_dev == snapshot.st_dev && now.st_ino == snapshot.st_ino &&
           IsSameVersion(snapshot, now);
}

bool IsUnchangedSince(const struct stat& snapshot, const std::string& path) {
    struct stat now;
    return lstat(path.c_str(), &now) == 0 && IsUnchangedSince(snapshot, now);
}

bool IsSourceItself(const struct stat& source, const std::string& destination, struct stat* entry) {
    struct stat standing;
    bool exists = lstat(destination.c_str(), &standing) == 0;
    if (entry != nullptr) {
        *entry = {};
        if (exists)
            *entry = standing;
    }
    if (exists && S_ISLNK(standing.st_mode))
        exists = stat(destination.c_str(), &standing) == 0;
    return exists && standing.st_dev == source.st_dev && standing.st_ino == source.st_ino;
}

}  // namespace tunvex
