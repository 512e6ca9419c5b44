#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "format_cases.h"
#include "id3v2_bytes.h"
#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::TagValues;

class FormatTest : public LibraryTestWithParam<FormatCase> {
  protected:
    std::string Write(const TagValues& values) {
        const std::string path = folder / GetParam().fileName;
        GetParam().write(path, values);
        return path;
    }
};

// The album artist and the compilation flag are read wherever TagLib finds them in the file.
TEST_P(FormatTest, ReportsItsTypeAndAllValues) {
    const TagValues values{"Ünïcode Title ポケット", "The Artist", "Album Name", "3/12",
                           "アルバム Artist",        "1"};
    const std::string path = Write(values);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), GetParam().type);
    EXPECT_EQ(library.Value("INAM"), values.title);
    EXPECT_EQ(library.Value("IART"), values.artist);
    EXPECT_EQ(library.Value("IPRD"), values.album);
    EXPECT_EQ(library.Value("TRACK"), values.track);
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

TEST_P(FormatTest, AnswersNothingForValuesTheFileLacks) {
    ASSERT_TRUE(library.Load(Write(TagValues{.title = "Only a title"})));

    EXPECT_EQ(library.Value("INAM"), "Only a title");
    EXPECT_EQ(library.Value("IART"), std::nullopt);
    EXPECT_EQ(library.Value("IPRD"), std::nullopt);
    EXPECT_EQ(library.Value("TRACK"), std::nullopt);
    EXPECT_EQ(library.Value("AART"), std::nullopt);
    EXPECT_EQ(library.Value("COMP"), std::nullopt);
}

// Taggers store several artists as several values of one field; the first names the file.
TEST_P(FormatTest, GivesTheFirstOfSeveralValues) {
    const std::string path = Write(TagValues{.title = "Title"});
    {
        TagLib::FileRef file(path.c_str(), false);
        TagLib::StringList artists("First");
        artists.append("Second");
        TagLib::File* tagged = file.file();
        if (tagged == nullptr) {
            GTEST_SKIP() << "TagLib cannot write the format";
        }
        TagLib::PropertyMap properties = tagged->properties();
        properties.replace("ARTIST", artists);
        tagged->setProperties(properties);
        if (tagged->properties()["ARTIST"].size() < 2) {
            GTEST_SKIP() << "the format keeps one value per field";
        }
        ASSERT_TRUE(file.save());
    }
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("IART"), "First");
}

INSTANTIATE_TEST_SUITE_P(AllFormats, FormatTest, ::testing::ValuesIn(AllFormats()),
                         [](const auto& test) { return std::string(test.param.name); });

// A second stream (here a video) multiplexed in leaves the audio stream's comments readable,
// whichever stream begins the file.
TEST_F(LibraryTest, ReadsTheAudioOfMultiplexedOggStreams) {
    const std::string video =
        fixtures::OggStream({{"\x80theora" + std::string(35, '\0')}, {"\x81theora"}, {"frame"}}, 9);
    for (const auto& [write, type] : {std::pair{&fixtures::WriteOggVorbis, MP3INFP_TYPE_OGG_VORBIS},
                                      std::pair{&fixtures::WriteOggOpus, MP3INFP_TYPE_OGG_OPUS},
                                      std::pair{&fixtures::WriteOggFlac, MP3INFP_TYPE_OGG_FLAC}}) {
        for (const bool videoFirst : {false, true}) {
            const std::string path = folder / "muxed.ogg";
            write(path, TagValues{.title = "Title", .artist = "Artist"});
            const std::string audio = ReadFile(path);
            fixtures::WriteBytes(path, videoFirst ? fixtures::InterleaveOggPages(video, audio)
                                                  : fixtures::InterleaveOggPages(audio, video));
            ASSERT_TRUE(library.Load(path)) << type << (videoFirst ? " behind" : " before");

            EXPECT_EQ(library.Type(), type);
            EXPECT_EQ(library.Value("INAM"), "Title");
            EXPECT_EQ(library.Value("IART"), "Artist");
        }
    }
}

TEST_F(LibraryTest, Mp4TrackWithoutTotalIsTheNumber) {
    const std::string path = folder / "a.m4a";
    fixtures::WriteMp4(path, TagValues{.track = "7"});
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("TRACK"), "7");
}

