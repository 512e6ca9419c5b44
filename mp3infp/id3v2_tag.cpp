#include "id3v2_tag.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string>

#include "byte_order.h"
#include "code_page.h"
#include "legacy_text.h"

namespace mp3infp {
namespace {

constexpr uint8_t kTagUnsynchronised = 0x80;
constexpr uint8_t kTagExtendedHeader = 0x40;
constexpr uint8_t kTagFooter = 0x10;
constexpr uint8_t kV22Compressed = 0x40;

// A text frame longer than this is damaged; its start still names the file.
constexpr size_t kMaxInflatedFrame = 1 << 20;
// Real tags hold a few dozen frames; a tag of more tiny frames than this is not worth walking on.
constexpr int kMaxFrames = 1 << 16;

struct FrameIds {
    Field field;
    std::string_view v22;
    std::string_view v23;
};

constexpr std::array kFrameIds = {
    FrameIds{Field::Title, "TT2", "TIT2"},       FrameIds{Field::Artist, "TP1", "TPE1"},
    FrameIds{Field::Album, "TAL", "TALB"},       FrameIds{Field::Track, "TRK", "TRCK"},
    FrameIds{Field::AlbumArtist, "TP2", "TPE2"}, FrameIds{Field::Compilation, "TCP", "TCMP"},
};

uint32_t BigEndian(std::string_view bytes) {
    return static_cast<uint32_t>(BigEndianNumber(bytes));
}

uint32_t SyncSafe(std::string_view bytes) {
    uint32_t value = 0;
    for (const char c : bytes) {
        value = (value << 7) | (static_cast<unsigned char>(c) & 0x7F);
    }
    return value;
}

// Undoes unsynchronisation: the zero stored after every 0xFF goes.
std::string Resynchronised(std::string_view data) {
    std::string out;
    out.reserve(data.size());
    for (size_t i = 0; i < data.size(); ++i) {
        out += data[i];
        if (data[i] == '\xFF' && i + 1 < data.size() && data[i + 1] == '\0') {
            ++i;
        }
    }
    return out;
}

std::optional<std::string> Inflated(std::string_view data) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return std::nullopt;
    }
    std::string out(std::min(kMaxInflatedFrame, data.size() * 8 + 64), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    int result = Z_OK;
    while (result == Z_OK) {
        if (stream.total_out == out.size()) {
            if (out.size() >= kMaxInflatedFrame) {
                break;
            }
            out.resize(std::min(kMaxInflatedFrame, out.size() * 2));
        }
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + stream.total_out);
        stream.avail_out = static_cast<uInt>(out.size() - stream.total_out);
        result = inflate(&stream, Z_NO_FLUSH);
    }
    inflateEnd(&stream);
    if (result != Z_OK && result != Z_STREAM_END) {
        return std::nullopt;
    }
    out.resize(stream.total_out);
    return out;
}

// The first value of a text frame: taggers and the 2.4 standard separate several values with a
// terminator, and 2.3 readers ignore what follows it.
std::optional<std::string> FirstText(std::string_view content) {
    if (content.empty()) {
        return std::nullopt;
    }
    const char encoding = content.front();
    std::string_view text = content.substr(1);
    if (encoding == 0) {
        return DecodeLegacyText(text.substr(0, text.find('\0')));
    }
    if (encoding == 3) {
        return DecodeUtf8Text(text.substr(0, text.find('\0')));
    }
    if (encoding != 1 && encoding != 2) {
        return std::nullopt;
    }
    size_t end = 0;
    while (end + 1 < text.size() && (text[end] != '\0' || text[end + 1] != '\0')) {
        end += 2;
    }
    text = text.substr(0, end);
    // Without a byte order mark the text is little-endian, as Windows taggers wrote it.
    const char* codePage = encoding == 2 ? "UTF-16BE" : "UTF-16LE";
    if (encoding == 1 && text.starts_with("\xFE\xFF")) {
        codePage = "UTF-16BE";
    }
    if (encoding == 1 && (text.starts_with("\xFE\xFF") || text.starts_with("\xFF\xFE"))) {
        text.remove_prefix(2);
    }
    return ToUtf8(text, codePage);
}

