#include "core/transfer/emptied_folder_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "core/base/owned_fd.h"
#include "core/files/folders.h"
#include "core/files/no_link_path.h"

namespace tunvex {
namespace {

// The path from the root with "." and empty components dropped; nullopt when it holds "..",
// which only a walk through the links could resolve.
std::optional<std::string> PlainAbsolute(const std::string& path) {
    std::string joined = path;
    if (!path.starts_with('/')) {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr)
            return std::nullopt;
        joined = std::string(cwd) + "/" + path;
    }
    std::string plain;
    std::size_t start = 0;
    while (start < joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        std::string_view part(joined.data() + start, end - start);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            (plain += '/') += part;
        start = end + 1;
    }
    return plain.empty() ? std::nullopt : std::optional(plain);
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    return path;
}

// The dropped folder's real path: the folders above it resolved, links and all, and its own name
// kept, so that a link dropped itself is still one. Past the path limit, or where a folder above
// it cannot be resolved, the path made plain, whose links the removal then refuses. Empty, with
// error set, when there is none.
std::string RealRoot(const std::string& root, int& error) {
    std::string name = root.substr(root.rfind('/') + 1);
    bool ownName = !name.empty() && name != "." && name != "..";
    std::string resolve = ownName ? ParentFolder(root) : root;
    if (char* resolved = realpath(resolve.c_str(), nullptr)) {
        std::string real = resolved;
        std::free(resolved);
        if (ownName)
            real += (real == "/" ? "" : "/") + name;
        return real;
    }
    error = errno;
    return PlainAbsolute(root).value_or(std::string());
}

std::size_t Depth(const std::string& path) {
    return static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
}

bool IsPlacedOutcome(FileOutcome outcome) {
    return outcome == FileOutcome::Transferred || outcome == FileOutcome::Renamed ||
           outcome == FileOutcome::Replaced;
}

// Something is mounted on the folder (parent: the one that holds it): another file system, or a
// bind mount of the same one.
bool IsMountPoint(int parent, const char* name, const struct stat& folder,
                  const struct stat& above) {
    if (folder.st_dev != above.st_dev)
        return true;
#ifdef STATX_ATTR_MOUNT_ROOT
    struct statx extended;
    if (statx(parent, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, 0, &extended) == 0 &&
        (extended.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0)
        return (extended.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#endif
    return false;
}

// Whether the folder holds anything; nullopt when it cannot be read (its removal will tell).
std::optional<bool> HoldsSomething(int parent, const char* name) {
    int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* listing = fd < 0 ? nullptr : fdopendir(fd);
    if (listing == nullptr) {
        if (fd >= 0)
            close(fd);
        return std::nullopt;
    }
    bool holds = false;
    while (const struct dirent* entry = readdir(listing)) {
        std::string_view entryName = entry->d_name;
        if (entryName != "." && entryName != "..") {
            holds = true;
            break;
        }
    }
    closedir(listing);
    return holds;
}

// The names of the extended attributes at path (a link not followed), or the errno.
int ListAttributes(const std::string& path, std::string& names) {
    for (;;) {
        ssize_t size = llistxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? 0 : errno;
        names.assign(static_cast<std::size_t>(size), '\0');
        size = llistxattr(path.c_str(), names.data(), names.size());
        if (size >= 0) {
            names.resize(static_cast<std::size_t>(size));
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
}

// What of the folder an undo, which makes it again with mkdir and its mode, could not give
// back: an owner or a group other than a new folder gets there, an ACL, user extended
// attributes. Empty when nothing.
FailureReason WhatAnUndoLoses(const PinnedEntry& pinned, const struct stat& folder,
                              const struct stat& above) {
    if (folder.st_uid != geteuid())
        return {FailureKind::FolderOfAnotherUser};
    gid_t newGroup = (above.st_mode & S_ISGID) != 0 ? above.st_gid : getegid();
    if (folder.st_gid != newGroup)
        return {FailureKind::FolderOfAnotherGroup};
    std::string names;
    int error = ListAttributes(pinned.Path(), names);
    if (error != 0)
        return {FailureKind::FolderNotRemoved, error};
    bool extended = false;
    for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
        std::string_view attribute = names.c_str() + at;
        if (attribute == "system.posix_acl_access" || attribute == "system.posix_acl_default")
            return {FailureKind::FolderHasAcl};
        extended = extended || attribute.starts_with("user.");
    }
    if (extended)
        return {FailureKind::FolderHasExtendedAttributes};
    return {};
}

enum class Removal { Removed, Gone, Kept };

// Removes the folder at real, as removal says; folder gets what it was, why what it kept.
Removal RemoveFolder(FolderPins& pins, const std::string& real, struct stat& folder,
                     FailureReason& why) {
    PinnedEntry pinned;
    int error = pins.Pin(real, pinned);
    if (error == 0 &&
        fstatat(pinned.folder.get(), pinned.name.c_str(), &folder, AT_SYMLINK_NOFOLLOW) != 0)
        error = errno;
    if (error == ENOENT || error == ENOTDIR ||
        (error == 0 && !S_ISDIR(folder.st_mode) && !S_ISLNK(folder.st_mode)))
        return Removal::Gone;
    struct stat above;
    if (error == 0 && fstat(pinned.folder.get(), &above) != 0)
        error = errno;
    if (error == ELOOP || (error == 0 && S_ISLNK(folder.st_mode))) {
        why = {FailureKind::FolderLinkOnPath};
    } else if (error != 0) {
        why = {FailureKind::FolderNotRemoved, error};
    } else if (IsMountPoint(pinned.folder.get(), pinned.name.c_str(), folder, above)) {
        why = {FailureKind::FolderIsMountPoint};
    } else if (HoldsSomething(pinned.folder.get(), pinned.name.c_str()).value_or(false)) {
        why = {FailureKind::FolderNotEmpty};
    } else {
        why = WhatAnUndoLoses(pinned, folder, above);
    }
    if (!why.empty())
        return Removal::Kept;
    if (unlinkat(pinned.folder.get(), pinned.name.c_str(), AT_REMOVEDIR) == 0)
        return Removal::Removed;
    error = errno;
    if (error == ENOENT)
        return Removal::Gone;
    if (error == ENOTEMPTY || error == EEXIST)
        why = {FailureKind::FolderNotEmpty};
    else if (error == EBUSY)
        why = {FailureKind::FolderIsMountPoint};
    else
        why = {FailureKind::FolderNotRemoved, error};
    return Removal::Kept;
}

}  // namespace

void MovedFromFolders::OnFileDone(const FileReport& report) {
    if (keeping_ && IsPlacedOutcome(report.outcome))
        folders_.insert(ParentFolder(report.source));
    delegate_.OnFileDone(report);
}

EmptiedFolderRemoval::EmptiedFolderRemoval(const std::vector<FolderToRemove>& candidates) {
    struct Root {
        std::string real;
        int error = 0;
    };
    std::unordered_map<std::string, Root> roots;
    std::unordered_map<std::string, std::size_t> byReal;
    for (const FolderToRemove& candidate : candidates) {
        std::string root = WithoutTrailingSlashes(candidate.root);
        auto found = roots.find(root);
        if (found == roots.end()) {
            Root resolved;
            resolved.real = RealRoot(root, resolved.error);
            found = roots.emplace(root, std::move(resolved)).first;
        }
        const std::string& path = candidate.path;
        bool inRoot = root != "/" && path.starts_with(root) &&
                      (path.size() == root.size() || path[root.size()] == '/');
        Folder folder{{}, {path}, found->second.error};
        if (!inRoot)
            folder.error = EINVAL;
        else if (!found->second.real.empty())
            folder.real = found->second.real + path.substr(root.size());
        // Two spellings of one folder (d, d/../d) are one: it is looked at and reported once.
        auto [known, added] =
            byReal.emplace(folder.real.empty() ? '\0' + path : folder.real, folders_.size());
        if (added)
            folders_.push_back(std::move(folder));
        else
            folders_[known->second].spellings.push_back(path);
    }
    auto key = [](const Folder& folder) -> const std::string& {
        return folder.real.empty() ? folder.spellings.front() : folder.real;
    };
    std::stable_sort(folders_.begin(), folders_.end(), [&](const Folder& a, const Folder& b) {
        return Depth(key(a)) > Depth(key(b));
    });
    // Before any file leaves them: a folder emptied gets its time when it is emptied, and so
    // does the one that held it when it goes.
    FolderPins pins;
    for (const Folder& folder : folders_) {
        if (folder.real.empty())
            continue;
        for (const std::string& path : {folder.real, ParentFolder(folder.real)}) {
            PinnedEntry pinned;
            struct stat info;
            if (!timesBefore_.contains(path) && pins.Pin(path, pinned) == 0 &&
                fstatat(pinned.folder.get(), pinned.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) ==
                    0 &&
                S_ISDIR(info.st_mode))
                timesBefore_.emplace(path, info.st_mtim);
        }
    }
}

std::size_t EmptiedFolderRemoval::Remove(const std::unordered_set<std::string>& movedFrom,
                                         TransferJournal& journal, std::vector<KeptFolder>& kept) {
    std::unordered_set<std::string> emptiedFrom;
    std::vector<std::string> removed;
    FolderPins pins;
    for (const Folder& folder : folders_) {
        bool movedOut = (!folder.real.empty() && emptiedFrom.contains(folder.real)) ||
                        std::ranges::any_of(folder.spellings, [&](const std::string& path) {
                            return movedFrom.contains(path);
                        });
        if (!movedOut)
            continue;
        struct stat info = {};
        FailureReason why;
        Removal removal = Removal::Kept;
        if (folder.real.empty())
            why = {FailureKind::FolderNotRemoved, folder.error};
        else
            removal = RemoveFolder(pins, folder.real, info, why);
        if (removal == Removal::Kept)
            kept.push_back({folder.spellings.front(), std::move(why)});
        if (removal != Removal::Removed)
            continue;
        auto before = timesBefore_.find(folder.real);
        journal.FolderRemoved(folder.real, info.st_mode,
                              before != timesBefore_.end() ? before->second : info.st_mtim);
        emptiedFrom.insert(ParentFolder(folder.real));
        removed.push_back(folder.real);
    }
    // The folder that held the topmost of them gets its time back too.
    std::unordered_set<std::string> gone(removed.begin(), removed.end());
    for (const std::string& folder : removed) {
        std::string parent = ParentFolder(folder);
        auto before = timesBefore_.find(parent);
        if (!gone.contains(parent) && before != timesBefore_.end())
            journal.FolderTimeBefore(parent, before->second);
    }
    journal.Sync();
    return removed.size();
}

}  // namespace tunvex
