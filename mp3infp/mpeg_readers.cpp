#include "mpeg_readers.h"

#include <taglib/mpegfile.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "ape_tag.h"
#include "id3v1_block.h"
#include "id3v2_tag.h"
#include "mp3infp.h"
#include "mpeg_header.h"
#include "riff_chunks.h"

namespace mp3infp {

namespace {

// TagLib looks for an APE tag's footer at the end of the file or just before its ID3v1 block:
// always within this many last bytes.
constexpr uint64_t kApeFooterSpan = 200;
constexpr std::string_view kApeFooterId = "APETAGEX";
// Enough for a frame and the header of the next one.
constexpr uint64_t kMpegProbeSize = 4096;

bool MayHoldApeTag(const OpenedFile& file) {
    const uint64_t span = std::min(file.Size(), kApeFooterSpan);
    return file.ReadAt(file.Size() - span, span).find(kApeFooterId) != std::string::npos;
}

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

// With an APE tag, or to tell a file without tags by its MPEG frames.
std::optional<TagBlocks> ReadWithTagLib(OpenedFile& opened) {
    const std::unique_ptr<TagLib::MPEG::File> opening = OpenAs<TagLib::MPEG::File>(opened);
    TagLib::MPEG::File& file = *opening;
    if (!file.isValid()) {
        return std::nullopt;
    }
    TagBlocks tags;
    AddId3Tags(opened, tags);
    if (auto ape = ReadApeTag(opened)) {
        tags.bySource[Source::Main] = std::move(*ape);
    }
    if (tags.bySource.empty() && file.firstFrameOffset() < 0 && !StartsWithFrames(opened)) {
        return std::nullopt;
    }
    return tags;
}

}  // namespace

// Both ID3 tags are read by the own parsers; TagLib's reading of a whole MPEG file, which
// parses every ID3v2 tag again, is left to the few files that need it.
std::optional<TagBlocks> ReadMpegTags(OpenedFile& opened) {
    if (MayHoldApeTag(opened)) {
        return ReadWithTagLib(opened);
    }
    TagBlocks tags;
    AddId3Tags(opened, tags);
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
