// Which mount a folder is on, named so that the name outlives the mount: device numbers do not
// (FUSE and btrfs give new ones at each mount), and an unmounted disk leaves its bare mount point
// on the file system below, with a device number of its own.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tunvex {

struct MountName {
    std::string name;  // type, source, the mount's root and mount point; empty when unknown
    std::string type;  // as the kernel names it: "ext4", "vfat", "fuseblk"...
};

// Whether a file keeps its inode number from one mount to the next: FAT and exFAT number theirs
// as they are read, and so do most FUSE file systems.
bool KeepsInodeNumbers(const std::string& type);

// Reads /proc/self/mountinfo once, at the first question.
class Mounts {
  public:
    // The mount that holds folder (absolute, no link on its path), whose files have device.
    MountName Of(const std::string& folder, dev_t device);

  private:
    struct Mount {
        dev_t device;
        std::string point;
        MountName name;
    };
    void Read();

    bool read_ = false;
    std::vector<Mount> mounts_;
};

}  // namespace tunvex
