#include "flac_blocks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

#include "byte_order.h"
#include "id3v2_tag.h"
#include "legacy_text.h"

namespace mp3infp {
namespace {

constexpr std::string_view kSignature = "fLaC";
constexpr uint64_t kBlockHeaderSize = 4;
constexpr uint8_t kLastBlockFlag = 0x80;
constexpr uint8_t kStreamInfo = 0;
constexpr uint8_t kVorbisComment = 4;
// As many leading ID3v2 tags as the sniff looks behind.
constexpr int kMaxLeadingTags = 4;
// Stops a file of thousands of empty blocks from being walked to its end.
constexpr int kMaxBlocks = 4096;

constexpr std::array kCommentFields = {
    NamedField{"TITLE", Field::Title},
    NamedField{"ARTIST", Field::Artist},
    NamedField{"ALBUM", Field::Album},
    NamedField{"TRACKNUMBER", Field::Track},
    NamedField{"ALBUMARTIST", Field::AlbumArtist},
    NamedField{"ALBUM ARTIST", Field::AlbumArtist},
    NamedField{"COMPILATION", Field::Compilation},
};

// The length-prefixed (32 bits, little-endian) string at the start of bytes, which it leaves
// behind; nothing when bytes hold less than the length says.
std::optional<std::string_view> TakeString(std::string_view& bytes) {
    if (bytes.size() < 4) {
        return std::nullopt;
    }
    const uint64_t length = LittleEndianNumber(bytes.substr(0, 4));
    bytes.remove_prefix(4);
    if (length > bytes.size()) {
        return std::nullopt;
    }
    const std::string_view text = bytes.substr(0, length);
    bytes.remove_prefix(length);
    return text;
}

// The fields of a Vorbis comment block: vendor, count, then "NAME=value" each; a field cut short
// ends the reading.
FieldTexts CommentFields(std::string_view block) {
    FieldTexts fields;
    if (!TakeString(block) || block.size() < 4) {
        return fields;
    }
    uint64_t count = LittleEndianNumber(block.substr(0, 4));
    block.remove_prefix(4);
    for (; count > 0; --count) {
        const auto comment = TakeString(block);
        if (!comment) {
            break;
        }
        const size_t equals = comment->find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const auto field = FieldNamed(comment->substr(0, equals), kCommentFields);
        if (field && !fields.contains(*field)) {
            PutField(fields, *field, DecodeUtf8Text(comment->substr(equals + 1)));
        }
    }
    return fields;
}

}  // namespace

std::optional<FieldTexts> ReadCutFlacTags(const OpenedFile& file) {
    uint64_t position = EndOfLeadingId3v2Tags(file, kMaxLeadingTags);
    if (file.ReadAt(position, kSignature.size()) != kSignature) {
        return std::nullopt;
    }
    position += kSignature.size();
    FieldTexts fields;
    bool commentRead = false;
    for (int count = 0; count < kMaxBlocks; ++count) {
        const std::string header = file.ReadAt(position, kBlockHeaderSize);
        const uint64_t size =
            header.size() == kBlockHeaderSize ? BigEndianNumber(header.substr(1)) : 0;
        const uint64_t blockEnd = position + kBlockHeaderSize + size;
        if (header.size() < kBlockHeaderSize || blockEnd > file.Size()) {
            // Cut here; a stream cut before its STREAMINFO is whole is not known for FLAC.
            return count > 0 ? std::optional(fields) : std::nullopt;
        }
        const auto type = static_cast<uint8_t>(header[0] & 0x7F);
        if (count == 0 && type != kStreamInfo) {
            return std::nullopt;
        }
        if (type == kVorbisComment && !commentRead) {
            fields = CommentFields(file.ReadAt(position + kBlockHeaderSize, size));
            commentRead = true;
        }
        if ((static_cast<uint8_t>(header[0]) & kLastBlockFlag) != 0) {
            return std::nullopt;  // whole: what TagLib refused is not a cut
        }
        position = blockEnd;
    }
    return std::nullopt;
}

}  // namespace mp3infp
