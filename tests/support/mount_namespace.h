// A mount namespace of the test process's own, for tests that mount.
#pragma once

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace tunvex {

// Moves this test process into a mount namespace of its own, so that what it mounts is seen by
// no one else and goes when it ends. Empty, or why it cannot (a process that runs threads
// already, say).
inline std::string EnterPrivateMountNamespace() {
    static const std::string whyNot = []() -> std::string {
        if (unshare(CLONE_NEWNS) != 0)
            return std::string("cannot make a mount namespace: ") + std::strerror(errno);
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("cannot make the mounts private: ") + std::strerror(errno);
        return {};
    }();
    return whyNot;
}

}  // namespace tunvex
