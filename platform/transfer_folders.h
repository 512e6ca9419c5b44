// Folder helpers of the transfer engine.
#pragma once

#include <sys/types.h>
#include <string>

namespace tunvex {

// The folder part of path: "." when there is none, "/" for a file in the root.
std::string ParentFolder(const std::string& path);

// mkdir -p: creates every missing folder of path with mode (less the umask). 0, or the errno
// of the first element that could not be made (ENOTDIR when a non-folder stands in the way).
int MakeFolders(const std::string& path, mode_t mode);

// Makes the folder's entries (a rename just done) durable. 0 or errno; a file system that
// cannot sync folders counts as success.
int SyncFolder(const std::string& path);

}  // namespace tunvex
