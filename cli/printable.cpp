#include "cli/printable.h"

#include <cstdio>

namespace tunvex {

std::string Printable(const std::string& path) {
    std::string printable;
    printable.reserve(path.size());
    for (unsigned char c : path) {
        if (c < 0x20 || c == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            printable += escaped;
        } else {
            printable += static_cast<char>(c);
        }
    }
    return printable;
}

}  // namespace tunvex
