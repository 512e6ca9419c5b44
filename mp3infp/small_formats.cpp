#include "small_formats.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "ape_tag.h"
#include "byte_order.h"
#include "id3v2_tag.h"
#include "legacy_text.h"
#include "tag_readers.h"

namespace mp3infp {
namespace {

constexpr std::string_view kOptimFrogMagic = "OFR ";
constexpr std::string_view kSpcMagic = "SNES-SPC700 Sound File Data";
constexpr std::string_view kTwinVqMagic = "TWIN";

// ID666: byte 0x23 says whether the header holds it; its texts are NUL-padded, in the code page
// of the ripper.
constexpr uint64_t kId666Marker = 0x23;
constexpr char kHasId666 = 26;
constexpr uint64_t kId666TextSize = 32;
constexpr uint64_t kSongTitleOffset = 0x2E;
constexpr uint64_t kGameTitleOffset = 0x4E;
// The binary form stores the artist here; the text form one byte later, behind the last digit
// (or NUL) of its fade length.
constexpr uint64_t kArtistOffset = 0xB0;

constexpr uint64_t kTwinVqHeaderSize = 16;
constexpr uint64_t kChunkHeaderSize = 8;
// Texts are short; a larger claim is a damaged size, not a value worth reading.
constexpr uint64_t kMaxTextSize = uint64_t{64} * 1024;
// Stops a header of thousands of empty chunks from being walked to its end.
constexpr int kMaxChunks = 4096;

struct ChunkField {
    std::string_view id;
    Field field;
};

// The album and track chunks are not in the format's first description; later writers add them.
constexpr std::array kTwinVqFields = {
    ChunkField{"NAME", Field::Title},
    ChunkField{"AUTH", Field::Artist},
    ChunkField{"ALBM", Field::Album},
    ChunkField{"TRCK", Field::Track},
};

std::string_view TrimPadding(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// A fixed field of the ID666 tag, which a ripper may have cut in the middle of a character.
std::string Id666Text(const OpenedFile& file, uint64_t offset) {
    const std::string raw = file.ReadAt(offset, kId666TextSize);
    return DecodeFixedFieldText(TrimPadding(raw), kId666TextSize);
}

FieldTexts ReadId666(const OpenedFile& file) {
    FieldTexts fields;
    if (file.ReadAt(kId666Marker, 1) != std::string(1, kHasId666)) {
        return fields;
    }
    PutField(fields, Field::Title, Id666Text(file, kSongTitleOffset));
    PutField(fields, Field::Album, Id666Text(file, kGameTitleOffset));
    const std::string first = file.ReadAt(kArtistOffset, 1);
    const bool textForm = !first.empty() && (static_cast<unsigned char>(first[0]) < 0x20 ||
                                             (first[0] >= '0' && first[0] <= '9'));
    PutField(fields, Field::Artist, Id666Text(file, kArtistOffset + (textForm ? 1 : 0)));
    return fields;
}

}  // namespace

std::optional<FieldTexts> ReadOptimFrogTags(const OpenedFile& file) {
    const uint64_t start = EndOfLeadingId3v2Tags(file);
    if (file.ReadAt(start, kOptimFrogMagic.size()) != kOptimFrogMagic) {
        return std::nullopt;
    }
    return ReadApeTag(file).value_or(FieldTexts{});
}

std::optional<FieldTexts> ReadSpcTags(const OpenedFile& file) {
    if (file.ReadAt(0, kSpcMagic.size()) != kSpcMagic) {
        return std::nullopt;
    }
    FieldTexts fields = ReadApeTag(file).value_or(FieldTexts{});
    AddMissingFields(fields, ReadId666(file));
    return fields;
}

std::optional<FieldTexts> ReadTwinVqTags(const OpenedFile& file) {
    const std::string header = file.ReadAt(0, kTwinVqHeaderSize);
    if (header.size() < kTwinVqHeaderSize || !header.starts_with(kTwinVqMagic)) {
        return std::nullopt;
    }
    // The size of the chunks that follow, up to the audio data.
    const uint64_t end = std::min(
        file.Size(), kTwinVqHeaderSize + BigEndianNumber(std::string_view(header).substr(12, 4)));
    FieldTexts fields;
    uint64_t position = kTwinVqHeaderSize;
    for (int count = 0; count < kMaxChunks && position + kChunkHeaderSize <= end; ++count) {
        const std::string chunk = file.ReadAt(position, kChunkHeaderSize);
        const std::string_view id = std::string_view(chunk).substr(0, 4);
        if (id == "DATA") {
            break;
        }
        const uint64_t size = BigEndianNumber(std::string_view(chunk).substr(4, 4));
        const uint64_t dataOffset = position + kChunkHeaderSize;
        const auto known = std::find_if(kTwinVqFields.begin(), kTwinVqFields.end(),
                                        [&](const ChunkField& f) { return f.id == id; });
        if (known != kTwinVqFields.end() && !fields.contains(known->field)) {
            const std::string raw =
                file.ReadAt(dataOffset, std::min({size, end - dataOffset, kMaxTextSize}));
            PutField(fields, known->field, DecodeLegacyText(TrimPadding(raw)));
        }
        position = dataOffset + size;
    }
    return fields;
}

}  // namespace mp3infp
