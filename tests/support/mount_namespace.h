// A mount namespace of the test process's own, for tests that mount.
#pragma once

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace tunvex {

// Into a mount namespace of this process's own; empty, or why not (threads running, say).
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
