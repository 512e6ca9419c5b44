#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include <filesystem>
#include <string>
#include <vector>

#include "format_cases.h"
#include "id3v2_bytes.h"
#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using namespace fixtures;

class FormatTest : public LibraryTestWithParam<FormatCase> {
  protected:
    std::string Write(const TagValues& values) {
        const std::string path = folder / GetParam().fileName;
        GetParam().write(path, values);
        return path;
    }
};

// Album artist and compilation wherever TagLib finds them; a text track keeps its leading zero.
TEST_P(FormatTest, ReportsItsTypeAndAllValues) {
    const TagValues values{"Ünïcode Title ポケット", "The Artist", "Album Name", "03/12",
                           "アルバム Artist",        "1"};
    const std::string path = Write(values);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), GetParam().type);
    EXPECT_EQ(library.Value("INAM"), values.title);
    EXPECT_EQ(library.Value("IART"), values.artist);
    EXPECT_EQ(library.Value("IPRD"), values.album);
    EXPECT_EQ(library.Value("TRACK"), GetParam().type == MP3INFP_TYPE_MP4 ? "3/12" : values.track);
    // Where TagLib cannot read the file, its fixture keeps them only in an APE or ID3v2 tag.
    TagLib::FileRef file(path.c_str(), false);
    const std::string name = GetParam().name;
    const bool ownTag = name == "Tak" || name == "Dsf" || name == "Dsdiff";
    const TagLib::PropertyMap kept =
        file.file() != nullptr ? file.file()->properties() : TagLib::PropertyMap();
    const auto expected = [&](const char* key, const std::optional<std::string>& value) {
        return kept.contains(key) || (file.file() == nullptr && ownTag) ? value : std::nullopt;
    };
    EXPECT_EQ(library.Value("AART"), expected("ALBUMARTIST", values.albumArtist));
    EXPECT_EQ(library.Value("COMP"), expected("COMPILATION", values.compilation));
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FormatTest, ::testing::ValuesIn(AllFormats()), CaseName());

// A video stream multiplexed in, first or not, leaves the audio's comments readable.
TEST_F(LibraryTest, ReadsTheAudioOfMultiplexedOggStreams) {
    const std::string video =
        OggStream({{"\x80theora" + std::string(35, '\0')}, {"\x81theora"}, {"frame"}}, 9);
    for (const auto& [write, type] : {std::pair{&WriteOggVorbis, MP3INFP_TYPE_OGG_VORBIS},
                                      std::pair{&WriteOggOpus, MP3INFP_TYPE_OGG_OPUS},
                                      std::pair{&WriteOggFlac, MP3INFP_TYPE_OGG_FLAC}}) {
        for (const bool videoFirst : {false, true}) {
            const std::string path = folder / "muxed.ogg";
            write(path, TagValues{.title = "Title", .artist = "Artist"});
            const std::string audio = ReadFile(path);
            WriteBytes(path, videoFirst ? InterleaveOggPages(video, audio)
                                        : InterleaveOggPages(audio, video));
            ASSERT_TRUE(library.Load(path)) << type << (videoFirst ? " behind" : " before");

            EXPECT_EQ(library.Type(), type);
            EXPECT_EQ(library.Value("INAM"), "Title");
            EXPECT_EQ(library.Value("IART"), "Artist");
        }
    }
}

TEST_P(FileTest, GivesItsTypeAndValues) {
    const std::string path = folder / GetParam().fileName;
    GetParam().write(path);

    EXPECT_EQ(library.Load(path), GetParam().type != MP3INFP_TYPE_NONE);
    EXPECT_EQ(library.Type(), GetParam().type);
    EXPECT_EQ(library.TagBits(), GetParam().bits.value_or(library.TagBits()));
    for (const auto& [name, expected] : GetParam().values)
        EXPECT_EQ(library.Value(name), expected) << name;
}

Writer Spc(Id666Form form, std::string apeTag = "") {
    return [=](const std::string& path) {
        WriteSpcWithId666(path, "Title", "Game", "Artist", form);
        WriteBytes(path, ReadFile(path) + apeTag);
    };
}

