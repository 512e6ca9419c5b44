#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace mp3infp {

// The number stored in bytes (at most eight), most significant byte first.
inline uint64_t BigEndianNumber(std::string_view bytes) {
    uint64_t value = 0;
    for (const char c : bytes.substr(0, 8)) {
        value = (value << 8) | static_cast<unsigned char>(c);
    }
    return value;
}

// The number stored in bytes (at most eight), least significant byte first.
inline uint64_t LittleEndianNumber(std::string_view bytes) {
    uint64_t value = 0;
    for (size_t i = std::min<size_t>(bytes.size(), 8); i > 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i - 1]);
    }
    return value;
}

}  // namespace mp3infp
