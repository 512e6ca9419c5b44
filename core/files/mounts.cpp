#include "core/files/mounts.h"

#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tunvex {
namespace {

// mountinfo writes a space, a tab, a line break and a backslash in a field as \ooo.
std::string Unescaped(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        bool octal = field[i] == '\\' && i + 3 < field.size();
        if (octal) {
            int value = 0;
            for (std::size_t digit = 1; digit <= 3 && octal; ++digit) {
                char c = field[i + digit];
                octal = c >= '0' && c <= '7';
                value = value * 8 + (c - '0');
            }
            if (octal) {
                text += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

bool HoldsPath(const std::string& point, const std::string& path) {
    if (point == "/")
        return true;
    return path.starts_with(point) && (path.size() == point.size() || path[point.size()] == '/');
}

}  // namespace

bool KeepsInodeNumbers(const std::string& type) {
    return type != "vfat" && type != "msdos" && type != "exfat" && type != "fuseblk" &&
           !type.starts_with("fuse.") && type != "fuse";
}

void Mounts::Read() {
    read_ = true;
    std::ifstream info("/proc/self/mountinfo");
    std::string line;
    while (std::getline(info, line)) {
        // ID PARENT MAJOR:MINOR ROOT POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point, field, type, source;
        fields >> id >> parent >> numbers >> root >> point;
        while (fields >> field && field != "-") {
        }
        fields >> type >> source;
        unsigned major = 0, minor = 0;
        if (type.empty() || std::sscanf(numbers.c_str(), "%u:%u", &major, &minor) != 2)
            continue;
        Mount mount{makedev(major, minor), Unescaped(point), {}};
        mount.name = {type + " " + Unescaped(source) + " " + Unescaped(root) + " " + mount.point,
                      type};
        mounts_.push_back(std::move(mount));
    }
}

// The deepest mount point over folder with the folder's device; a btrfs subvolume that is not
// mounted on its own has a device no mount shows, and counts as part of the mount over it.
MountName Mounts::Of(const std::string& folder, dev_t device) {
    if (!read_)
        Read();
    const Mount* best = nullptr;
    const Mount* bestOfDevice = nullptr;
    for (const Mount& mount : mounts_) {
        if (!HoldsPath(mount.point, folder))
            continue;
        if (best == nullptr || mount.point.size() >= best->point.size())
            best = &mount;
        if (mount.device == device &&
            (bestOfDevice == nullptr || mount.point.size() >= bestOfDevice->point.size()))
            bestOfDevice = &mount;
    }
    if (bestOfDevice != nullptr)
        return bestOfDevice->name;
    return best != nullptr ? best->name : MountName{};
}

}  // namespace tunvex