using enum AsfHolder;
constexpr auto kWavInfo = &WriteWavWithInfo;
constexpr auto kAsf = &WriteAsfWithValues;
constexpr auto kAiff = &WriteAiffWithChunks;
constexpr auto kMka = &WriteMatroskaWithTags;
constexpr auto kClusters = MatroskaLayout::TagsAfterClusters;
const std::string kId3Artist = Id3v2Tag({3}, Id3v2Frame(3, "TPE1", Id3v2Text(0, "Tagged Artist")));
const std::string kApeTag = ApeTag(2000, {{"Title", "Ape Title"}, {"Track", "2"}});
const Values kSpc = {{"INAM", "Title"}, {"IART", "Artist"}, {"IPRD", "Game"}, {"TRACK", {}}};

// Layouts other readers handle. Matroska: track-level values before album-level ones.
// clang-format off
const FileCase kLayouts[] = {
    // SPC: the ID666 tag of the header in either form; an APE tag outranks it.
    {"SpcId666InBinaryForm", "a.spc", Spc(Id666Form::Binary), MP3INFP_TYPE_SPC, kSpc},
    {"SpcApeTagBeforeId666", "a.spc", Spc(Id666Form::Text, kApeTag), MP3INFP_TYPE_SPC,
     {{"INAM", "Ape Title"}, {"IART", "Artist"}, {"IPRD", "Game"}, {"TRACK", "2"}}},
    // OptimFROG DualStream behind an ID3v2 tag, which fills what the APE tag lacks.
    {"OptimFrogDualStreamBehindId3v2", "a.ofs", [](Path p) {
         WriteOptimFrog(p, TagValues{.title = "Title"});
         WriteBytes(p, kId3Artist + ReadFile(p)); },
     MP3INFP_TYPE_OPTIMFROG, {{"INAM", "Title"}, {"IART", "Tagged Artist"}}},
    // RIFF INFO: TRCK, as some tools write it, is the track where ITRK and IPRT are absent.
    {"WavTrckIprt", "a.wav", Bind(kWavInfo, {{"TRCK", "5"}, {"IPRT", "6/9"}}), MP3INFP_TYPE_WAV,
     {{"TRACK", "6/9"}}},
    // Tracker titles without the spaces and NULs that pad them to their field.
    {"Mod", "a.mod", Bind(WriteMod, "debris  "), MP3INFP_TYPE_MOD, {{"INAM", "debris"}}},
    {"It", "a.it", Bind(WriteIt, "Blue Flame    "), MP3INFP_TYPE_IT, {{"INAM", "Blue Flame"}}},
    {"XmOfSpaces", "a.xm", Bind(WriteXm, std::string(20, ' ')), MP3INFP_TYPE_XM, {{"INAM", {}}}},
    // ASF: each value from the first object that holds it, whatever the file order.
    {"AsfExtendedBeforeDescription", "a.wma", Bind(kAsf, {{ExtendedContentDescription, "Title",
     "other"}, {ContentDescription, "Title", "Title"}}), MP3INFP_TYPE_ASF, {{"INAM", "Title"}}},
    {"AsfLibraryOnly", "a.wma", Bind(kAsf, {{MetadataLibrary, "WM/AlbumTitle", "Album"}}),
     MP3INFP_TYPE_ASF, {{"IPRD", "Album"}}},
    {"AsfTrackAsANumber", "a.wma", Bind(kAsf, {{ExtendedContentDescription, "WM/TrackNumber",
     LittleEndian32(7), 3}}), MP3INFP_TYPE_ASF, {{"TRACK", "7"}}},
    // AIFF text chunks give title and artist when there is no ID3 chunk.
    {"AiffOddSizesPaddedAndNulTerminated", "a.aiff", Bind(kAiff, {{"NAME", "Odd"},
     {"AUTH", std::string("Artist\0", 7)}}), MP3INFP_TYPE_AIFF,
     {{"INAM", "Odd"}, {"IART", "Artist"}}},
    {"MkaTrackLevelFirst", "a.mka", Bind(kMka, {{50, {{"ARTIST", "Album Artist"}}}, {30, {{"ARTIST",
     "Artist"}}}}, kClusters, ""), MP3INFP_TYPE_MATROSKA, {{"IART", "Artist"}, {"INAM", {}}}},
    {"MkaBehindAClusterOfUnknownSize", "a.mka", Bind(kMka, {{30, {{"TITLE", "Title"}}}},
     MatroskaLayout::TagsBehindAnUnknownSizeCluster, ""), MP3INFP_TYPE_MATROSKA,
     {{"INAM", "Title"}}},
    {"MkaSegmentTitle", "a.mka", Bind(kMka, {{30, {{"ARTIST", "Artist"}}}}, kClusters, "Segment"),
     MP3INFP_TYPE_MATROSKA, {{"INAM", "Segment"}, {"IART", "Artist"}}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Layouts, FileTest, ::testing::ValuesIn(kLayouts), CaseName());

const TagValues kValues{"title", "artist", "album", "1"};
const std::string kLayer1 = MpegFrames(4, MpegLayer::I);
const std::string kZeros6(6, '\0');
const std::string kJunk(10000, 'j');
const std::string kId3v1 = Id3v1Block("title", "", "", 1);

Writer Bytes(std::string bytes) {
    return [bytes](Path path) { WriteBytes(path, bytes); };
}

// What a file is comes from its content; its name only lets a scan for MPEG frames start.
// clang-format off
const FileCase kSniffed[] = {
    {"Layer1BehindAnUnknownId3v2Version", "a.mp1", Bytes("ID3\x05" + kZeros6 + kLayer1),
     MP3INFP_TYPE_MP3},
    {"UntaggedDsf", "a.dsf", Bind(WriteDsfWithId3v2, ""), MP3INFP_TYPE_DSF},
    {"Frm8OfAnotherForm", "a.dff", Bytes("FRM8" + kZeros6 + std::string("\0\0\x04" "DST ", 7)),
     MP3INFP_TYPE_NONE},
    {"Mp3AfterJunkNamedMp3", "a.mp3", Bytes("junk" + MpegFrames(4)), MP3INFP_TYPE_MP3},
    {"Mp3AfterJunkWithoutExtension", "a", Bytes("junk" + MpegFrames(4)), MP3INFP_TYPE_NONE},
    {"Mp3AfterLongJunkWithId3v1NamedMp3", "a.mp3", Bytes(kJunk + MpegFrames(4) + kId3v1),
     MP3INFP_TYPE_MP3},
    {"LongJunkWithId3v1WithoutExtension", "a", Bytes(kJunk + kId3v1), MP3INFP_TYPE_NONE},
    {"FrameSyncLookalikesNamedMp3", "a.mp3", Bytes(std::string(4096, '\xFF')), MP3INFP_TYPE_NONE},
    {"EmptyFileNamedMp3", "a.mp3", Bytes(""), MP3INFP_TYPE_NONE},
    {"MissingFile", "a.mp3", [](Path) {}, MP3INFP_TYPE_NONE},
    {"Folder", "a.mp3", [](Path p) { std::filesystem::create_directory(p); }, MP3INFP_TYPE_NONE},
    {"ZerosNamedMp3", "a.mp3", Bytes(std::string(1 << 20, '\0')), MP3INFP_TYPE_NONE},
    {"NamedPipe", "a.mp3", [](Path p) { mkfifo(p.c_str(), 0644); }, MP3INFP_TYPE_NONE},
    {"TwinVqOfAnUnknownVersion", "a.vqf", [](Path p) {
         WriteTwinVq(p, kValues);
         WriteBytes(p, ReadFile(p).replace(4, 8, "12345678")); }, MP3INFP_TYPE_NONE},
    {"OggVideoWithAStreamOfNoKnownCodec", "a.ogg", Bytes(InterleaveOggPages(
     OggStream({{"\x80theora"}, {"frame"}}, 1), OggStream({{"\x7f" "FLAX"}, {"frame"}}, 2))),
     MP3INFP_TYPE_NONE},
    {"OggWithUnknownCodec", "a.ogg", Bytes(OggStream({{"\x80theora"}})), MP3INFP_TYPE_NONE},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Sniffed, FileTest, ::testing::ValuesIn(kSniffed), CaseName());

}  // namespace
}  // namespace tunvex::testing
