// The temporaries this process holds. A sweep of stale temporaries never takes one of them, even
// where the lock that marks it live cannot be seen: FUSE file systems, and FAT or exFAT, where
// two spellings of a folder are one folder and a lock taken under one name is not seen under the
// other.
#pragma once

#include <sys/stat.h>

#include "core/base/owned_fd.h"

namespace tunvex {

class HeldTemporary {
  public:
    HeldTemporary() = default;
    // lock: a descriptor that holds the temporary's lock; file: the temporary as fstat saw it
    // (st_ino 0: not complete, nothing to hold).
    HeldTemporary(OwnedFd lock, const struct stat& file);
    HeldTemporary(HeldTemporary&& other) noexcept;
    HeldTemporary& operator=(HeldTemporary&& other) noexcept;
    HeldTemporary(const HeldTemporary&) = delete;
    HeldTemporary& operator=(const HeldTemporary&) = delete;
    ~HeldTemporary() { Reset(); }

    int get() const { return lock_.get(); }
    // Lets the temporary go: its lock, and its place among those this process holds.
    void Reset();

  private:
    OwnedFd lock_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// Whether this process holds the temporary that is this file.
bool IsHeldTemporary(const struct stat& file);

}  // namespace tunvex
