#include "riff_chunks.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string_view>

#include "id3v1_block.h"
#include "id3v2_tag.h"
#include "legacy_text.h"
#include "mpeg_header.h"
#include "opened_file.h"
#include "tag_readers.h"

namespace mp3infp {
namespace {

constexpr uint64_t kChunkHeaderSize = 8;
// INFO values are short; a larger claim is a damaged size, not a value worth reading.
constexpr uint64_t kMaxInfoValueSize = uint64_t{64} * 1024;
constexpr size_t kMpegProbeSize = 4096;
// Stops a file of thousands of empty chunks from being walked to its end.
constexpr int kMaxChunksPerList = 4096;

struct TextField {
    std::string_view id;
    Field field;
};

constexpr std::array kInfoFields = {
    TextField{"INAM", Field::Title}, TextField{"IART", Field::Artist},
    TextField{"IPRD", Field::Album}, TextField{"ITRK", Field::Track},
    TextField{"IPRT", Field::Track},
};

// Ids some tools write instead of the standard ones: read only where those are absent.
constexpr std::array kInfoFallbackFields = {
    TextField{"TRCK", Field::Track},
};

constexpr std::array kAiffTextFields = {
    TextField{"NAME", Field::Title},
    TextField{"AUTH", Field::Artist},
};

// The field a text chunk of this id holds, by a table of such chunks.
template <size_t N>
std::optional<Field> FieldOfChunk(const std::array<TextField, N>& fields, std::string_view id) {
    const auto known =
        std::find_if(fields.begin(), fields.end(), [&](const TextField& f) { return f.id == id; });
    return known != fields.end() ? std::optional(known->field) : std::nullopt;
}

struct Chunk {
    std::string id;
    uint64_t dataOffset;
    uint64_t dataSize;  // clipped to the enclosing chunk
};

enum class ByteOrder { Little, Big };

class RiffReader {
  public:
    RiffReader(const OpenedFile& file, ByteOrder order)
        : file_(file), fileSize_(file.Size()), order_(order) {}

    std::string ReadAt(uint64_t offset, uint64_t length) { return file_.ReadAt(offset, length); }

    // Calls visit for each chunk in [begin, end); odd sizes are followed by a pad byte.
    void ForEachChunk(uint64_t begin, uint64_t end,
                      const std::function<void(const Chunk&)>& visit) {
        end = std::min(end, fileSize_);
        uint64_t position = begin;
        for (int count = 0; count < kMaxChunksPerList && position + kChunkHeaderSize <= end;
             ++count) {
            const std::string header = ReadAt(position, kChunkHeaderSize);
            if (header.size() < kChunkHeaderSize) {
                return;
            }
            const uint64_t declared = Size32(std::string_view(header).substr(4));
            const uint64_t dataOffset = position + kChunkHeaderSize;
            visit(Chunk{header.substr(0, 4), dataOffset, std::min(declared, end - dataOffset)});
            position = dataOffset + declared + (declared & 1);
        }
    }

    uint64_t Size32(std::string_view bytes) const {
        uint64_t value = 0;
        for (size_t k = 0; k < 4; ++k) {
            const size_t i = order_ == ByteOrder::Little ? 3 - k : k;
            value = (value << 8) | static_cast<unsigned char>(bytes[i]);
        }
        return value;
    }

