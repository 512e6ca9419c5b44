#pragma once

#include <string>
#include <string_view>

namespace mp3infp {

// Bytes of a field that claims Latin-1 but may hold Shift-JIS or UTF-8, as UTF-8.
std::string DecodeLegacyText(std::string_view bytes);

// Bytes of a field that claims UTF-8: as UTF-8 with U+FFFD for the bad bytes once they hold one
// valid multi-byte sequence, else as a legacy text a tagger mislabelled.
std::string DecodeUtf8Text(std::string_view bytes);

// DecodeLegacyText for a field of fieldSize bytes that its writer may have cut in the middle of
// a character.
std::string DecodeFixedFieldText(std::string_view bytes, size_t fieldSize);

}  // namespace mp3infp