// The content of a 2.3 or 2.4 frame once its flags are honoured; nothing when it is encrypted
// or cannot be unpacked.
std::optional<std::string> FrameContent(std::string_view data, uint16_t flags, int version,
                                        bool tagUnsynchronised) {
    const bool v4 = version == 4;
    const bool compressed = (flags & (v4 ? 0x0008 : 0x0080)) != 0;
    const bool encrypted = (flags & (v4 ? 0x0004 : 0x0040)) != 0;
    const bool grouped = (flags & (v4 ? 0x0040 : 0x0020)) != 0;
    const bool dataLength = v4 && (flags & 0x0001) != 0;
    const bool unsynchronised = v4 && ((flags & 0x0002) != 0 || tagUnsynchronised);
    if (encrypted) {
        return std::nullopt;
    }
    // The bytes the flags add, in the order each version stores them.
    const size_t extra = v4 ? (grouped ? 1u : 0u) + (dataLength ? 4u : 0u)
                            : (compressed ? 4u : 0u) + (grouped ? 1u : 0u);
    if (data.size() < extra) {
        return std::nullopt;
    }
    data.remove_prefix(extra);
    std::string content = unsynchronised ? Resynchronised(data) : std::string(data);
    return compressed ? Inflated(content) : content;
}

bool IsFrameId(std::string_view id) {
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// A v2.2 id padded to four characters with a NUL, as converters that kept the old ids left them
// in 2.3 and 2.4 tags.
bool IsPaddedV22Id(std::string_view id) {
    return id.size() == 4 && id[3] == '\0' && IsFrameId(id.substr(0, 3));
}

// An id a frame of version may start with.
bool IsReadableId(std::string_view id, int version) {
    return IsFrameId(id) || (version > 2 && IsPaddedV22Id(id));
}

// The field a frame holds; a padded v2.2 id reads as its 2.3 frame.
std::optional<Field> FieldOf(std::string_view id, int version) {
    for (const FrameIds& ids : kFrameIds) {
        if (version == 2 ? id == ids.v22
                         : id == ids.v23 || (IsPaddedV22Id(id) && id.substr(0, 3) == ids.v22)) {
            return ids.field;
        }
    }
    return std::nullopt;
}

// iTunes and others wrote 2.4 frame sizes as plain numbers; take the reading after which the
// next frame, padding or the end follows. A byte with its top bit set is never sync-safe.
uint32_t V24FrameSize(std::string_view body, size_t position) {
    const std::string_view sizeBytes = body.substr(position + 4, 4);
    const uint32_t syncSafe = SyncSafe(sizeBytes);
    const uint32_t plain = BigEndian(sizeBytes);
    if (syncSafe == plain || (plain & 0x80808080) != 0) {
        return plain;
    }
    const auto fits = [&](uint32_t size) {
        const size_t next = position + kId3v2HeaderSize + size;
        return next == body.size() ||
               (next < body.size() &&
                (body[next] == '\0' ||
                 (next + 4 <= body.size() && IsReadableId(body.substr(next, 4), 4))));
    };
    return !fits(syncSafe) && fits(plain) ? plain : syncSafe;
}

size_t FrameHeaderSize(int version) {
    return version == 2 ? 6 : kId3v2HeaderSize;
}

uint32_t FrameSize(std::string_view body, size_t position, int version) {
    return version == 2   ? BigEndian(body.substr(position + 3, 3))
           : version == 3 ? BigEndian(body.substr(position + 4, 4))
                          : V24FrameSize(body, position);
}

// Whether a frame header whose frame ends inside body starts at position.
bool FrameHeaderAt(std::string_view body, size_t position, int version) {
    const size_t headerSize = FrameHeaderSize(version);
    if (position + headerSize > body.size() ||
        !IsReadableId(body.substr(position, version == 2 ? 3 : 4), version)) {
        return false;
    }
    return FrameSize(body, position, version) <= body.size() - position - headerSize;
}

FieldTexts ParseFrames(std::string_view body, int version, bool tagUnsynchronised) {
    const size_t idSize = version == 2 ? 3 : 4;
    const size_t headerSize = FrameHeaderSize(version);
    FieldTexts fields;
    size_t position = 0;
    for (int frames = 0; frames < kMaxFrames && fields.size() < kFrameIds.size() &&
                         position + headerSize <= body.size();
         ++frames) {
        const std::string_view id = body.substr(position, idSize);
        const uint32_t size = FrameSize(body, position, version);
        const size_t next = position + headerSize + static_cast<size_t>(size);
        if (!IsReadableId(id, version)) {
            // An id no version defines ("Date"): skipped when its size leads to another frame;
            // padding, or damage nothing after can be trusted, ends the walk.
            if (id.front() == '\0' || !FrameHeaderAt(body, next, version)) {
                break;
            }
            position = next;
            continue;
        }
        const uint16_t flags =
            version == 2 ? 0 : static_cast<uint16_t>(BigEndian(body.substr(position + 8, 2)));
        const std::string_view data = body.substr(position + headerSize, size);
        position = next;
        const auto field = FieldOf(id, version);
        if (!field || fields.contains(*field)) {
            continue;
        }
        const auto content = version == 2 ? std::optional<std::string>(data)
                                          : FrameContent(data, flags, version, tagUnsynchronised);
        if (content) {
            PutField(fields, *field, FirstText(*content).value_or(""));
        }
    }
    return fields;
}

// The size of the extended header body starts with, when it parses as one of version.
std::optional<uint64_t> ExtendedHeaderSize(std::string_view body, int version) {
    constexpr uint64_t kMinimumSize = 6;
    if (body.size() < kMinimumSize) {
        return std::nullopt;
    }
    if (version == 3) {
        // Six bytes, or ten with a CRC, not counting the size itself.
        const uint64_t size = BigEndian(body.substr(0, 4));
        if ((size != 6 && size != 10) || 4 + size > body.size()) {
            return std::nullopt;
        }
        return 4 + size;
    }
    const std::string_view sizeBytes = body.substr(0, 4);
    if (std::any_of(sizeBytes.begin(), sizeBytes.end(), [](char c) { return (c & 0x80) != 0; })) {
        return std::nullopt;
    }
    const uint64_t size = SyncSafe(sizeBytes);
    if (size < kMinimumSize || size > body.size() || body[4] != 1) {
        return std::nullopt;
    }
    // Each flag set is followed by the length of its data, in the order of the flags.
    uint64_t used = kMinimumSize;
    const auto flags = static_cast<uint8_t>(body[5]);
    for (const int flag : {0x40, 0x20, 0x10}) {
        if ((flags & flag) != 0) {
            if (used >= size) {
                return std::nullopt;
            }
            used += 1 + static_cast<uint64_t>(static_cast<unsigned char>(body[used]));
        }
    }
    return used <= size ? std::optional(size) : std::nullopt;
}

}  // namespace

