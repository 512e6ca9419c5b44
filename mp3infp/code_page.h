#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mp3infp {

// The iconv name of the code page texts are handed out in, from the current locale.
std::string SystemCodePage();

// utf8 converted to code page; characters it lacks become '?'.
std::string FromUtf8(std::string_view utf8, const std::string& codePage);

// bytes in code page converted to UTF-8; nothing when they are not valid in that code page.
std::optional<std::string> ToUtf8(std::string_view bytes, const char* codePage);

}  // namespace mp3infp
