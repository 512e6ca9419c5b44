#include "ogg_streams.h"

#include <cstdint>
#include <string_view>

namespace mp3infp {
namespace {

constexpr size_t kPageHeaderSize = 27;
constexpr uint8_t kFirstPageFlag = 0x02;
// Every codec's comment is among its first packets; FLAC in Ogg may send a few metadata blocks
// before it.
constexpr int kHeaderPackets = 8;
// The pages of other streams read past before giving up on the header packets.
constexpr uint64_t kMaxScanned = 64 << 20;

struct Page {
    std::string bytes;
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
    page.bytes += lacing + body;
    offset += page.bytes.size();
    return page;
}

}  // namespace

std::optional<std::string> FirstOfMultiplexedOgg(const OpenedFile& file) {
    uint64_t offset = 0;
    const auto first = ReadPage(file, offset);
    const auto second = first ? ReadPage(file, offset) : std::nullopt;
    // Every stream of a multiplexed file opens with its first page before any other page.
    if (!second || !second->first || second->serial == first->serial) {
        return std::nullopt;
    }
    std::string stream = first->bytes;
    int packets = first->packetsEnded;
    uint64_t scanned = first->bytes.size() + second->bytes.size();
    while (packets < kHeaderPackets && scanned < kMaxScanned) {
        const auto page = ReadPage(file, offset);
        if (!page) {
            break;
        }
        scanned += page->bytes.size();
        if (page->serial == first->serial) {
            stream += page->bytes;
            packets += page->packetsEnded;
        }
    }
    return stream;
}

}  // namespace mp3infp
