// libFuzzer target: any bytes, saved as a file, must load or be refused without harm.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "mp3infp/mp3infp.h"

namespace {

// The extension only matters where content is ambiguous; the last input byte picks one.
constexpr std::array kExtensions = {"", ".mp3", ".flac", ".tta", ".ape", ".wv", ".mpc", ".wav"};

constexpr std::array kValueNames = {"INAM",    "IART",     "IPRD",     "TRACK",    "INAM_v1",
                                    "IART_v1", "IPRD_v1",  "TRACK_v1", "INAM_v2",  "IART_v2",
                                    "IPRD_v2", "TRACK_v2", "INAM_rmp", "IART_rmp", "IPRD_rmp"};

// A value comes from the input's own bytes, which decoding at most triples, or from a compressed
// ID3v2 frame, which the library inflates to 1 MB at the most.
size_t MaxValueLength(size_t inputSize) {
    constexpr size_t kMaxInflatedFrame = 1 << 20;
    return std::max(inputSize * 4 + 64, kMaxInflatedFrame * 3);
}

std::string InputPath(const uint8_t* data, size_t size) {
    static const std::string base = "/dev/shm/mp3infp-fuzz-" + std::to_string(getpid());
    return base + kExtensions[size > 0 ? data[size - 1] % kExtensions.size() : 0];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = InputPath(data, size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    if (mp3infp_Load(nullptr, path.c_str()) == 0) {
        for (const char* name : kValueNames) {
            char* value = nullptr;
            if (mp3infp_GetValue(name, &value) != 0 && std::strlen(value) > MaxValueLength(size)) {
                __builtin_trap();
            }
        }
    }
    mp3infp_GetType();
    mp3infp_mp3_GetTagType();
    unlink(path.c_str());
    return 0;
}
