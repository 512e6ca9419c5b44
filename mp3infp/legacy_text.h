#pragma once

#include <string>
#include <string_view>

namespace mp3infp {

// Bytes of a field that claims Latin-1 but may hold Shift-JIS or UTF-8, as UTF-8.
std::string DecodeLegacyText(std::string_view bytes);

}  // namespace mp3infp
