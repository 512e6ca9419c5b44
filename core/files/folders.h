// Folder helpers of the transfer engine.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <unordered_map>

namespace tunvex {

// The folder part of path: "." when there is none, "/" for a file in the root.
std::string ParentFolder(const std::string& path);

// mkdir -p: creates every missing folder of path with mode (less the umask). 0, or the errno
// of the first element that could not be made (ENOTDIR when a non-folder stands in the way).
int MakeFolders(const std::string& path, mode_t mode);

// A folder one request has made or found, looked at once.
struct KnownFolder {
    dev_t device = 0;
    bool made = false;  // by MakeKnownFolders, not found there
};
using KnownFolders = std::unordered_map<std::string, KnownFolder>;

// MakeFolders remembering what it learns in known; device gets the folder's file system.
// made is told each folder it makes, parents first.
int MakeKnownFolders(KnownFolders& known, const std::string& path, mode_t mode, dev_t& device,
                     const std::function<void(const std::string&)>& made = nullptr);

// Makes the folder's entries (a rename just done) durable. 0 or errno; a file system that
// cannot sync folders counts as success.
int SyncFolder(const std::string& path);

// One open folder per file system a request writes to, each opened before the first write
// there, so that syncfs reports every write-back error of the request's data.
class FileSystemHandles {
  public:
    FileSystemHandles() = default;
    FileSystemHandles(const FileSystemHandles&) = delete;
    FileSystemHandles& operator=(const FileSystemHandles&) = delete;
    ~FileSystemHandles();

    // Opens folder for its device unless one is open already, and judges its file system.
    // 0 or errno.
    int Open(dev_t device, const std::string& folder);
    // Makes everything written to the device durable: data, new names and folders alike.
    // 0 or errno; errors already told by an earlier call are not told again.
    int Sync(dev_t device) const;
    // True where syncfs does not make data durable: FUSE and network file systems, whose
    // servers learn of it only from the fsync of each file and folder.
    bool SyncsEachFile(dev_t device) const;

  private:
    struct FileSystem {
        int folder;
        bool syncsEachFile;
    };
    std::unordered_map<dev_t, FileSystem> fileSystems_;
};

}  // namespace tunvex
