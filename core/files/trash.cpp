#include "core/files/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "core/base/paths.h"
#include "core/base/retry.h"
#include "core/base/user_folders.h"
#include "core/base/write_all.h"
#include "core/files/file_move.h"
#include "core/files/folders.h"
#include "core/files/names.h"
#include "core/files/rename.h"

namespace tunvex {
namespace {

constexpr unsigned kMaxNameAttempts = 10000;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// An entry name leaves room for its info suffix and for " (10000)".
constexpr std::size_t kMaxEntryLength = kMaxNameLength - kInfoSuffix.size() - 8;

// Absolute, with the folder's links resolved, so that a restore finds the place again.
int OriginalLocation(const std::string& path, std::string& location) {
    char folder[PATH_MAX];
    if (realpath(ParentFolder(path).c_str(), folder) == nullptr)
        return errno;
    std::string name = path;
    StripToFileName(SystemCodePage(), name);
    location = std::string(folder) + (folder[1] == '\0' ? "" : "/") + name;
    return 0;
}

std::string EscapeForUrl(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (char byte : path) {
        const auto c = static_cast<unsigned char>(byte);
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            escaped += static_cast<char>(c);
        } else {
            escaped += '%';
            escaped += kHex[c >> 4];
            escaped += kHex[c & 0xF];
        }
    }
    return escaped;
}

std::string LocalTimestamp() {
    std::time_t now = std::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Creating the info file with O_EXCL is what reserves a trash name. 0, EEXIST or errno.
int WriteInfo(const std::string& infoPath, const std::string& location) {
    int fd = RetryOnInterrupt(
        [&] { return open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); });
    if (fd < 0)
        return errno;
    std::string text = "[Trash Info]\nPath=" + EscapeForUrl(location) +
                       "\nDeletionDate=" + LocalTimestamp() + "\n";
    int error = WriteAll(fd, text.data(), text.size());
    if (error == 0 && RetryOnInterrupt([&] { return fsync(fd); }) != 0)
        error = errno;
    close(fd);
    if (error != 0)
        unlink(infoPath.c_str());
    return error;
}

int MoveIntoTrash(const std::string& path, const std::string& filesFolder,
                  const std::string& target, const struct stat* expected) {
    int error = expected != nullptr ? MoveCheckedNoReplace(path, target, *expected)
                                    : MoveNoReplace(path, target);
    if (error == 0)
        SyncFolder(filesFolder);
    return error;
}

}  // namespace

std::string TrashFolder() {
    std::string dataHome = XdgFolder("XDG_DATA_HOME", ".local/share");
    return dataHome.empty() ? "" : dataHome + "/Trash";
}

int MoveToTrash(const std::string& path, std::string* trashedPath,
                const std::function<void(const std::string&)>& beforeMove,
                const struct stat* expected) {
    std::string trash = TrashFolder();
    if (trash.empty())
        return ENOENT;
    std::string filesFolder = trash + "/files";
    std::string infoFolder = trash + "/info";
    int error = MakeFolders(filesFolder, 0700);
    if (error == 0)
        error = MakeFolders(infoFolder, 0700);
    std::string location;
    if (error == 0)
        error = OriginalLocation(path, location);
    if (error != 0)
        return error;
    std::string name = location;
    StripToFileName(SystemCodePage(), name);
    LimitFileNameLength(SystemCodePage(), name, kMaxEntryLength);
    for (unsigned attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        std::string entry = attempt == 1 ? name : NumberedName(SystemCodePage(), name, attempt);
        std::string infoPath = infoFolder + "/" + entry + std::string(kInfoSuffix);
        error = WriteInfo(infoPath, location);
        if (error == EEXIST)
            continue;
        if (error != 0)
            return error;
        std::string target = filesFolder + "/" + entry;
        struct stat taken;
        if (lstat(target.c_str(), &taken) == 0) {
            // An entry whose info is gone: not ours to name again.
            unlink(infoPath.c_str());
            continue;
        }
        if (beforeMove)
            beforeMove(target);
        error = MoveIntoTrash(path, filesFolder, target, expected);
        if (error == 0) {
            if (trashedPath != nullptr)
                *trashedPath = target;
            return 0;
        }
        // Not tried again under another name: what beforeMove wrote down must stay the one place.
        unlink(infoPath.c_str());
        return error;
    }
    return EEXIST;
}

std::string TrashInfoPath(const std::string& trashedPath) {
    std::string name = trashedPath;
    StripToFileName(SystemCodePage(), name);
    return ParentFolder(ParentFolder(trashedPath)) + "/info/" + name + std::string(kInfoSuffix);
}

int RestoreFromTrash(const std::string& trashedPath, const std::string& destination) {
    int error = MoveNoReplace(trashedPath, destination);
    if (error == 0)
        unlink(TrashInfoPath(trashedPath).c_str());
    return error;
}

}  // namespace tunvex
