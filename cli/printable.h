#pragma once

#include <string>

namespace tunvex {

// path with every control character written as \xNN, so that a file name cannot break the
// one-line-per-file output or send commands to a terminal.
std::string Printable(const std::string& path);

}  // namespace tunvex