  private:
    const OpenedFile& file_;
    uint64_t fileSize_;
    ByteOrder order_;
};

std::string_view TrimNuls(std::string_view value) {
    value = value.substr(0, value.find('\0'));
    while (!value.empty() && value.back() == ' ') {
        value.remove_suffix(1);
    }
    return value;
}

// Puts the text chunk holds into field unless fields have it already.
void ReadTextChunk(RiffReader& reader, const Chunk& chunk, std::optional<Field> field,
                   FieldTexts& fields) {
    if (!field || fields.contains(*field)) {
        return;
    }
    const std::string raw =
        reader.ReadAt(chunk.dataOffset, std::min(chunk.dataSize, kMaxInfoValueSize));
    PutField(fields, *field, DecodeLegacyText(TrimNuls(raw)));
}

FieldTexts ReadInfoList(RiffReader& reader, const Chunk& list) {
    FieldTexts fields;
    FieldTexts fallbacks;
    reader.ForEachChunk(
        list.dataOffset + 4, list.dataOffset + list.dataSize, [&](const Chunk& item) {
            ReadTextChunk(reader, item, FieldOfChunk(kInfoFields, item.id), fields);
            ReadTextChunk(reader, item, FieldOfChunk(kInfoFallbackFields, item.id), fallbacks);
        });
    AddMissingFields(fields, fallbacks);
    return fields;
}

void ReadDataChunk(RiffReader& reader, const Chunk& data, RiffContents& contents) {
    const std::string probe =
        reader.ReadAt(data.dataOffset, std::min<uint64_t>(data.dataSize, kMpegProbeSize));
    contents.dataStartsWithMpeg = StartsWithMpegAudio(probe) || probe.starts_with("ID3");
    if (data.dataSize >= kId3v1BlockSize) {
        contents.id3v1 = ParseId3v1Block(
            reader.ReadAt(data.dataOffset + data.dataSize - kId3v1BlockSize, kId3v1BlockSize));
    }
}

bool IsId3ChunkId(std::string_view id) {
    return id == "id3 " || id == "ID3 ";
}

void ReadChunk(RiffReader& reader, const Chunk& chunk, RiffContents& contents) {
    if (chunk.id == "LIST" && !contents.info && reader.ReadAt(chunk.dataOffset, 4) == "INFO") {
        contents.info = ReadInfoList(reader, chunk);
    } else if (IsId3ChunkId(chunk.id) && !contents.id3v2) {
        contents.id3v2 = ParseId3v2Tag(reader.ReadAt(chunk.dataOffset, chunk.dataSize));
    } else if (chunk.id == "data") {
        ReadDataChunk(reader, chunk, contents);
    } else {
        ReadTextChunk(reader, chunk, FieldOfChunk(kAiffTextFields, chunk.id), contents.aiffTexts);
    }
}

// A writer that appended its tag chunk without updating the form's size leaves it right at the
// declared end; only a whole one is taken, not whatever bytes follow a form.
void ReadId3ChunkAt(RiffReader& reader, uint64_t offset, uint64_t fileSize,
                    RiffContents& contents) {
    const std::string header = reader.ReadAt(offset, kChunkHeaderSize);
    if (header.size() < kChunkHeaderSize || !IsId3ChunkId(std::string_view(header).substr(0, 4))) {
        return;
    }
    const uint64_t size = reader.Size32(std::string_view(header).substr(4));
    if (offset + kChunkHeaderSize + size <= fileSize) {
        ReadChunk(reader, Chunk{header.substr(0, 4), offset + kChunkHeaderSize, size}, contents);
    }
}

// RIFF and AIFF files share their layout but for the byte order of sizes.
std::optional<RiffContents> ReadChunks(const OpenedFile& file, std::string_view magic,
                                       ByteOrder order) {
    const uint64_t fileSize = file.Size();
    RiffReader reader(file, order);
    const std::string header = reader.ReadAt(0, 12);
    if (header.size() < 12 || !header.starts_with(magic)) {
        return std::nullopt;
    }
    RiffContents contents;
    contents.formType = header.substr(8, 4);
    const uint64_t declaredEnd =
        kChunkHeaderSize + reader.Size32(std::string_view(header).substr(4));
    // Writers that never went back to fill in the size leave it zero.
    const uint64_t riffEnd = declaredEnd < 12 ? fileSize : declaredEnd;
    reader.ForEachChunk(12, riffEnd,
                        [&](const Chunk& chunk) { ReadChunk(reader, chunk, contents); });
    ReadId3ChunkAt(reader, riffEnd, fileSize, contents);
    // A tagger that knows only ID3v1 appends its block behind the form, as at the end of any file.
    if (fileSize >= riffEnd + kId3v1BlockSize) {
        if (auto trailing =
                ParseId3v1Block(reader.ReadAt(fileSize - kId3v1BlockSize, kId3v1BlockSize))) {
            contents.id3v1 = std::move(trailing);
        }
    }
    return contents;
}

}  // namespace

std::optional<RiffContents> ReadRiffChunks(const OpenedFile& file) {
    return ReadChunks(file, "RIFF", ByteOrder::Little);
}

std::optional<RiffContents> ReadAiffChunks(const OpenedFile& file) {
    return ReadChunks(file, "FORM", ByteOrder::Big);
}

}  // namespace mp3infp
