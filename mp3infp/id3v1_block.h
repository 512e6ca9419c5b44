#pragma once

#include <taglib/tbytevector.h>

#include <optional>
#include <string_view>

#include "tag_fields.h"

namespace mp3infp {

constexpr size_t kId3v1BlockSize = 128;

// Fields of a 128-byte ID3v1 block, or nothing when block is not one.
std::optional<FieldTexts> ParseId3v1Block(std::string_view block);

// Fields of the ID3v1 block at the end of file (a TagLib::File or a TagLib::IOStream), if it
// has one.
template <typename File>
std::optional<FieldTexts> ReadId3v1(File& file) {
    const auto length = file.length();
    if (length < static_cast<long>(kId3v1BlockSize)) {
        return std::nullopt;
    }
    file.seek(length - static_cast<long>(kId3v1BlockSize));
    const TagLib::ByteVector block = file.readBlock(kId3v1BlockSize);
    return ParseId3v1Block(std::string_view(block.data(), block.size()));
}

}  // namespace mp3infp