uint64_t Id3v2TagSize(std::string_view bytes) {
    if (bytes.size() < kId3v2HeaderSize || !bytes.starts_with("ID3")) {
        return 0;
    }
    const bool hasFooter = (static_cast<unsigned char>(bytes[5]) & kTagFooter) != 0;
    return kId3v2HeaderSize + SyncSafe(bytes.substr(6, 4)) + (hasFooter ? kId3v2HeaderSize : 0);
}

std::optional<FieldTexts> ParseId3v2Tag(std::string_view tag) {
    if (Id3v2TagSize(tag) == 0) {
        return std::nullopt;
    }
    const int version = static_cast<unsigned char>(tag[3]);
    const auto flags = static_cast<uint8_t>(tag[5]);
    if (version < 2 || version > 4) {
        return std::nullopt;
    }
    std::string_view body = tag.substr(kId3v2HeaderSize, SyncSafe(tag.substr(6, 4)));
    if (version == 2 && (flags & kV22Compressed) != 0) {
        return FieldTexts{};  // 2.2 never defined its compression
    }
    std::string resynchronised;
    if (version < 4 && (flags & kTagUnsynchronised) != 0) {
        resynchronised = Resynchronised(body);
        body = resynchronised;
    }
    if (version > 2 && (flags & kTagExtendedHeader) != 0) {
        // A writer that set the flag without writing the header: read as if it were clear.
        if (const auto extendedSize = ExtendedHeaderSize(body, version)) {
            body.remove_prefix(*extendedSize);
        }
    }
    return ParseFrames(body, version, version == 4 && (flags & kTagUnsynchronised) != 0);
}

}  // namespace mp3infp
