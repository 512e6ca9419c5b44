#include "id3v1_block.h"

#include <array>
#include <string>

#include "legacy_text.h"

namespace mp3infp {
namespace {

struct TextSlot {
    Field field;
    size_t offset;
    size_t length;
};

constexpr std::array kTextSlots = {
    TextSlot{Field::Title, 3, 30},
    TextSlot{Field::Artist, 33, 30},
    TextSlot{Field::Album, 63, 30},
};

// ID3v1.1 keeps the track in the last comment byte when the one before it is zero.
constexpr size_t kTrackMarkerOffset = 125;
constexpr size_t kTrackOffset = 126;

std::string_view TrimField(std::string_view raw) {
    raw = raw.substr(0, raw.find('\0'));
    while (!raw.empty() && raw.back() == ' ') {
        raw.remove_suffix(1);
    }
    return raw;
}

}  // namespace

std::optional<FieldTexts> ParseId3v1Block(std::string_view block) {
    if (block.size() != kId3v1BlockSize || !block.starts_with("TAG")) {
        return std::nullopt;
    }
    FieldTexts fields;
    for (const TextSlot& slot : kTextSlots) {
        PutField(
            fields, slot.field,
            DecodeFixedFieldText(TrimField(block.substr(slot.offset, slot.length)), slot.length));
    }
    const auto track = static_cast<unsigned char>(block[kTrackOffset]);
    if (block[kTrackMarkerOffset] == '\0' && track != 0) {
        PutField(fields, Field::Track, std::to_string(track));
    }
    return fields;
}

}  // namespace mp3infp
