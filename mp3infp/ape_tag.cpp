#include "ape_tag.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

#include "byte_order.h"
#include "id3v1_block.h"
#include "legacy_text.h"

namespace mp3infp {
namespace {

constexpr std::string_view kPreamble = "APETAGEX";
constexpr uint64_t kFooterSize = 32;
constexpr uint64_t kItemHeaderSize = 8;
// Keys are 2 to 255 printable ASCII characters and a NUL.
constexpr uint64_t kMaxKeySize = 256;
// Text values are short; pictures are what is large, and they are skipped.
constexpr uint64_t kMaxValueSize = uint64_t{64} * 1024;
// Stops a tag of thousands of empty items from being walked to its end.
constexpr uint32_t kMaxItems = 4096;
// Bits 1 and 2 of an item's flags: 0 text, 1 binary, 2 a locator.
constexpr uint32_t kItemTypeMask = 0x06;

constexpr std::array kKeyFields = {
    NamedField{"TITLE", Field::Title},
    NamedField{"ARTIST", Field::Artist},
    NamedField{"ALBUM", Field::Album},
    NamedField{"TRACK", Field::Track},
    NamedField{"ALBUM ARTIST", Field::AlbumArtist},
    NamedField{"ALBUMARTIST", Field::AlbumArtist},
    NamedField{"COMPILATION", Field::Compilation},
};

// Where the footer of a tag closing [0, end) starts, when there is one.
std::optional<uint64_t> FooterAt(const OpenedFile& file, uint64_t end) {
    if (end < kFooterSize || file.ReadAt(end - kFooterSize, kPreamble.size()) != kPreamble) {
        return std::nullopt;
    }
    return end - kFooterSize;
}

}  // namespace

std::optional<FieldTexts> ReadApeTag(const OpenedFile& file) {
    const uint64_t size = file.Size();
    auto footerOffset = FooterAt(file, size);
    if (!footerOffset && size >= kId3v1BlockSize &&
        file.ReadAt(size - kId3v1BlockSize, 3) == "TAG") {
        footerOffset = FooterAt(file, size - kId3v1BlockSize);
    }
    if (!footerOffset) {
        return std::nullopt;
    }
    const std::string footer = file.ReadAt(*footerOffset, kFooterSize);
    const std::string_view fields = footer;
    // The tag's size counts its items and footer, not a header before them.
    const uint64_t tagSize = LittleEndianNumber(fields.substr(12, 4));
    const auto itemCount = static_cast<uint32_t>(LittleEndianNumber(fields.substr(16, 4)));
    if (tagSize < kFooterSize || tagSize - kFooterSize > *footerOffset) {
        return std::nullopt;
    }
    FieldTexts texts;
    uint64_t position = *footerOffset - (tagSize - kFooterSize);
    for (uint32_t i = 0; i < std::min(itemCount, kMaxItems); ++i) {
        if (position + kItemHeaderSize > *footerOffset) {
            break;
        }
        const std::string header = file.ReadAt(position, kItemHeaderSize);
        const uint64_t valueSize = LittleEndianNumber(std::string_view(header).substr(0, 4));
        const auto flags =
            static_cast<uint32_t>(LittleEndianNumber(std::string_view(header).substr(4, 4)));
        const uint64_t keyOffset = position + kItemHeaderSize;
        const std::string keyArea =
            file.ReadAt(keyOffset, std::min(kMaxKeySize, *footerOffset - keyOffset));
        const size_t keyEnd = keyArea.find('\0');
        if (keyEnd == std::string::npos || keyEnd == 0) {
            break;  // damage: nothing after it can be found
        }
        const uint64_t valueOffset = keyOffset + keyEnd + 1;
        if (valueSize > *footerOffset - valueOffset) {
            break;
        }
        const auto field = FieldNamed(std::string_view(keyArea).substr(0, keyEnd), kKeyFields);
        if (field && !texts.contains(*field) && (flags & kItemTypeMask) == 0) {
            const std::string value = file.ReadAt(valueOffset, std::min(valueSize, kMaxValueSize));
            // Several values are separated by NULs; the first names the file.
            PutField(texts, *field,
                     DecodeLegacyText(std::string_view(value).substr(0, value.find('\0'))));
        }
        position = valueOffset + valueSize;
    }
    return texts;
}

}  // namespace mp3infp
