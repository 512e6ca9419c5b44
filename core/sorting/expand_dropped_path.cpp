#include "core/sorting/expand_dropped_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <set>
#include <utility>

#include "core/base/paths.h"

namespace tunvex {
namespace {

using FolderIdentity = std::pair<dev_t, ino_t>;

struct FolderEntry {
    std::string path;
    bool isFolder;
};

bool IsFolderEntry(const std::string& path, unsigned char type) {
    if (type == DT_DIR)
        return true;
    if (type == DT_REG)
        return false;
    return IsDirectory(path);  // links and file systems that give no type
}

// Reads the whole listing first, so that no folder stays open while its subfolders are
// searched: a deep tree never runs out of file descriptors.
bool ListFolder(const std::string& path, FolderIdentity& identity,
                std::vector<FolderEntry>& entries) {
    DIR* folder = opendir(path.c_str());
    if (!folder)
        return false;
    struct stat info;
    if (fstat(dirfd(folder), &info) != 0) {
        closedir(folder);
        return false;
    }
    identity = {info.st_dev, info.st_ino};
    std::string prefix = path;
    if (!EndsWithChar(CodePage::Utf8, prefix, kPathSeparator))
        prefix += kPathSeparator;
    while (dirent* entry = readdir(folder)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string child = prefix + entry->d_name;
        bool isFolder = IsFolderEntry(child, entry->d_type);
        entries.push_back({std::move(child), isFolder});
    }
    closedir(folder);
    return true;
}

struct Expansion {
    std::set<FolderIdentity> entered;
    PathColumn files;
    std::vector<UnreadableFolder>* unreadable;
};

void ExpandFolder(const std::string& path, Expansion& expansion) {
    FolderIdentity identity;
    std::vector<FolderEntry> entries;
    if (!ListFolder(path, identity, entries)) {
        if (expansion.unreadable != nullptr)
            expansion.unreadable->push_back({path, errno});
        return;
    }
    if (!expansion.entered.insert(identity).second)
        return;
    for (FolderEntry& entry : entries) {
        if (entry.isFolder) {
            ExpandFolder(entry.path, expansion);
        } else {
            expansion.files.push_back(entry.path);
        }
    }
}

}  // namespace

PathColumn ExpandDroppedPath(const std::string& path, std::vector<UnreadableFolder>* unreadable) {
    Expansion expansion{{}, {}, unreadable};
    if (!IsDirectory(path)) {
        expansion.files.push_back(path);
        return std::move(expansion.files);
    }
    ExpandFolder(path, expansion);
    return std::move(expansion.files);
}

}  // namespace tunvex
