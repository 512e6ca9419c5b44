#include "ogg_streams.h"

#include <array>
#include <cstdint>

namespace mp3infp {
namespace {

using namespace std::string_view_literals;

constexpr size_t kPageHeaderSize = 27;
constexpr uint8_t kFirstPageFlag = 0x02;
// Every codec's comment is among its first packets; FLAC in Ogg may send a few metadata blocks
// before it.
constexpr int kHeaderPackets = 8;
// The pages of other streams read past before giving up on the header packets.
constexpr uint64_t kMaxScanned = 64 << 20;
// A file that begins more streams than this is not worth looking at.
constexpr int kMaxStreams = 64;

struct Codec {
    std::string_view magic;  // how the first header packet starts
    FileKind kind;
};

constexpr std::array kCodecs = {
    Codec{"\x01vorbis"sv, FileKind::OggVorbis},
    Codec{"OpusHead"sv, FileKind::OggOpus},
    Codec{"Speex   "sv, FileKind::OggSpeex},
    Codec{"\177FLAC"sv, FileKind::OggFlac},
};

FileKind CodecOf(std::string_view packet) {
    for (const Codec& codec : kCodecs) {
        if (packet.starts_with(codec.magic)) {
            return codec.kind;
        }
    }
    return FileKind::Unknown;
}

struct Page {
    std::string bytes;
    size_t packetStart = 0;  // where the body starts in bytes
    uint32_t serial = 0;
    bool first = false;
    int packetsEnded = 0;
};

std::optional<Page> ReadPage(const OpenedFile& file, uint64_t& offset) {
    Page page;
    page.bytes = file.ReadAt(offset, kPageHeaderSize);
    if (page.bytes.size() < kPageHeaderSize || !page.bytes.starts_with("OggS")) {
        return std::nullopt;
    }
    const auto segments = static_cast<unsigned char>(page.bytes[kPageHeaderSize - 1]);
    const std::string lacing = file.ReadAt(offset + kPageHeaderSize, segments);
    if (lacing.size() < segments) {
        return std::nullopt;
    }
    size_t bodySize = 0;
    for (const char value : lacing) {
        const auto size = static_cast<unsigned char>(value);
        bodySize += size;
        page.packetsEnded += size < 255 ? 1 : 0;
    }
    const std::string body = file.ReadAt(offset + kPageHeaderSize + segments, bodySize);
    if (body.size() < bodySize) {
        return std::nullopt;
    }
    for (size_t i = 0; i < 4; ++i) {
        page.serial |= static_cast<uint32_t>(static_cast<unsigned char>(page.bytes[14 + i]))
                       << (8 * i);
    }
    page.first = (static_cast<unsigned char>(page.bytes[5]) & kFirstPageFlag) != 0;
    page.packetStart = kPageHeaderSize + segments;
    page.bytes += lacing + body;
    offset += page.bytes.size();
    return page;
}

struct Beginnings {
    int streams = 0;
    std::optional<uint32_t> serial;  // of the first stream of the kind asked for
};

// The first pages that begin the file's streams.
Beginnings ReadBeginnings(const OpenedFile& file, FileKind kind) {
    Beginnings beginnings;
    uint64_t offset = 0;
    for (; beginnings.streams < kMaxStreams; ++beginnings.streams) {
        const auto page = ReadPage(file, offset);
        if (!page || (beginnings.streams > 0 && !page->first)) {
            break;
        }
        if (!beginnings.serial &&
            CodecOf(std::string_view(page->bytes).substr(page->packetStart)) == kind) {
            beginnings.serial = page->serial;
        }
    }
    return beginnings;
}

}  // namespace

FileKind SniffOggStreams(std::string_view head) {
    for (int streams = 0; streams < kMaxStreams && head.size() >= kPageHeaderSize; ++streams) {
        if (!head.starts_with("OggS") ||
            (streams > 0 && (static_cast<unsigned char>(head[5]) & kFirstPageFlag) == 0)) {
            break;
        }
        const auto segments = static_cast<unsigned char>(head[kPageHeaderSize - 1]);
        const size_t packetStart = kPageHeaderSize + segments;
        if (packetStart >= head.size()) {
            break;
        }
        if (const FileKind kind = CodecOf(head.substr(packetStart)); kind != FileKind::Unknown) {
            return kind;
        }
        size_t bodySize = 0;
        for (size_t i = kPageHeaderSize; i < packetStart; ++i) {
            bodySize += static_cast<unsigned char>(head[i]);
        }
        head.remove_prefix(std::min(head.size(), packetStart + bodySize));
    }
    return FileKind::Unknown;
}

std::optional<std::string> StreamOfMultiplexedOgg(const OpenedFile& file, FileKind kind) {
    const Beginnings beginnings = ReadBeginnings(file, kind);
    if (beginnings.streams < 2 || !beginnings.serial) {
        return std::nullopt;
    }
    std::string stream;
    int packets = 0;
    uint64_t offset = 0;
    while (packets < kHeaderPackets && offset < kMaxScanned) {
        const auto page = ReadPage(file, offset);
        if (!page) {
            break;
        }
        if (page->serial == *beginnings.serial) {
            stream += page->bytes;
            packets += page->packetsEnded;
        }
    }
    return stream;
}

}  // namespace mp3infp
