#include "legacy_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "shift_jis.h"

namespace mp3infp {
namespace {

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the strict UTF-8 sequence at bytes[i] (no overlong forms, surrogates or code points
// past U+10FFFF); 0 when none starts there.
size_t Utf8SequenceLength(std::string_view bytes, size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) {
        return 0;
    }
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (second < low || second > high) {
        return 0;
    }
    for (size_t k = 2; k < length; ++k) {
        if (!IsContinuation(static_cast<unsigned char>(bytes[i + k]))) {
            return 0;
        }
    }
    return length;
}

bool IsUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

bool HasUtf8MultiByteSequence(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (Utf8SequenceLength(bytes, i) > 1) {
            return true;
        }
    }
    return false;
}

void AppendCodePoint(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Windows-1252; its five undefined bytes keep their Latin-1 control code points.
std::string Windows1252ToUtf8(std::string_view bytes) {
    constexpr std::array<uint16_t, 32> kC1 = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        AppendCodePoint(out, byte >= 0x80 && byte < 0xA0 ? kC1[byte - 0x80] : byte);
    }
    return out;
}

// A writer that cut text to fit a fixed-size field may have cut its last character in half:
// the text without that piece, when the rest then reads as UTF-8 or Japanese beyond ASCII.
std::optional<std::string> WithoutCutCharacter(std::string_view bytes) {
    size_t start = bytes.size();
    while (start > 0 && bytes.size() - start < 3 &&
           IsContinuation(static_cast<unsigned char>(bytes[start - 1]))) {
        --start;
    }
    if (start > 0 && static_cast<unsigned char>(bytes[start - 1]) >= 0xC0) {
        const std::string_view rest = bytes.substr(0, start - 1);
        if (!IsAscii(rest) && IsUtf8(rest)) {
            return std::string(rest);
        }
    }
    return DecodeLikelyShiftJis(bytes.substr(0, bytes.size() - 1));
}

}  // namespace

std::string DecodeLegacyText(std::string_view bytes) {
    if (IsUtf8(bytes)) {
        return std::string(bytes);
    }
    if (auto japanese = DecodeLikelyShiftJis(bytes)) {
        return std::move(*japanese);
    }
    return Windows1252ToUtf8(bytes);
}

std::string DecodeUtf8Text(std::string_view bytes) {
    if (!HasUtf8MultiByteSequence(bytes)) {
        return DecodeLegacyText(bytes);
    }
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            out += "\uFFFD";
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string DecodeFixedFieldText(std::string_view bytes, size_t fieldSize) {
    if (bytes.size() == fieldSize && !IsUtf8(bytes) && !DecodeLikelyShiftJis(bytes)) {
        if (auto whole = WithoutCutCharacter(bytes)) {
            return std::move(*whole);
        }
    }
    return DecodeLegacyText(bytes);
}

}  // namespace mp3infp
