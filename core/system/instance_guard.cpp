#include "core/system/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tunvex {
namespace {

std::string LockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::string(runtime) + "/" + name + ".lock";
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    return folder + "/" + name + "-" + std::to_string(getuid()) + ".lock";
}

}  // namespace

InstanceGuard::InstanceGuard(const std::string& name) {
    // O_NOFOLLOW: a link planted in a shared temp folder must not point the lock elsewhere.
    fd_ = open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0)
        return;
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = GuardState::Taken;
    } else if (errno == EWOULDBLOCK) {
        state_ = GuardState::AlreadyHeld;
    }
}

InstanceGuard::~InstanceGuard() {
    if (fd_ >= 0)
        close(fd_);
}

}  // namespace tunvex
