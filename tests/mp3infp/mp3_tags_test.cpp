#include <taglib/apetag.h>

#include <functional>
#include <string>
#include <vector>

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

// An MP3 file of one layout, the blocks the library finds in it and what it answers by name: a
// name with _v1, _v2 or _rmp asks that block alone, a plain one takes ID3v2 first, value by value.
struct BlocksCase {
    const char* name;
    std::function<void(const std::string& path)> write;
    uint32_t bits;
    std::vector<std::pair<const char*, std::optional<std::string>>> values;
};

void PrintTo(const BlocksCase& value, std::ostream* out) {
    *out << value.name;
}

std::function<void(const std::string&)> Mp3(std::optional<TagValues> id3v1,
                                            std::optional<TagValues> id3v2) {
    return [=](const std::string& path) { fixtures::WriteMp3(path, id3v1, id3v2); };
}

std::function<void(const std::string&)> RawId3v1(int track) {
    return [=](const std::string& path) {
        fixtures::WriteMp3WithRawId3v1(path, "title", "artist", "album", track);
    };
}

const BlocksCase kBlocksCases[] = {
    {"Neither", Mp3(std::nullopt, std::nullopt), 0, {{"INAM", std::nullopt}}},
    {"Id3v1Only",
     Mp3(kV1Values, std::nullopt),
     MP3INFP_TAG_ID3V1,
     {{"INAM", "v1 title"}, {"INAM_v2", std::nullopt}}},
    {"Id3v2Only",
     Mp3(std::nullopt, kV2Values),
     MP3INFP_TAG_ID3V2,
     {{"INAM", "v2 title"}, {"INAM_v1", std::nullopt}}},
    {"BothEachAnsweringItsOwnNamesInTheirCase",
     Mp3(kV1Values, kV2Values),
     MP3INFP_TAG_ID3V1 | MP3INFP_TAG_ID3V2,
     {{"INAM_v1", "v1 title"},
      {"IART_v1", "v1 artist"},
      {"IPRD_v1", "v1 album"},
      {"TRACK_v1", "4"},
      {"INAM_v2", "v2 title"},
      {"IART_v2", "v2 artist"},
      {"IPRD_v2", "v2 album"},
      {"TRACK_v2", "5/9"},
      {"INAM_rmp", std::nullopt},
      {"inam", std::nullopt},
      {"INAM_V2", std::nullopt}}},
    {"PlainNamesFallBackToId3v1PerValue",
     Mp3(kV1Values, TagValues{.title = "v2 title"}),
     MP3INFP_TAG_ID3V1 | MP3INFP_TAG_ID3V2,
     {{"INAM", "v2 title"}, {"IART", "v1 artist"}, {"TRACK", "4"}}},
    {"Id3v1WithoutTrackByte",
     RawId3v1(0),
     MP3INFP_TAG_ID3V1,
     {{"TRACK_v1", std::nullopt}, {"INAM_v1", "title"}}},
    {"Id3v1TrackByteAsDecimalText", RawId3v1(200), MP3INFP_TAG_ID3V1, {{"TRACK_v1", "200"}}},
    {"RiffMp3InfoList",
     [](const std::string& path) {
         fixtures::WriteRmp3(path, TagValues{"rmp title", "rmp artist", "rmp album", std::nullopt});
     },
     MP3INFP_TAG_RIFF_INFO,
     {{"INAM_rmp", "rmp title"},
      {"IART_rmp", "rmp artist"},
      {"IPRD_rmp", "rmp album"},
      {"INAM", "rmp title"},
      {"INAM_v2", std::nullopt}}},
    {"RiffMp3WithAnId3v1BlockInsideItsData",
     [](const std::string& path) {
         const std::string data =
             fixtures::MpegFrames(2) + fixtures::Id3v1Block("inner", "", "", 9);
         fixtures::WriteBytes(
             path, fixtures::RiffFile("RMP3", fixtures::RiffChunk("data", data) +
                                                  fixtures::RiffInfoList({{"INAM", "outer"}})));
     },
     MP3INFP_TAG_RIFF_INFO | MP3INFP_TAG_ID3V1,
     {{"INAM_rmp", "outer"}, {"INAM_v1", "inner"}, {"TRACK", "9"}}},
};

class Mp3BlocksTest : public LibraryTestWithParam<BlocksCase> {};

TEST_P(Mp3BlocksTest, ReportsItsBlocksAndAnswersEachName) {
    const std::string path = folder / "a.mp3";
    GetParam().write(path);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_MP3);
    EXPECT_EQ(library.TagBits(), GetParam().bits);
    for (const auto& [name, expected] : GetParam().values)
        EXPECT_EQ(library.Value(name), expected) << name;
}

INSTANTIATE_TEST_SUITE_P(Blocks, Mp3BlocksTest, ::testing::ValuesIn(kBlocksCases),
                         [](const auto& test) { return std::string(test.param.name); });

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
