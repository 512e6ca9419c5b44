// System calls retried on EINTR: a signal (the CLI's SIGINT handler) must never turn into a
// failed or half-done write; the cancel it asks for is honoured at the next poll instead.
#pragma once

#include <cerrno>

namespace tunvex {

template <typename Call>
auto RetryOnInterrupt(Call call) {
    auto result = call();
    while (result == -1 && errno == EINTR)
        result = call();
    return result;
}

}  // namespace tunvex
