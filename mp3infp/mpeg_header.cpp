#include "mpeg_header.h"

#include <array>

namespace mp3infp {
namespace {

enum class Version { Mpeg1, Mpeg2, Mpeg25 };

// Kilobits per second by [mpeg1 ? 0 : 1][layer - 1][index].
constexpr std::array<std::array<std::array<int, 15>, 3>, 2> kBitrates = {{
    {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}},
    {{{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}},
}};

constexpr std::array<int, 3> kMpeg1SampleRates = {44100, 48000, 32000};

bool IsTagStart(std::string_view bytes) {
    return bytes.starts_with("TAG") || bytes.starts_with("ID3") || bytes.starts_with("APETAGEX") ||
           bytes.starts_with("LYRICS");
}

}  // namespace

std::optional<size_t> MpegFrameLength(std::string_view bytes) {
    if (bytes.size() < 4) {
        return std::nullopt;
    }
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    const auto b2 = static_cast<unsigned char>(bytes[2]);
    if (static_cast<unsigned char>(bytes[0]) != 0xFF || (b1 & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const int versionBits = (b1 >> 3) & 0x03;
    const int layer = 4 - ((b1 >> 1) & 0x03);
    const unsigned bitrateIndex = b2 >> 4;
    const unsigned sampleRateIndex = (b2 >> 2) & 0x03;
    if (versionBits == 1 || layer == 4 || bitrateIndex == 15 || sampleRateIndex == 3) {
        return std::nullopt;
    }
    const Version version = versionBits == 3   ? Version::Mpeg1
                            : versionBits == 2 ? Version::Mpeg2
                                               : Version::Mpeg25;
    if (bitrateIndex == 0) {
        return 0;
    }
    const bool mpeg1 = version == Version::Mpeg1;
    const long bitrate =
        kBitrates[mpeg1 ? 0 : 1][static_cast<size_t>(layer - 1)][bitrateIndex] * 1000L;
    const int divisor = mpeg1 ? 1 : version == Version::Mpeg2 ? 2 : 4;
    const long sampleRate = kMpeg1SampleRates[sampleRateIndex] / divisor;
    const int padding = (b2 >> 1) & 0x01;
    if (layer == 1) {
        return static_cast<size_t>((12 * bitrate / sampleRate + padding) * 4);
    }
    const long samplesPerEighth = (layer == 3 && !mpeg1) ? 72 : 144;
    return static_cast<size_t>(samplesPerEighth * bitrate / sampleRate + padding);
}

bool StartsWithMpegAudio(std::string_view bytes) {
    const auto length = MpegFrameLength(bytes);
    if (!length) {
        return false;
    }
    if (*length == 0 || *length >= bytes.size()) {
        return true;
    }
    const std::string_view next = bytes.substr(*length);
    return MpegFrameLength(next).has_value() || IsTagStart(next) || next.size() < 4;
}

}  // namespace mp3infp
