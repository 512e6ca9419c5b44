// Folders nested past the path limit, made and removed through descriptors.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "core/base/owned_fd.h"

namespace tunvex::testing {

// Removes everything in the folder open as fd, however deep.
inline void EmptyFolderAt(int fd) {
    DIR* dir = fdopendir(dup(fd));
    for (dirent* entry; dir != nullptr && (entry = readdir(dir)) != nullptr;) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || unlinkat(fd, name.c_str(), 0) == 0)
            continue;
        OwnedFd inner(openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (inner.get() >= 0)
            EmptyFolderAt(inner.get());
        unlinkat(fd, name.c_str(), AT_REMOVEDIR);
    }
    if (dir != nullptr)
        closedir(dir);
}

// Nested under base until the path has length bytes, the deepest open; all removed when it goes.
class DeepFolder {
  public:
    DeepFolder(const std::string& base, std::size_t length) : base_(base), path_(base) {
        deepest_ = OwnedFd(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        while (path_.size() < length) {
            std::string name(std::min<std::size_t>(200, length - path_.size() - 1), 'd');
            mkdirat(deepest_.get(), name.c_str(), 0755);
            deepest_ =
                OwnedFd(openat(deepest_.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            path_ += "/" + name;
            if (top_.empty())
                top_ = name;
        }
    }
    ~DeepFolder() {
        OwnedFd base(open(base_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        OwnedFd top(openat(base.get(), top_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (top.get() >= 0)
            EmptyFolderAt(top.get());
        unlinkat(base.get(), top_.c_str(), AT_REMOVEDIR);
    }
    DeepFolder(const DeepFolder&) = delete;
    DeepFolder& operator=(const DeepFolder&) = delete;
    const std::string& path() const { return path_; }
    int fd() const { return deepest_.get(); }

  private:
    std::string base_, path_, top_;
    OwnedFd deepest_;
};

}  // namespace tunvex::testing
