#pragma once

#include <string>
#include <string_view>

namespace mp3infp {

// Bytes of a field that claims Latin-1 but may hold Shift-JIS or UTF-8, as UTF-8.
std::string DecodeLegacyText(std::string_view bytes);

// The same for a field of fieldSize bytes that its writer may have cut in the middle of a
// character.
std::string DecodeFixedFieldText(std::string_view bytes, size_t fieldSize);

}  // namespace mp3infp
