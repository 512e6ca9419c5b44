#pragma once

#include <taglib/tbytevector.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "tag_fields.h"

namespace mp3infp {

constexpr size_t kId3v2HeaderSize = 10;

// Size of the whole ID3v2 tag whose header starts bytes, footer included; 0 when bytes do not
// start with an ID3v2 header.
uint64_t Id3v2TagSize(std::string_view bytes);

// Texts of the ID3v2 tag that starts tag; nothing when it is no ID3v2 tag. Parsed here rather
// than by TagLib, which misreads extended headers, footers, grouped frames and UTF-16 without a
// byte order mark.
std::optional<FieldTexts> ParseId3v2Tag(std::string_view tag);

// Where the stream behind the ID3v2 tags (at most maxTags of them) that start file (with a ReadAt
// as OpenedFile's) begins; 0 when it has none.
template <typename File>
uint64_t EndOfLeadingId3v2Tags(const File& file, int maxTags = 4) {
    uint64_t position = 0;
    for (int tags = 0; tags < maxTags; ++tags) {
        const uint64_t size = Id3v2TagSize(file.ReadAt(position, kId3v2HeaderSize));
        if (size == 0) {
            break;
        }
        position += size;
    }
    return position;
}

// The ID3v2 tag at the start of file (a TagLib::File or a TagLib::IOStream), if it has one.
template <typename File>
std::optional<FieldTexts> ReadLeadingId3v2(File& file) {
    file.seek(0);
    TagLib::ByteVector tag = file.readBlock(kId3v2HeaderSize);
    const uint64_t size = Id3v2TagSize(std::string_view(tag.data(), tag.size()));
    if (size == 0) {
        return std::nullopt;
    }
    // A damaged size may claim far more than the file holds.
    const auto length = static_cast<uint64_t>(std::max<long>(file.length(), 0));
    tag.append(file.readBlock(static_cast<size_t>(std::min(size, length) - kId3v2HeaderSize)));
    return ParseId3v2Tag(std::string_view(tag.data(), tag.size()));
}

}  // namespace mp3infp
