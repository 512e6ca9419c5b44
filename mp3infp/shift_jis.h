#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mp3infp {

// bytes as UTF-8 when they are valid Shift-JIS (CP932) and read better as Japanese than as
// Windows-1252 text; nothing otherwise.
std::optional<std::string> DecodeLikelyShiftJis(std::string_view bytes);

}  // namespace mp3infp
