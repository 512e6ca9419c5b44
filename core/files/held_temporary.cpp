#include "core/files/held_temporary.h"

#include <mutex>
#include <set>
#include <utility>

namespace tunvex {
namespace {

// A batch holds a few hundred at most: a sorted set under one lock costs nothing beside a copy.
struct Registry {
    std::mutex lock;
    std::multiset<std::pair<dev_t, ino_t>> held;
};

Registry& Held() {
    static Registry registry;
    return registry;
}

}  // namespace

HeldTemporary::HeldTemporary(OwnedFd lock, const struct stat& file)
    : lock_(std::move(lock)), device_(file.st_dev), inode_(file.st_ino) {
    if (inode_ == 0)
        return;
    std::lock_guard hold(Held().lock);
    Held().held.emplace(device_, inode_);
}

HeldTemporary::HeldTemporary(HeldTemporary&& other) noexcept
    : lock_(std::move(other.lock_)),
      device_(std::exchange(other.device_, 0)),
      inode_(std::exchange(other.inode_, 0)) {}

HeldTemporary& HeldTemporary::operator=(HeldTemporary&& other) noexcept {
    if (this != &other) {
        Reset();
        lock_ = std::move(other.lock_);
        device_ = std::exchange(other.device_, 0);
        inode_ = std::exchange(other.inode_, 0);
    }
    return *this;
}

void HeldTemporary::Reset() {
    if (inode_ != 0) {
        std::lock_guard hold(Held().lock);
        auto entry = Held().held.find({device_, inode_});
        if (entry != Held().held.end())
            Held().held.erase(entry);
    }
    device_ = 0;
    inode_ = 0;
    lock_.Reset();
}

bool IsHeldTemporary(const struct stat& file) {
    std::lock_guard hold(Held().lock);
    return Held().held.contains({file.st_dev, file.st_ino});
}

}  // namespace tunvex
