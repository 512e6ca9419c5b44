#include "apps/tunvex-sort/printable.h"

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string_view>

namespace tunvex {
namespace {

// A byte above ASCII in a single-byte locale: a C1 control in ISO 8859 and EUC (0x9B starts a
// terminal command there), a letter in KOI8 or CP1251. The locale knows which.
bool IsLocaleControlByte(char byte) {
    if (static_cast<unsigned char>(byte) < 0x80)
        return false;
    wchar_t wide = 0;
    std::mbstate_t state{};
    std::size_t result = std::mbrtowc(&wide, &byte, 1, &state);
    if (result == static_cast<std::size_t>(-2))
        return false;  // the lead byte of an EUC character
    return result == static_cast<std::size_t>(-1) || std::iswcntrl(static_cast<wint_t>(wide));
}

}  // namespace

std::string Printable(const std::string& text, CodePage codePage) {
    std::string printable;
    printable.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        // Printable ASCII at a character's start is that character in every code page.
        unsigned char first = static_cast<unsigned char>(text[pos]);
        if (first >= 0x20 && first < 0x7F && first != '\\') {
            printable += text[pos++];
            continue;
        }
        std::size_t length = CharLength(codePage, text, pos);
        std::string_view character = std::string_view(text).substr(pos, length);
        pos += length;
        bool invalid = length == 1 && (codePage == CodePage::Utf8
                                           ? static_cast<unsigned char>(character[0]) >= 0x80
                                           : codePage == CodePage::SingleByte &&
                                                 IsLocaleControlByte(character[0]));
        if (character == "\\") {
            printable += "\\\\";
        } else if (invalid || IsControlChar(codePage, character)) {
            for (char byte : character) {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(byte));
                printable += escaped;
            }
        } else {
            printable += character;
        }
    }
    return printable;
}

}  // namespace tunvex
