#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "tag_fields.h"

namespace TagLib {
class File;
}

namespace mp3infp {

constexpr size_t kId3v2HeaderSize = 10;

// Size of the whole ID3v2 tag whose header starts bytes, footer included; 0 when bytes do not
// start with an ID3v2 header.
uint64_t Id3v2TagSize(std::string_view bytes);

// Texts of the ID3v2 tag that starts tag; nothing when it is no ID3v2 tag. Parsed here rather
// than by TagLib, which misreads extended headers, footers, grouped frames and UTF-16 without a
// byte order mark.
std::optional<FieldTexts> ParseId3v2Tag(std::string_view tag);

// The ID3v2 tag at the start of file, if it has one.
std::optional<FieldTexts> ReadLeadingId3v2(TagLib::File& file);

}  // namespace mp3infp
