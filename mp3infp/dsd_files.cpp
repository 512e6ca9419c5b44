#include "dsd_files.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "byte_order.h"
#include "id3v2_tag.h"

namespace mp3infp {
namespace {

constexpr uint64_t kDsfHeaderSize = 28;
constexpr uint64_t kDsdiffChunkHeaderSize = 12;
constexpr uint64_t kDsdiffFormHeaderSize = 16;
// Stops a file of thousands of empty chunks from being walked to its end.
constexpr int kMaxChunks = 4096;

// The ID3v2 tag at offset, read no further than end; an empty tag when there is none.
FieldTexts ReadId3v2At(const OpenedFile& file, uint64_t offset, uint64_t end) {
    const uint64_t size = Id3v2TagSize(file.ReadAt(offset, kId3v2HeaderSize));
    if (size == 0 || offset >= end) {
        return {};
    }
    return ParseId3v2Tag(file.ReadAt(offset, std::min(size, end - offset))).value_or(FieldTexts{});
}

}  // namespace

std::optional<FieldTexts> ReadDsfTags(const OpenedFile& file) {
    const std::string header = file.ReadAt(0, kDsfHeaderSize);
    if (header.size() < kDsfHeaderSize || !header.starts_with("DSD ")) {
        return std::nullopt;
    }
    const uint64_t tagOffset = LittleEndianNumber(std::string_view(header).substr(20, 8));
    // Zero: no tag.
    return tagOffset == 0 ? FieldTexts{} : ReadId3v2At(file, tagOffset, file.Size());
}

std::optional<FieldTexts> ReadDsdiffTags(const OpenedFile& file) {
    const std::string header = file.ReadAt(0, kDsdiffFormHeaderSize);
    if (header.size() < kDsdiffFormHeaderSize || !header.starts_with("FRM8") ||
        header.substr(12) != "DSD ") {
        return std::nullopt;
    }
    const uint64_t declared = BigEndianNumber(std::string_view(header).substr(4, 8));
    // The form's size, like a chunk's, counts what follows its id and size.
    const uint64_t end =
        kDsdiffChunkHeaderSize + std::min(declared, file.Size() - kDsdiffChunkHeaderSize);
    uint64_t position = kDsdiffFormHeaderSize;
    for (int count = 0; count < kMaxChunks && position + kDsdiffChunkHeaderSize <= end; ++count) {
        const std::string chunk = file.ReadAt(position, kDsdiffChunkHeaderSize);
        const uint64_t size = BigEndianNumber(std::string_view(chunk).substr(4));
        const uint64_t dataOffset = position + kDsdiffChunkHeaderSize;
        if (chunk.starts_with("ID3 ")) {
            return ReadId3v2At(file, dataOffset, dataOffset + std::min(size, end - dataOffset));
        }
        if (size > end - dataOffset) {
            break;
        }
        position = dataOffset + size + (size & 1);
    }
    return FieldTexts{};
}

}  // namespace mp3infp