// Where the atom of type in bytes ends, by the size before it.
size_t AtomEnd(const std::string& bytes, std::string_view type) {
    const size_t start = bytes.find(type) - 4;
    size_t size = 0;
    for (size_t i = start; i < start + 4; ++i) {
        size = (size << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return start + size;
}

// A download cut short leaves the movie atom running past the end of the file.
std::function<void(const std::string&)> CutMp4(size_t (*cutAt)(const std::string& bytes)) {
    return [cutAt](const std::string& path) {
        fixtures::WriteMp4(path, TagValues{"Title", "Artist", "Album", "3/12"});
        const std::string bytes = ReadFile(path);
        fixtures::WriteBytes(path, bytes.substr(0, cutAt(bytes)));
    };
}

// A FLAC file behind an ID3v2 tag that holds an album, cut short at the offset cutAt gives.
std::function<void(const std::string&)> CutFlac(size_t (*cutAt)(const std::string& bytes)) {
    return [cutAt](const std::string& path) {
        fixtures::WriteFlac(path, TagValues{"Title", "Artist", std::nullopt, "3/12"});
        const std::string tag = fixtures::Id3v2Tag(
            {3}, fixtures::Id3v2Frame(3, "TALB", fixtures::Id3v2Text(0, "Tagged Album")));
        const std::string bytes = tag + ReadFile(path);
        fixtures::WriteBytes(path, bytes.substr(0, cutAt(bytes)));
    };
}

// Where the audio starts: the metadata blocks end there.
size_t FlacAudio(const std::string& bytes) {
    return bytes.rfind("\xFF\xF8");
}

std::function<void(const std::string&)> WavInfo(
    std::vector<std::pair<std::string, std::string>> items) {
    return [items](const std::string& path) { fixtures::WriteWavWithInfo(path, items); };
}

template <void (*write)(const std::string& path, const std::string& title)>
std::function<void(const std::string&)> Module(std::string title) {
    return [title](const std::string& path) { write(path, title); };
}

std::function<void(const std::string&)> Spc(std::string title, std::string game, std::string artist,
                                            fixtures::Id666Form form, std::string apeTag = "") {
    return [=](const std::string& path) {
        fixtures::WriteSpcWithId666(path, title, game, artist, form);
        fixtures::WriteBytes(path, ReadFile(path) + apeTag);
    };
}

std::function<void(const std::string&)> Asf(std::vector<fixtures::AsfValue> values) {
    return [values](const std::string& path) { fixtures::WriteAsfWithValues(path, values); };
}

std::function<void(const std::string&)> Aiff(
    std::vector<std::pair<std::string, std::string>> chunks) {
    return [chunks](const std::string& path) { fixtures::WriteAiffWithChunks(path, chunks); };
}

// One file of a layout that other readers handle, and the values it must give.
struct LayoutCase {
    const char* name;
    const char* fileName;
    std::function<void(const std::string&)> write;
    uint32_t type;
    std::vector<std::pair<const char*, std::optional<std::string>>> values;
};

void PrintTo(const LayoutCase& value, std::ostream* out) {
    *out << value.name;
}

using fixtures::AsfHolder;
const std::string kId3Artist = fixtures::Id3v2Tag(
    {3}, fixtures::Id3v2Frame(3, "TPE1", fixtures::Id3v2Text(0, "Tagged Artist")));
const std::vector<std::pair<const char*, std::optional<std::string>>> kWholeMp4 = {
    {"INAM", "Title"}, {"IART", "Artist"}, {"IPRD", "Album"}, {"TRACK", "3/12"}};

const std::vector<std::pair<const char*, std::optional<std::string>>> kCutFlac = {
    {"INAM", "Title"}, {"IART", "Artist"}, {"IPRD", "Tagged Album"}, {"TRACK", "3/12"}};

const LayoutCase kLayoutCases[] = {
    // A FLAC cut short keeps the comment and the ID3v2 tag that are whole.
    {"FlacCutInsideItsLastPaddingBlock", "cut.flac",
     CutFlac([](const std::string& b) { return FlacAudio(b) - 100; }), MP3INFP_TYPE_FLAC, kCutFlac},
    {"FlacCutRightAfterAMetadataBlockHeader", "cut.flac",
     CutFlac([](const std::string& b) { return b.rfind(std::string("\x81\0", 2)) + 4; }),
     MP3INFP_TYPE_FLAC, kCutFlac},
    {"FlacCutInsideItsComment",
     "cut.flac",
     CutFlac([](const std::string& b) { return b.find("ARTIST="); }),
     MP3INFP_TYPE_FLAC,
     {{"INAM", std::nullopt}, {"IART", std::nullopt}, {"IPRD", "Tagged Album"}}},
    // SPC: the ID666 tag of the header in either form; an APE tag outranks it.
    {"SpcId666InTextForm",
     "a.spc",
     Spc("Title", "Game", "Artist", fixtures::Id666Form::Text),
     MP3INFP_TYPE_SPC,
     {{"INAM", "Title"}, {"IART", "Artist"}, {"IPRD", "Game"}, {"TRACK", std::nullopt}}},
    {"SpcId666InBinaryForm",
     "a.spc",
     Spc("Title", "Game", "Artist", fixtures::Id666Form::Binary),
     MP3INFP_TYPE_SPC,
     {{"INAM", "Title"}, {"IART", "Artist"}, {"IPRD", "Game"}}},
    {"SpcApeTagBeforeId666",
     "a.spc",
     Spc("Title", "Game", "Artist", fixtures::Id666Form::Text,
         fixtures::ApeTag(2000, {{"Title", "Ape Title"}, {"Track", "2"}})),
     MP3INFP_TYPE_SPC,
     {{"INAM", "Ape Title"}, {"IART", "Artist"}, {"IPRD", "Game"}, {"TRACK", "2"}}},
    // OptimFROG DualStream behind an ID3v2 tag, which fills what the APE tag lacks.
    {"OptimFrogDualStreamBehindId3v2",
     "a.ofs",
     [](const std::string& path) {
         fixtures::WriteOptimFrog(path, TagValues{.title = "Title"});
         fixtures::WriteBytes(path, kId3Artist + ReadFile(path));
     },
     MP3INFP_TYPE_OPTIMFROG,
     {{"INAM", "Title"}, {"IART", "Tagged Artist"}}},
    // RIFF INFO: TRCK, as some tools write it, is the track where ITRK and IPRT are absent.
    {"WavInfoTrckAlone",
     "a.wav",
     WavInfo({{"INAM", "Title"}, {"TRCK", "5"}}),
     MP3INFP_TYPE_WAV,
     {{"INAM", "Title"}, {"TRACK", "5"}}},
    {"WavInfoTrckBeforeItrk",
     "a.wav",
     WavInfo({{"TRCK", "5"}, {"ITRK", "7"}}),
     MP3INFP_TYPE_WAV,
     {{"TRACK", "7"}}},
    {"WavInfoTrckBeforeIprt",
     "a.wav",
     WavInfo({{"TRCK", "5"}, {"IPRT", "6/9"}}),
     MP3INFP_TYPE_WAV,
     {{"TRACK", "6/9"}}},
    // Tracker titles without the spaces and NULs that pad them to their field.
    {"ModTitlePaddedWithSpaces",
     "a.mod",
     Module<fixtures::WriteMod>("space debris        "),
     MP3INFP_TYPE_MOD,
     {{"INAM", "space debris"}}},
    {"XmTitlePaddedWithSpaces",
     "a.xm",
     Module<fixtures::WriteXm>("Strobe Out          "),
     MP3INFP_TYPE_XM,
     {{"INAM", "Strobe Out"}}},
    {"S3mTitlePaddedWithSpacesAndNuls",
     "a.s3m",
     Module<fixtures::WriteS3m>("Second Reality   "),
     MP3INFP_TYPE_S3M,
     {{"INAM", "Second Reality"}}},
    {"ItTitlePaddedWithSpaces",
     "a.it",
     Module<fixtures::WriteIt>("Blue Flame                "),
     MP3INFP_TYPE_IT,
     {{"INAM", "Blue Flame"}}},
    {"XmTitleOfSpacesOnly",
     "a.xm",
     Module<fixtures::WriteXm>(std::string(20, ' ')),
     MP3INFP_TYPE_XM,
     {{"INAM", std::nullopt}}},
    // An MP4 cut short gives the tag items that are whole.
    {"Mp4CutRightAfterItsTags", "cut.m4a",
     CutMp4([](const std::string& b) { return AtomEnd(b, "ilst"); }), MP3INFP_TYPE_MP4, kWholeMp4},
    {"Mp4CutInsideItsFirstTagItem",
     "cut.m4a",
     CutMp4([](const std::string& b) { return b.find("ilst") + 12; }),
     MP3INFP_TYPE_MP4,
     {{"INAM", std::nullopt}, {"TRACK", std::nullopt}}},
    {"Mp4CutInsideTheAtomAfterItsTags", "cut.m4a",
     CutMp4([](const std::string& b) { return b.find("mvhd") + 20; }), MP3INFP_TYPE_MP4, kWholeMp4},
    // ASF: each value from the first object that holds it, whatever the file order.
    {"AsfAlbumInTheLibraryBeforeTheExtendedDescription",
     "a.wma",
     Asf({{AsfHolder::MetadataLibrary, "WM/AlbumTitle", "yet another album"},
          {AsfHolder::ExtendedContentDescription, "WM/AlbumTitle", "some album"}}),
     MP3INFP_TYPE_ASF,
     {{"IPRD", "some album"}}},
    {"AsfTitleInTheExtendedDescriptionBeforeTheDescription",
     "a.wma",
     Asf({{AsfHolder::ExtendedContentDescription, "Title", "other title"},
          {AsfHolder::ContentDescription, "Title", "Title"}}),
     MP3INFP_TYPE_ASF,
     {{"INAM", "Title"}}},
    {"AsfArtistInMetadataBeforeTheLibrary",
     "a.wma",
     Asf({{AsfHolder::MetadataLibrary, "Author", "other artist"},
          {AsfHolder::Metadata, "Author", "Artist"}}),
     MP3INFP_TYPE_ASF,
     {{"IART", "Artist"}}},
    {"AsfAlbumOnlyInTheLibrary",
     "a.wma",
     Asf({{AsfHolder::MetadataLibrary, "WM/AlbumTitle", "Album"}}),
     MP3INFP_TYPE_ASF,
     {{"IPRD", "Album"}}},
    {"AsfTrackAsANumber",
     "a.wma",
     Asf({{AsfHolder::ExtendedContentDescription, "WM/TrackNumber", fixtures::LittleEndian32(7),
           3}}),
     MP3INFP_TYPE_ASF,
     {{"TRACK", "7"}}},
    // AIFF text chunks give title and artist when there is no ID3 chunk.
    {"AiffNameAuthorAndAnnotation",
     "a.aiff",
     Aiff({{"ANNO", "a note"}, {"NAME", "Title"}, {"AUTH", "Caf\xE9 Artist"}}),
     MP3INFP_TYPE_AIFF,
     {{"INAM", "Title"}, {"IART", "Café Artist"}}},
    {"AiffOddSizesPaddedAndNulTerminated",
     "a.aiff",
     Aiff({{"NAME", "Odd"}, {"AUTH", std::string("Artist\0", 7)}}),
     MP3INFP_TYPE_AIFF,
     {{"INAM", "Odd"}, {"IART", "Artist"}}},
    {"AiffId3ChunkTakesTheirPlace",
     "a.aiff",
     Aiff({{"NAME", "Title"}, {"ID3 ", kId3Artist}}),
     MP3INFP_TYPE_AIFF,
     {{"INAM", std::nullopt}, {"IART", "Tagged Artist"}}},
};

class LayoutTest : public LibraryTestWithParam<LayoutCase> {};

TEST_P(LayoutTest, GivesTheValuesOtherReadersFind) {
    const std::string path = folder / GetParam().fileName;
    GetParam().write(path);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), GetParam().type);
    for (const auto& [name, expected] : GetParam().values)
        EXPECT_EQ(library.Value(name), expected) << name;
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTest, ::testing::ValuesIn(kLayoutCases),
                         [](const auto& test) { return std::string(test.param.name); });

// MP4 stores the track as numbers; every other format keeps the text.
std::vector<FormatCase> FormatsWithTextualTracks() {
    std::vector<FormatCase> formats;
    std::copy_if(AllFormats().begin(), AllFormats().end(), std::back_inserter(formats),
                 [](const FormatCase& format) { return format.type != MP3INFP_TYPE_MP4; });
    return formats;
}

class TrackTextTest : public LibraryTestWithParam<FormatCase> {};

TEST_P(TrackTextTest, KeepsLeadingZeros) {
    const std::string path = folder / GetParam().fileName;
    GetParam().write(path, TagValues{.track = "007"});
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("TRACK"), "007");
}

INSTANTIATE_TEST_SUITE_P(TextualTracks, TrackTextTest,
                         ::testing::ValuesIn(FormatsWithTextualTracks()),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(LibraryTest, VersionIsAtLeastTheOneHostsRequire) {
    EXPECT_GE(library.Version(), 0x250U);
}

}  // namespace
}  // namespace tunvex::testing
