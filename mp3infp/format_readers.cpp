#include "format_readers.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/flacfile.h>
#include <taglib/itfile.h>
#include <taglib/modfile.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/s3mfile.h>
#include <taglib/speexfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tpropertymap.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>
#include <taglib/xmfile.h>

#include <array>
#include <memory>

#include "ape_tag.h"
#include "asf_objects.h"
#include "dsd_files.h"
#include "flac_blocks.h"
#include "id3v1_block.h"
#include "id3v2_tag.h"
#include "matroska_elements.h"
#include "mp3infp.h"
#include "mp4_atoms.h"
#include "mpeg_readers.h"
#include "ogg_streams.h"
#include "riff_chunks.h"
#include "small_formats.h"
#include "tag_readers.h"
#include "taglib_compat.h"

namespace mp3infp {
namespace {

// Reads the one tag of file with readFields.
template <typename TagLibFile, FieldTexts (*readFields)(TagLibFile&)>
std::optional<TagBlocks> ReadOpened(TagLibFile& file) {
    if (!file.isValid()) {
        return std::nullopt;
    }
    TagBlocks tags;
    tags.bySource[Source::Main] = readFields(file);
    return tags;
}

// Reads the one tag of file as TagLibFile with readFields.
template <typename TagLibFile, FieldTexts (*readFields)(TagLibFile&)>
std::optional<TagBlocks> ReadMain(OpenedFile& file) {
    return ReadOpened<TagLibFile, readFields>(*OpenAs<TagLibFile>(file));
}

// A file TagLib finds valid as TagLibFile, whose tags the own reader reads.
template <typename TagLibFile, auto readChunks>
std::optional<TagBlocks> ReadByChunks(OpenedFile& file) {
    if (!OpenAs<TagLibFile>(file)->isValid()) {
        return std::nullopt;
    }
    TagBlocks tags;
    tags.bySource[Source::Main] = readChunks(file);
    return tags;
}

template <typename TagLibFile>
FieldTexts GeneralTag(TagLibFile& file) {
    return file.tag() != nullptr ? ReadPropertyFields(file.tag()->properties()) : FieldTexts{};
}

// Trackers pad their names with spaces or NULs to the width of the field: the name is what
// comes before.
template <typename TagLibFile>
FieldTexts TrackerFields(TagLibFile& file) {
    FieldTexts fields;
    for (const auto& [field, text] : GeneralTag(file)) {
        const size_t end = text.find_last_not_of(std::string_view(" \0", 2));
        PutField(fields, field, end == std::string::npos ? std::string() : text.substr(0, end + 1));
    }
    return fields;
}

// TagLib reads the pages of an Ogg file as one stream; another stream multiplexed in breaks
// its packets, so it is given the first stream of its kind alone.
template <typename TagLibFile, FileKind kind>
std::optional<TagBlocks> ReadOgg(OpenedFile& file) {
    const auto first = StreamOfMultiplexedOgg(file, kind);
    if (!first) {
        return ReadMain<TagLibFile, GeneralTag>(file);
    }
    TagLib::ByteVector bytes(first->data(), static_cast<unsigned int>(first->size()));
    TagLib::ByteVectorStream stream(bytes);
    return ReadOpened<TagLibFile, GeneralTag<TagLibFile>>(*OpenAs<TagLibFile>(stream));
}

// The ID3 tags some writers put on formats with a tag of their own: each fills what the ones
// before it lack.
template <typename TagLibFile>
FieldTexts WithId3Fallbacks(FieldTexts fields, TagLibFile& file) {
    if (auto id3v2 = ReadLeadingId3v2(file)) {
        AddMissingFields(fields, *id3v2);
    }
    if (auto id3v1 = ReadId3v1(file)) {
        AddMissingFields(fields, *id3v1);
    }
    return fields;
}

// Formats whose main tag is APE, read by the own reader: TagLib drops items in legacy code pages.
FieldTexts ApeThenId3(OpenedFile& file) {
    return WithId3Fallbacks(ReadApeTag(file).value_or(FieldTexts{}), file);
}

FieldTexts FlacFields(TagLib::FLAC::File& file) {
    return WithId3Fallbacks(
        file.hasXiphComment() ? ReadPropertyFields(file.xiphComment()->properties()) : FieldTexts{},
        file);
}

FieldTexts TrueAudioFields(TagLib::TrueAudio::File& file) {
    return WithId3Fallbacks({}, file);
}

// An ID3 chunk, when there is one, is the tag; the text chunks are the older form.
FieldTexts AiffFields(const OpenedFile& file) {
    const auto chunks = ReadAiffChunks(file);
    if (!chunks) {
        return {};
    }
    return chunks->id3v2 ? *chunks->id3v2 : chunks->aiffTexts;
}

// TagLib decodes INFO texts as UTF-8, losing legacy bytes, and misreads some ID3v2 layouts; the
// own chunk reader reads both.
FieldTexts WavFields(const OpenedFile& file) {
    const auto riff = ReadRiffChunks(file);
    if (!riff) {
        return {};
    }
    FieldTexts fields = riff->id3v2.value_or(FieldTexts{});
    if (riff->info) {
        AddMissingFields(fields, *riff->info);
    }
    return fields;
}

// A file the own reader alone reads: nothing when it is not valid as the reader's kind.
template <std::optional<FieldTexts> (*readTags)(const OpenedFile&)>
std::optional<TagBlocks> ReadOwn(OpenedFile& file) {
    auto fields = readTags(file);
    if (!fields) {
        return std::nullopt;
    }
    TagBlocks tags;
    tags.bySource[Source::Main] = std::move(*fields);
    return tags;
}

// TagLib refuses a movie atom that runs past the end of the file; its whole tag items still count.
std::optional<TagBlocks> ReadMp4(OpenedFile& file) {
    if (auto tags = ReadMain<TagLib::MP4::File, GeneralTag>(file)) {
        return tags;
    }
    return ReadOwn<ReadCutMp4Tags>(file);
}

// A file the own reader alone reads, whose ID3 tags fill what its own tag lacks.
template <std::optional<FieldTexts> (*readTags)(const OpenedFile&)>
std::optional<TagBlocks> ReadOwnThenId3(OpenedFile& file) {
    auto fields = readTags(file);
    if (!fields) {
        return std::nullopt;
    }
    TagBlocks tags;
    tags.bySource[Source::Main] = WithId3Fallbacks(std::move(*fields), file);
    return tags;
}

// TagLib refuses metadata blocks that run past the end of the file; a whole comment still counts.
std::optional<TagBlocks> ReadFlac(OpenedFile& file) {
    if (auto tags = ReadMain<TagLib::FLAC::File, FlacFields>(file)) {
        return tags;
    }
    return ReadOwnThenId3<ReadCutFlacTags>(file);
}

struct FormatReader {
    FileKind kind;
    uint32_t type;
    std::optional<TagBlocks> (*read)(OpenedFile& file);
};

namespace TL = TagLib;

constexpr std::array kFormatReaders = {
    FormatReader{FileKind::Mpeg, MP3INFP_TYPE_MP3, &ReadMpegTags},
    FormatReader{FileKind::RiffMp3, MP3INFP_TYPE_MP3, &ReadRiffMp3Tags},
    FormatReader{FileKind::Wav, MP3INFP_TYPE_WAV, &ReadByChunks<TL::RIFF::WAV::File, WavFields>},
    FormatReader{FileKind::Aiff, MP3INFP_TYPE_AIFF,
                 &ReadByChunks<TL::RIFF::AIFF::File, AiffFields>},
    FormatReader{FileKind::Flac, MP3INFP_TYPE_FLAC, &ReadFlac},
    FormatReader{FileKind::OggVorbis, MP3INFP_TYPE_OGG_VORBIS,
                 &ReadOgg<TL::Ogg::Vorbis::File, FileKind::OggVorbis>},
    FormatReader{FileKind::OggOpus, MP3INFP_TYPE_OGG_OPUS,
                 &ReadOgg<TL::Ogg::Opus::File, FileKind::OggOpus>},
    FormatReader{FileKind::OggSpeex, MP3INFP_TYPE_OGG_SPEEX,
                 &ReadOgg<TL::Ogg::Speex::File, FileKind::OggSpeex>},
    FormatReader{FileKind::OggFlac, MP3INFP_TYPE_OGG_FLAC,
                 &ReadOgg<TL::Ogg::FLAC::File, FileKind::OggFlac>},
    FormatReader{FileKind::Mp4, MP3INFP_TYPE_MP4, &ReadMp4},
    FormatReader{FileKind::Asf, MP3INFP_TYPE_ASF, &ReadOwn<ReadAsfTags>},
    FormatReader{FileKind::Ape, MP3INFP_TYPE_APE, &ReadByChunks<TL::APE::File, ApeThenId3>},
    FormatReader{FileKind::WavPack, MP3INFP_TYPE_WAVPACK,
                 &ReadByChunks<TL::WavPack::File, ApeThenId3>},
    FormatReader{FileKind::Musepack, MP3INFP_TYPE_MUSEPACK,
                 &ReadByChunks<TL::MPC::File, ApeThenId3>},
    FormatReader{FileKind::TrueAudio, MP3INFP_TYPE_TRUEAUDIO,
                 &ReadMain<TL::TrueAudio::File, TrueAudioFields>},
    FormatReader{FileKind::Mod, MP3INFP_TYPE_MOD, &ReadMain<TL::Mod::File, TrackerFields>},
    FormatReader{FileKind::S3m, MP3INFP_TYPE_S3M, &ReadMain<TL::S3M::File, TrackerFields>},
    FormatReader{FileKind::It, MP3INFP_TYPE_IT, &ReadMain<TL::IT::File, TrackerFields>},
    FormatReader{FileKind::Xm, MP3INFP_TYPE_XM, &ReadMain<TL::XM::File, TrackerFields>},
    FormatReader{FileKind::Dsf, MP3INFP_TYPE_DSF, &ReadOwn<ReadDsfTags>},
    FormatReader{FileKind::Dsdiff, MP3INFP_TYPE_DSDIFF, &ReadOwn<ReadDsdiffTags>},
    // TAK keeps its tags as Monkey's Audio does; TagLib reads them without knowing the stream.
    FormatReader{FileKind::Tak, MP3INFP_TYPE_TAK, &ReadByChunks<TL::APE::File, ApeThenId3>},
    FormatReader{FileKind::Matroska, MP3INFP_TYPE_MATROSKA, &ReadOwn<ReadMatroskaTags>},
    FormatReader{FileKind::OptimFrog, MP3INFP_TYPE_OPTIMFROG, &ReadOwnThenId3<ReadOptimFrogTags>},
    FormatReader{FileKind::Spc, MP3INFP_TYPE_SPC, &ReadOwnThenId3<ReadSpcTags>},
    FormatReader{FileKind::TwinVq, MP3INFP_TYPE_TWINVQ, &ReadOwnThenId3<ReadTwinVqTags>},
};

}  // namespace

std::optional<ReadResult> ReadFileTags(FileKind kind, OpenedFile& file) {
    for (const FormatReader& reader : kFormatReaders) {
        if (reader.kind != kind) {
            continue;
        }
        auto tags = reader.read(file);
        if (!tags) {
            return std::nullopt;
        }
        return ReadResult{reader.type, std::move(*tags)};
    }
    return std::nullopt;
}

}  // namespace mp3infp
