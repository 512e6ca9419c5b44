#pragma once

#include <optional>
#include <string_view>

#include "tag_fields.h"

namespace TagLib {
class File;
}

namespace mp3infp {

constexpr size_t kId3v1BlockSize = 128;

// Fields of a 128-byte ID3v1 block, or nothing when block is not one.
std::optional<FieldTexts> ParseId3v1Block(std::string_view block);

// Fields of the ID3v1 block at the end of file, if it has one.
std::optional<FieldTexts> ReadId3v1(TagLib::File& file);

}  // namespace mp3infp
