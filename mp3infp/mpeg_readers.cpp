#include "mpeg_readers.h"

#include <taglib/mpegfile.h>

#include <memory>

#include "ape_tag.h"
#include "id3v1_block.h"
#include "id3v2_tag.h"
#include "mp3infp.h"
#include "mpeg_header.h"
#include "riff_chunks.h"

namespace mp3infp {

namespace {

// Enough for a frame and the header of the next one.
constexpr uint64_t kMpegProbeSize = 4096;

void AddId3Tags(OpenedFile& file, TagBlocks& tags) {
    if (auto id3v2 = ReadLeadingId3v2(file)) {
        tags.bySource[Source::Id3v2] = std::move(*id3v2);
        tags.mp3TagBits |= MP3INFP_TAG_ID3V2;
    }
    if (auto id3v1 = ReadId3v1(file)) {
        tags.bySource[Source::Id3v1] = std::move(*id3v1);
        tags.mp3TagBits |= MP3INFP_TAG_ID3V1;
    }
}

// TagLib's frame check refuses a second header byte of 0xFF, which every MPEG-1 Layer I frame
// without a checksum has; the own check reads the frames behind a leading ID3v2 tag.
bool StartsWithFrames(const OpenedFile& file) {
    const uint64_t start = Id3v2TagSize(file.ReadAt(0, kId3v2HeaderSize));
    return StartsWithMpegAudio(file.ReadAt(start, kMpegProbeSize));
}

// A file without tags, told by its MPEG frames.
std::optional<TagBlocks> ReadWithTagLib(OpenedFile& opened) {
    const std::unique_ptr<TagLib::MPEG::File> opening = OpenAs<TagLib::MPEG::File>(opened);
    TagLib::MPEG::File& file = *opening;
    if (!file.isValid()) {
        return std::nullopt;
    }
    if (file.firstFrameOffset() < 0 && !StartsWithFrames(opened)) {
        return std::nullopt;
    }
    return TagBlocks{};
}

}  // namespace

// Every tag is read by the own parsers; TagLib, which parses them all again and takes seconds
// over a large APE tag, only tells a file without tags by its frames.
std::optional<TagBlocks> ReadMpegTags(OpenedFile& opened) {
    TagBlocks tags;
    AddId3Tags(opened, tags);
    if (auto ape = ReadApeTag(opened)) {
        tags.bySource[Source::Main] = std::move(*ape);
    }
    if (tags.bySource.empty()) {
        return ReadWithTagLib(opened);
    }
    return tags;
}

std::optional<TagBlocks> ReadRiffMp3Tags(OpenedFile& file) {
    const auto riff = ReadRiffChunks(file);
    if (!riff || riff->formType != "RMP3" || (!riff->info && !riff->dataStartsWithMpeg)) {
        return std::nullopt;
    }
    TagBlocks tags;
    if (riff->info) {
        tags.bySource[Source::RiffInfo] = *riff->info;
        tags.mp3TagBits |= MP3INFP_TAG_RIFF_INFO;
    }
    if (riff->id3v1) {
        tags.bySource[Source::Id3v1] = *riff->id3v1;
        tags.mp3TagBits |= MP3INFP_TAG_ID3V1;
    }
    return tags;
}

}  // namespace mp3infp
