#include "cli/printable.h"

#include <cstdio>
#include <string_view>

namespace tunvex {

std::string Printable(const std::string& text, CodePage codePage) {
    std::string printable;
    printable.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = CharLength(codePage, text, pos);
        std::string_view character = std::string_view(text).substr(pos, length);
        pos += length;
        bool invalid = codePage == CodePage::Utf8 && length == 1 &&
                       static_cast<unsigned char>(character[0]) >= 0x80;
        if (character == "\\") {
            printable += "\\\\";
        } else if (invalid || IsControlChar(codePage, character)) {
            for (unsigned char c : character) {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
                printable += escaped;
            }
        } else {
            printable += character;
        }
    }
    return printable;
}

}  // namespace tunvex
