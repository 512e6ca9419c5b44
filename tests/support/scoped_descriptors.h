// Few descriptors for a test: RLIMIT_NOFILE binds root too.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>

#include <cstddef>
#include <vector>

#include "core/base/owned_fd.h"

namespace tunvex::testing {

// Holds held descriptors open and leaves spare more to open, for the life of the object.
class ScopedDescriptors {
  public:
    ScopedDescriptors(std::size_t held, rlim_t spare) {
        for (std::size_t i = 0; i < held; ++i)
            held_.emplace_back(open("/", O_PATH | O_CLOEXEC));
        getrlimit(RLIMIT_NOFILE, &saved_);
        OwnedFd lowestFree(open("/", O_PATH | O_CLOEXEC));
        const struct rlimit lowered = {static_cast<rlim_t>(lowestFree.get()) + spare,
                                       saved_.rlim_max};
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~ScopedDescriptors() { setrlimit(RLIMIT_NOFILE, &saved_); }
    ScopedDescriptors(const ScopedDescriptors&) = delete;
    ScopedDescriptors& operator=(const ScopedDescriptors&) = delete;

  private:
    std::vector<OwnedFd> held_;
    struct rlimit saved_ = {};
};

}  // namespace tunvex::testing
