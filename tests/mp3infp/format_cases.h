#pragma once

#include <cstdint>
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

}  // namespace tunvex::testing
