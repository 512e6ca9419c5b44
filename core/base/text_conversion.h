// Conversion between the system code page and UTF-8 (iconv), for the places where text leaves
// the program's own narrow strings: the catalogue written in UTF-8, and the window toolkit.
#pragma once

#include <string>
#include <string_view>

#include "core/base/text.h"

namespace tunvex {

// False, with out unchanged, when text holds a byte sequence or a character the other side
// cannot take.
bool SystemTextToUtf8(CodePage codePage, std::string_view text, std::string& out);
bool Utf8ToSystemText(CodePage codePage, std::string_view utf8, std::string& out);

}  // namespace tunvex
