// Reaching what a path names without following a link on the way: the undo acts only on what the
// run made, and a folder swapped for a link since then must not lead it anywhere else.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <unordered_map>

#include "core/base/owned_fd.h"

namespace tunvex {

// The folder at an absolute path, opened as a handle (O_PATH) from the root one component at a
// time, none of them a link, itself included. With create, missing folders are made with mode.
// 0 or errno: ELOOP when a link stands on the way, ENOTDIR when something else does.
int OpenFolderNoLinks(const std::string& path, OwnedFd& folder, bool create = false,
                      mode_t mode = 0777);

// An entry of a folder reached without links, and a path to it that walks no folder again
// (through /proc/self/fd), for the calls that take a path.
struct PinnedEntry {
    OwnedFd folder;
    std::string name;
    std::string original;  // the path pinned: what Path gives where /proc is not mounted
    std::string Path() const;
};

// Pins the last components of absolute paths, their folders reached as OpenFolderNoLinks does
// and kept (a bounded number): an undo goes through the same few folders file after file. The
// bound leaves most of the descriptors still free to others.
class FolderPins {
  public:
    FolderPins();
    // 0 or errno. Out of descriptors, it lets the kept folders go and tries once more.
    int Pin(const std::string& path, PinnedEntry& entry, bool createFolders = false);

  private:
    int PinFolder(const std::string& folder, OwnedFd& handle, bool createFolders);

    std::size_t foldersKept_;
    std::unordered_map<std::string, OwnedFd> folders_;
};

// A path that is absolute and holds no "." or ".." component: what a record of a run may name.
bool IsPlainAbsolutePath(const std::string& path);

}  // namespace tunvex
