#include "core/base/write_all.h"

#include <unistd.h>

#include <cerrno>

#include "core/base/retry.h"

namespace tunvex {

int WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t put = RetryOnInterrupt([&] { return write(fd, data, size); });
        if (put < 0)
            return errno;
        if (put == 0)
            return EIO;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return 0;
}

}  // namespace tunvex
