#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
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

TEST_P(FormatTest, ReportsItsTypeAndAllValues) {
    const TagValues values{"Ünïcode Title ポケット", "The Artist", "Album Name", "3/12"};
    ASSERT_TRUE(library.Load(Write(values)));

    EXPECT_EQ(library.Type(), GetParam().type);
    EXPECT_EQ(library.Value("INAM"), values.title);
    EXPECT_EQ(library.Value("IART"), values.artist);
    EXPECT_EQ(library.Value("IPRD"), values.album);
    EXPECT_EQ(library.Value("TRACK"), values.track);
}

TEST_P(FormatTest, AnswersNothingForValuesTheFileLacks) {
    ASSERT_TRUE(library.Load(Write(TagValues{.title = "Only a title"})));

    EXPECT_EQ(library.Value("INAM"), "Only a title");
    EXPECT_EQ(library.Value("IART"), std::nullopt);
    EXPECT_EQ(library.Value("IPRD"), std::nullopt);
    EXPECT_EQ(library.Value("TRACK"), std::nullopt);
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
                         [](const auto& info) { return std::string(info.param.name); });

// A second stream (here a video) multiplexed in leaves the first stream's comments readable.
TEST_F(LibraryTest, ReadsTheFirstOfMultiplexedOggStreams) {
    const std::string video =
        fixtures::OggStream({{"\x80theora" + std::string(35, '\0')}, {"\x81theora"}, {"frame"}}, 9);
    for (const auto& [write, type] : {std::pair{&fixtures::WriteOggVorbis, MP3INFP_TYPE_OGG_VORBIS},
                                      std::pair{&fixtures::WriteOggOpus, MP3INFP_TYPE_OGG_OPUS}}) {
        const std::string path = folder / "muxed.ogg";
        write(path, TagValues{.title = "Title", .artist = "Artist"});
        fixtures::WriteBytes(path, fixtures::InterleaveOggPages(ReadFile(path), video));
        ASSERT_TRUE(library.Load(path));

        EXPECT_EQ(library.Type(), type);
        EXPECT_EQ(library.Value("INAM"), "Title");
        EXPECT_EQ(library.Value("IART"), "Artist");
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
struct CutMp4Case {
    const char* name;
    size_t (*cutAt)(const std::string& bytes);
    TagValues values;
};

void PrintTo(const CutMp4Case& value, std::ostream* out) {
    *out << value.name;
}

const CutMp4Case kCutMp4Cases[] = {
    {"RightAfterItsTags", [](const std::string& b) { return AtomEnd(b, "ilst"); },
     TagValues{"Title", "Artist", "Album", "3/12"}},
    {"InsideItsFirstTagItem", [](const std::string& b) { return b.find("ilst") + 12; }, {}},
    {"InsideTheAtomAfterItsTags", [](const std::string& b) { return b.find("mvhd") + 20; },
     TagValues{"Title", "Artist", "Album", "3/12"}},
};

class CutMp4Test : public LibraryTestWithParam<CutMp4Case> {};

TEST_P(CutMp4Test, ReadsTheTagItemsThatAreWhole) {
    const std::string path = folder / "cut.m4a";
    fixtures::WriteMp4(path, TagValues{"Title", "Artist", "Album", "3/12"});
    const std::string bytes = ReadFile(path);
    fixtures::WriteBytes(path, bytes.substr(0, GetParam().cutAt(bytes)));
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_MP4);
    EXPECT_EQ(library.Value("INAM"), GetParam().values.title);
    EXPECT_EQ(library.Value("IART"), GetParam().values.artist);
    EXPECT_EQ(library.Value("IPRD"), GetParam().values.album);
    EXPECT_EQ(library.Value("TRACK"), GetParam().values.track);
}

INSTANTIATE_TEST_SUITE_P(Cuts, CutMp4Test, ::testing::ValuesIn(kCutMp4Cases),
                         [](const auto& info) { return std::string(info.param.name); });

using fixtures::AsfHolder;

struct AsfCase {
    const char* name;
    std::vector<fixtures::AsfValue> values;  // in file order
    const char* valueName;
    std::optional<std::string> expected;
};

void PrintTo(const AsfCase& value, std::ostream* out) {
    *out << value.name;
}

const AsfCase kAsfCases[] = {
    {"AlbumInTheLibraryBeforeTheExtendedDescription",
     {{AsfHolder::MetadataLibrary, "WM/AlbumTitle", "yet another album"},
      {AsfHolder::ExtendedContentDescription, "WM/AlbumTitle", "some album"}},
     "IPRD",
     "some album"},
    {"TitleInTheExtendedDescriptionBeforeTheDescription",
     {{AsfHolder::ExtendedContentDescription, "Title", "other title"},
      {AsfHolder::ContentDescription, "Title", "Title"}},
     "INAM",
     "Title"},
    {"ArtistInMetadataBeforeTheLibrary",
     {{AsfHolder::MetadataLibrary, "Author", "other artist"},
      {AsfHolder::Metadata, "Author", "Artist"}},
     "IART",
     "Artist"},
    {"AlbumOnlyInTheLibrary",
     {{AsfHolder::MetadataLibrary, "WM/AlbumTitle", "Album"}},
     "IPRD",
     "Album"},
    {"TrackAsANumber",
     {{AsfHolder::ExtendedContentDescription, "WM/TrackNumber", fixtures::LittleEndian32(7), 3}},
     "TRACK",
     "7"},
};

class AsfObjectsTest : public LibraryTestWithParam<AsfCase> {};

TEST_P(AsfObjectsTest, TakeEachValueFromTheFirstObjectThatHoldsIt) {
    const std::string path = folder / "a.wma";
    fixtures::WriteAsfWithValues(path, GetParam().values);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_ASF);
    EXPECT_EQ(library.Value(GetParam().valueName), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Objects, AsfObjectsTest, ::testing::ValuesIn(kAsfCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct AiffTextCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> chunks;
    TagValues values;
};

void PrintTo(const AiffTextCase& value, std::ostream* out) {
    *out << value.name;
}

const std::string kId3Artist = fixtures::Id3v2Tag(
    {3}, fixtures::Id3v2Frame(3, "TPE1", fixtures::Id3v2Text(0, "Tagged Artist")));

const AiffTextCase kAiffTextCases[] = {
    {"NameAuthorAndAnnotation",
     {{"ANNO", "a note"}, {"NAME", "Title"}, {"AUTH", "Caf\xE9 Artist"}},
     {.title = "Title", .artist = "Café Artist"}},
    {"OddSizesPaddedAndNulTerminated",
     {{"NAME", "Odd"}, {"AUTH", std::string("Artist\0", 7)}},
     {.title = "Odd", .artist = "Artist"}},
    {"Id3ChunkTakesTheirPlace",
     {{"NAME", "Title"}, {"ID3 ", kId3Artist}},
     {.artist = "Tagged Artist"}},
};

class AiffTextChunkTest : public LibraryTestWithParam<AiffTextCase> {};

TEST_P(AiffTextChunkTest, GiveTitleAndArtistWithoutAnId3Chunk) {
    const std::string path = folder / "a.aiff";
    fixtures::WriteAiffWithChunks(path, GetParam().chunks);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_AIFF);
    EXPECT_EQ(library.Value("INAM"), GetParam().values.title);
    EXPECT_EQ(library.Value("IART"), GetParam().values.artist);
}

INSTANTIATE_TEST_SUITE_P(Chunks, AiffTextChunkTest, ::testing::ValuesIn(kAiffTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

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
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryTest, ReadsTheTitleOfATrackerModule) {
    const std::string path = folder / "a.mod";
    fixtures::WriteMod(path, "space debris");
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_MOD);
    EXPECT_EQ(library.Value("INAM"), "space debris");
}

TEST_F(LibraryTest, VersionIsAtLeastTheOneHostsRequire) {
    EXPECT_GE(library.Version(), 0x250U);
}

}  // namespace
}  // namespace tunvex::testing
