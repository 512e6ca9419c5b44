#include <taglib/apetag.h>

#include <string>

#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::Id3v2Encoding;
using fixtures::Id3v2Version;
using fixtures::TagValues;

const TagValues kV1Values{"v1 title", "v1 artist", "v1 album", "4"};
const TagValues kV2Values{"v2 title", "v2 artist", "v2 album", "5/9"};

struct TagBitsCase {
    const char* name;
    std::optional<TagValues> id3v1;
    std::optional<TagValues> id3v2;
    uint32_t bits;
};

void PrintTo(const TagBitsCase& value, std::ostream* out) {
    *out << value.name;
}

class Mp3TagBitsTest : public LibraryTestWithParam<TagBitsCase> {};

TEST_P(Mp3TagBitsTest, ReportsWhichBlocksArePresent) {
    const std::string path = folder / "a.mp3";
    fixtures::WriteMp3(path, GetParam().id3v1, GetParam().id3v2);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_MP3);
    EXPECT_EQ(library.TagBits(), GetParam().bits);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, Mp3TagBitsTest,
    ::testing::Values(TagBitsCase{"Neither", std::nullopt, std::nullopt, 0},
                      TagBitsCase{"Id3v1Only", kV1Values, std::nullopt, MP3INFP_TAG_ID3V1},
                      TagBitsCase{"Id3v2Only", std::nullopt, kV2Values, MP3INFP_TAG_ID3V2},
                      TagBitsCase{"Both", kV1Values, kV2Values,
                                  MP3INFP_TAG_ID3V1 | MP3INFP_TAG_ID3V2}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(LibraryTest, RiffMp3ReportsItsInfoList) {
    const std::string path = folder / "a.rmp";
    fixtures::WriteRmp3(path, TagValues{"rmp title", "rmp artist", "rmp album", std::nullopt});
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_MP3);
    EXPECT_EQ(library.TagBits(), MP3INFP_TAG_RIFF_INFO);
    EXPECT_EQ(library.Value("INAM_rmp"), "rmp title");
    EXPECT_EQ(library.Value("IART_rmp"), "rmp artist");
    EXPECT_EQ(library.Value("IPRD_rmp"), "rmp album");
    EXPECT_EQ(library.Value("INAM"), "rmp title");
    EXPECT_EQ(library.Value("INAM_v2"), std::nullopt);
}

TEST_F(LibraryTest, RiffMp3ReportsAnId3v1BlockInsideItsData) {
    const std::string data = fixtures::MpegFrames(2) + fixtures::Id3v1Block("inner", "", "", 9);
    const std::string path = folder / "a.rmp";
    fixtures::WriteBytes(
        path, fixtures::RiffFile("RMP3", fixtures::RiffChunk("data", data) +
                                             fixtures::RiffInfoList({{"INAM", "outer"}})));
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.TagBits(), MP3INFP_TAG_RIFF_INFO | MP3INFP_TAG_ID3V1);
    EXPECT_EQ(library.Value("INAM_rmp"), "outer");
    EXPECT_EQ(library.Value("INAM_v1"), "inner");
    EXPECT_EQ(library.Value("TRACK"), "9");
}

TEST_F(LibraryTest, EachBlockAnswersItsOwnNames) {
    const std::string path = folder / "a.mp3";
    fixtures::WriteMp3(path, kV1Values, kV2Values);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("INAM_v1"), "v1 title");
    EXPECT_EQ(library.Value("IART_v1"), "v1 artist");
    EXPECT_EQ(library.Value("IPRD_v1"), "v1 album");
    EXPECT_EQ(library.Value("TRACK_v1"), "4");
    EXPECT_EQ(library.Value("INAM_v2"), "v2 title");
    EXPECT_EQ(library.Value("IART_v2"), "v2 artist");
    EXPECT_EQ(library.Value("IPRD_v2"), "v2 album");
    EXPECT_EQ(library.Value("TRACK_v2"), "5/9");
    EXPECT_EQ(library.Value("INAM_rmp"), std::nullopt);
}

