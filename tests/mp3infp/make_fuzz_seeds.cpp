// Writes one small tagged file per format into the folder given, as a starting corpus.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "audio_fixtures.h"
#include "format_cases.h"
#include "id3v2_bytes.h"
#include "stream_bytes.h"

namespace fixtures = tunvex::fixtures;

namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const fixtures::TagValues values{"Title", "Artist", "Album", "3/12"};
    for (const auto& format : tunvex::testing::AllFormats()) {
        format.write((folder / format.fileName).string(), values);
    }
    fixtures::WriteMp3((folder / "both.mp3").string(), values, values);
    fixtures::WriteMp3WithRawId3v1((folder / "sjis.mp3").string(),
                                   "\x83\x7C\x83\x50\x83\x62\x83\x67", "Caf\xE9", "", 7);
    const std::string frames =
        fixtures::Id3v2Frame(4, "TIT2",
                             "\x07" + fixtures::SyncSafe32(6) + std::string("\x01\xFF\xFEt\0", 6),
                             0x0043) +
        fixtures::Id3v2Frame(4, "TPE1", fixtures::Id3v2Text(3, "Artist\0Other"));
    fixtures::WriteBytes(
        (folder / "layout.mp3").string(),
        fixtures::Id3v2Tag({4, 0x50, fixtures::SyncSafe32(6) + std::string(2, '\x01')}, frames) +
            fixtures::MpegFrames(2));
    const std::string plainSizes =
        "TIT2" + fixtures::BigEndian32(201) + std::string(2, '\0') +
        fixtures::Id3v2Text(3, "\xFF" + std::string(199, 'A') + "\xC3\xAD") +
        fixtures::Id3v2Frame(4, "TPE1", fixtures::Id3v2Text(0, "Artist"));
    const std::string plainSizesTag = fixtures::Id3v2Tag({}, plainSizes);
    fixtures::WriteBehindId3v2((folder / "tagged.ape").string(), fixtures::BareStream::Ape,
                               plainSizesTag);
    fixtures::WriteBehindId3v2((folder / "tagged.wv").string(), fixtures::BareStream::WavPack,
                               plainSizesTag);
    fixtures::WriteBehindId3v2((folder / "tagged.mpc").string(), fixtures::BareStream::Musepack,
                               plainSizesTag);
    fixtures::WriteWav((folder / "appended.wav").string(), {});
    fixtures::WriteBytes(
        (folder / "appended.wav").string(),
        ReadBytes(folder / "appended.wav") + fixtures::RiffChunk("id3 ", plainSizesTag));
    const std::string mp4 = ReadBytes(folder / "a.m4a");
    fixtures::WriteBytes((folder / "cut.m4a").string(), mp4.substr(0, mp4.find("mvhd") + 20));
    fixtures::WriteBytes((folder / "layer1.mp1").string(),
                         fixtures::MpegFrames(3, fixtures::MpegLayer::I));
    fixtures::WriteAsfWithValues((folder / "objects.wma").string(),
                                 {{fixtures::AsfHolder::MetadataLibrary, "WM/AlbumTitle", "Album"},
                                  {fixtures::AsfHolder::ContentDescription, "Title", "Title"},
                                  {fixtures::AsfHolder::Metadata, "Author", "Artist"},
                                  {fixtures::AsfHolder::ExtendedContentDescription,
                                   "WM/TrackNumber", fixtures::LittleEndian32(7), 3}});
    fixtures::WriteAiffWithChunks((folder / "texts.aiff").string(),
                                  {{"NAME", "Title"}, {"AUTH", "Artist"}, {"ANNO", "note"}});
    fixtures::WriteMatroskaWithTags(
        (folder / "levels.mka").string(),
        {{50, {{"TITLE", "Album"}, {"ARTIST", "Artist"}}}, {30, {{"TITLE", "Title"}}}},
        fixtures::MatroskaLayout::TagsBehindAnUnknownSizeCluster, "Segment");
    const std::string vorbisBytes = ReadBytes(folder / "a.ogg");
    fixtures::WriteBytes((folder / "muxed.ogg").string(),
                         fixtures::InterleaveOggPages(
                             vorbisBytes, fixtures::OggStream({{"\x80theora"}, {"frame"}}, 9)));
    fixtures::WriteMod((folder / "a.mod").string(), "module");
    fixtures::WriteXm((folder / "a.xm").string(), "module    ");
    fixtures::WriteS3m((folder / "a.s3m").string(), "module  ");
    fixtures::WriteIt((folder / "a.it").string(), "module      ");
    // APE tags in legacy code pages, versions 2000 and 1000, and before an ID3v1 block.
    const std::vector<std::pair<std::string, std::string>> legacyItems = {
        {"Title", "\x83\x7C\x83\x50\x83\x62\x83\x67"},
        {"Artist", "\xD6\xDC\xBD\xDC\xC2\xD7"},
        {"ALBUM", std::string("Album\0Other", 11)},
        {"Track", "3"}};
    fixtures::WriteBeforeApeTag((folder / "legacy.ape").string(), fixtures::BareStream::Ape,
                                fixtures::ApeTag(2000, legacyItems));
    fixtures::WriteBeforeApeTag((folder / "legacy.wv").string(), fixtures::BareStream::WavPack,
                                fixtures::ApeTag(1000, legacyItems));
    fixtures::WriteBytes((folder / "ape.mp3").string(),
                         fixtures::MpegFrames(2) + fixtures::ApeTag(2000, legacyItems) +
                             fixtures::Id3v1Block("Title", "", "", 1));
    // ID3v2 frames with ids no version defines, padded v2.2 ids, an extended-header flag alone.
    const auto text = [](const char* id, const char* value) {
        return fixtures::Id3v2Frame(3, std::string(id, 4), fixtures::Id3v2Text(0, value));
    };
    fixtures::WriteBytes((folder / "odd-ids.mp3").string(),
                         fixtures::Id3v2Tag({3}, text("Date", "2001") + text("TP1\0", "Artist") +
                                                     text("COM\0", "note") +
                                                     text("TT2\0", "Title") + text("TIT2", "T")) +
                             fixtures::MpegFrames(2));
    fixtures::WriteBytes((folder / "flag-alone.mp3").string(),
                         fixtures::Id3v2Tag({4, 0x40}, frames) + fixtures::MpegFrames(2));
    // A FLAC behind an ID3v2 tag, cut inside its last metadata block.
    const std::string flac =
        fixtures::Id3v2Tag({3}, text("TALB", "Album")) + ReadBytes(folder / "a.flac");
    fixtures::WriteBytes((folder / "cut.flac").string(),
                         flac.substr(0, flac.rfind("\xFF\xF8") - 100));
    fixtures::WriteWavWithInfo((folder / "trck.wav").string(), {{"INAM", "Title"}, {"TRCK", "5"}});
    // Formats read by the own readers alone, and an Ogg video with its sound beside it.
    fixtures::WriteSpcWithId666((folder / "id666.spc").string(), "Title", "Game", "Artist",
                                fixtures::Id666Form::Binary);
    fixtures::WriteBytes(
        (folder / "tagged.ofs").string(),
        fixtures::Id3v2Tag({3}, text("TALB", "Album")) + ReadBytes(folder / "a.ofr"));
    fixtures::WriteBytes(
        (folder / "video.ogg").string(),
        fixtures::InterleaveOggPages(fixtures::OggStream({{"\x80theora"}, {"frame"}}, 9),
                                     ReadBytes(folder / "a.oga")));
    return 0;
}
