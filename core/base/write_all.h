#pragma once

#include <cstddef>

namespace tunvex {

// Writes all of data, through short writes. 0 or errno.
int WriteAll(int fd, const char* data, std::size_t size);

}  // namespace tunvex
