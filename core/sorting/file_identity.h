// A file or folder by what it is, whatever path spells it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <unordered_set>

namespace tunvex {

struct Identity {
    dev_t device;
    ino_t inode;
    bool operator==(const Identity&) const = default;
};

struct IdentityHash {
    std::size_t operator()(const Identity& id) const {
        return std::hash<ino_t>()(id.inode) ^ (std::hash<dev_t>()(id.device) << 1);
    }
};

using Identities = std::unordered_set<Identity, IdentityHash>;

}  // namespace tunvex