TEST_F(LibraryTest, PlainNamesPreferId3v2AndFallBackToId3v1PerValue) {
    const std::string path = folder / "a.mp3";
    fixtures::WriteMp3(path, kV1Values, TagValues{.title = "v2 title"});
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("INAM"), "v2 title");
    EXPECT_EQ(library.Value("IART"), "v1 artist");
    EXPECT_EQ(library.Value("TRACK"), "4");
}

// The APE tag of an MP3 sits at its end or just before its ID3v1 block, beside ID3 tags.
TEST_F(LibraryTest, AnApeTagBesideId3TagsAnswersBeforeId3v1) {
    TagLib::APE::Tag ape;
    ape.setArtist("ape artist");
    ape.setAlbum("ape album");
    const std::string apeBytes(ape.render().data(), ape.render().size());
    for (const bool withId3v1 : {false, true}) {
        SCOPED_TRACE(withId3v1 ? "before ID3v1" : "at the end");
        const std::string path = folder / "a.mp3";
        fixtures::WriteMp3(path, withId3v1 ? std::optional(kV1Values) : std::nullopt,
                           TagValues{.title = "v2 title"});
        std::string bytes = ReadFile(path);
        bytes.insert(bytes.size() - (withId3v1 ? 128 : 0), apeBytes);
        fixtures::WriteBytes(path, bytes);
        ASSERT_TRUE(library.Load(path));

        EXPECT_EQ(library.Value("INAM"), "v2 title");
        EXPECT_EQ(library.Value("IART"), "ape artist");
        EXPECT_EQ(library.Value("IPRD"), "ape album");
        EXPECT_EQ(library.Value("TRACK"),
                  withId3v1 ? std::optional<std::string>("4") : std::nullopt);
    }
}

TEST_F(LibraryTest, Id3v1WithoutTrackByteHasNoTrack) {
    const std::string path = folder / "a.mp3";
    fixtures::WriteMp3WithRawId3v1(path, "title", "artist", "album", 0);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("TRACK_v1"), std::nullopt);
    EXPECT_EQ(library.Value("INAM_v1"), "title");
}

TEST_F(LibraryTest, Id3v1TrackByteIsDecimalText) {
    const std::string path = folder / "a.mp3";
    fixtures::WriteMp3WithRawId3v1(path, "title", "artist", "album", 200);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("TRACK_v1"), "200");
}

struct EncodingCase {
    const char* name;
    Id3v2Encoding encoding;
    Id3v2Version version;
    const char* text;
};

void PrintTo(const EncodingCase& value, std::ostream* out) {
    *out << value.name;
}

class Id3v2EncodingTest : public LibraryTestWithParam<EncodingCase> {};

TEST_P(Id3v2EncodingTest, ComesOutAsTheSameText) {
    const std::string path = folder / "a.mp3";
    const TagValues values{GetParam().text, GetParam().text, GetParam().text, "007"};
    fixtures::WriteMp3(path, std::nullopt, values, GetParam().encoding, GetParam().version);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("INAM_v2"), GetParam().text);
    EXPECT_EQ(library.Value("IART_v2"), GetParam().text);
    EXPECT_EQ(library.Value("IPRD_v2"), GetParam().text);
    EXPECT_EQ(library.Value("TRACK_v2"), "007");
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, Id3v2EncodingTest,
    ::testing::Values(
        EncodingCase{"Utf16V4", Id3v2Encoding::Utf16, Id3v2Version::V4, "ポケットの中 ☕"},
        EncodingCase{"Utf16V3", Id3v2Encoding::Utf16, Id3v2Version::V3, "ソフト 𝄞"},
        EncodingCase{"Utf8V4", Id3v2Encoding::Utf8, Id3v2Version::V4, "ポケットの中 Ωmega"},
        EncodingCase{"Latin1V3", Id3v2Encoding::Latin1, Id3v2Version::V3, "Café"},
        EncodingCase{"Latin1V4", Id3v2Encoding::Latin1, Id3v2Version::V4, "Motörhead"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace tunvex::testing
