#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "audio_fixtures.h"

namespace tunvex::testing {

// One audio format the library reads, with a fixture writer for it.
struct FormatCase {
    const char* name;
    const char* fileName;
    void (*write)(const std::string& path, const fixtures::TagValues& values);
    uint32_t type;
};

std::span<const FormatCase> AllFormats();

// Names the case in test listings instead of dumping its bytes.
inline void PrintTo(const FormatCase& format, std::ostream* out) {
    *out << format.name;
}

}  // namespace tunvex::testing
