// Polls a condition instead of sleeping a fixed time: a busy machine gets the whole timeout.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace tunvex::testing {

// True once done() holds; false when it still does not after timeout.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return true;
}

}  // namespace tunvex::testing
