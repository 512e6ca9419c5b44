#include "core/files/file_move.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/base/paths.h"
#include "core/base/retry.h"
#include "core/files/file_copy.h"
#include "core/files/folders.h"
#include "core/files/rename.h"

namespace tunvex {
namespace {

// A link is placed as the link (its text, dangling or not); a file as a copy of its bytes.
int PlaceCopy(const std::string& path, const std::string& folder, const std::string& target) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return errno;
    if (S_ISLNK(info.st_mode)) {
        std::string text;
        int error = ReadLinkText(path, text);
        if (error != 0)
            return error;
        return symlink(text.c_str(), target.c_str()) == 0 ? 0 : errno;
    }
    CopySession session;
    StagedCopy staged = CopyToTemporary(path, folder, session, nullptr);
    if (staged.error != 0)
        return staged.error;
    int error = RenameNoReplace(staged.temporaryPath, target);
    if (error != 0)
        unlink(staged.temporaryPath.c_str());
    return error;
}

// Copy, then remove the original.
int CopyThenRemove(const std::string& path, const std::string& target) {
    std::string folder = ParentFolder(target);
    int error = PlaceCopy(path, folder, target);
    if (error != 0)
        return error;
    error = SyncFolder(folder);
    if (error == 0 && RetryOnInterrupt([&] { return unlink(path.c_str()); }) != 0)
        error = errno;
    if (error != 0)
        unlink(target.c_str());
    return error;
}

}  // namespace

int MoveCheckedNoReplace(const std::string& path, const std::string& target,
                         const struct stat& expected) {
    int error = MoveNoReplace(path, target);
    if (error != 0)
        return error;
    struct stat moved;
    if (lstat(target.c_str(), &moved) != 0)
        return errno;
    // A copy (across file systems, or mounts of one) is a new inode: a file with the size and time
    // of what it copied, a link made again with the same text.
    const bool link = S_ISLNK(expected.st_mode);
    const bool same = (moved.st_dev == expected.st_dev && moved.st_ino == expected.st_ino) ||
                      (S_ISLNK(moved.st_mode) == link && moved.st_size == expected.st_size &&
                       (link || (moved.st_mtim.tv_sec == expected.st_mtim.tv_sec &&
                                 moved.st_mtim.tv_nsec == expected.st_mtim.tv_nsec)));
    if (same)
        return 0;
    error = MoveNoReplace(target, path);
    return error == 0 ? ESTALE : error;
}

int ReadLinkText(const std::string& path, std::string& text) {
    text.assign(kMaxPath, '\0');
    ssize_t length = readlink(path.c_str(), text.data(), text.size());
    if (length < 0)
        return errno;
    text.resize(static_cast<std::size_t>(length));
    return 0;
}

int MoveNoReplace(const std::string& path, const std::string& target) {
    int error = RenameNoReplace(path, target);
    return error == EXDEV ? CopyThenRemove(path, target) : error;
}

}  // namespace tunvex
