#include <taglib/apetag.h>

#include <string>
#include <thread>
#include <vector>

#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::Id3v2Encoding;
using fixtures::Id3v2Version;
using fixtures::TagValues;

const TagValues kV1{"v1 title", "v1 artist", "v1 album", "4"};
const TagValues kV2{"v2 title", "v2 artist", "v2 album", "5/9"};

Writer Mp3(std::optional<TagValues> id3v1, std::optional<TagValues> id3v2) {
    return [=](Path path) { fixtures::WriteMp3(path, id3v1, id3v2); };
}

Writer RawId3v1(int track) {
    return [=](Path path) { fixtures::WriteMp3WithRawId3v1(path, "title", "", "", track); };
}

// _v1, _v2 or _rmp asks that block alone; a plain name takes ID3v2 first, value by value.
// clang-format off
const FileCase kBlocks[] = {
    {"Neither", "a.mp3", Mp3({}, {}), MP3INFP_TYPE_MP3, {{"INAM", {}}}, 0},
    {"Id3v1Only", "a.mp3", Mp3(kV1, {}), MP3INFP_TYPE_MP3,
     {{"INAM", "v1 title"}, {"INAM_v2", {}}}, MP3INFP_TAG_ID3V1},
    {"Id3v2Only", "a.mp3", Mp3({}, kV2), MP3INFP_TYPE_MP3,
     {{"INAM", "v2 title"}, {"INAM_v1", {}}}, MP3INFP_TAG_ID3V2},
    {"BothEachAnsweringItsOwnNamesInTheirCase", "a.mp3", Mp3(kV1, kV2), MP3INFP_TYPE_MP3,
     {{"INAM_v1", "v1 title"}, {"IART_v1", "v1 artist"}, {"IPRD_v1", "v1 album"}, {"TRACK_v1", "4"},
      {"INAM_v2", "v2 title"}, {"IART_v2", "v2 artist"}, {"IPRD_v2", "v2 album"},
      {"TRACK_v2", "5/9"}, {"INAM_rmp", {}}, {"inam", {}}, {"INAM_V2", {}}},
     MP3INFP_TAG_ID3V1 | MP3INFP_TAG_ID3V2},
    {"PlainNamesFallBackToId3v1PerValue", "a.mp3", Mp3(kV1, TagValues{.title = "v2 title"}),
     MP3INFP_TYPE_MP3, {{"INAM", "v2 title"}, {"IART", "v1 artist"}, {"TRACK", "4"}},
     MP3INFP_TAG_ID3V1 | MP3INFP_TAG_ID3V2},
    {"Id3v1WithoutTrackByte", "a.mp3", RawId3v1(0), MP3INFP_TYPE_MP3,
     {{"TRACK_v1", {}}, {"INAM_v1", "title"}}, MP3INFP_TAG_ID3V1},
    {"Id3v1TrackByteAsDecimalText", "a.mp3", RawId3v1(200), MP3INFP_TYPE_MP3,
     {{"TRACK_v1", "200"}}, MP3INFP_TAG_ID3V1},
    {"RiffMp3InfoList", "a.rmp",
     [](Path p) { fixtures::WriteRmp3(p, {"title", "artist", "album"}); }, MP3INFP_TYPE_MP3, {{"INAM_rmp", "title"}, {"IART_rmp", "artist"}, {"IPRD_rmp", "album"},
     {"INAM", "title"}, {"INAM_v2", {}}}, MP3INFP_TAG_RIFF_INFO},
    {"RiffMp3WithAnId3v1BlockInsideItsData", "a.rmp", [](Path p) {
         fixtures::WriteBytes(p, fixtures::RiffFile("RMP3", fixtures::RiffChunk("data",
             fixtures::MpegFrames(2) + fixtures::Id3v1Block("inner", "", "", 9)) +
             fixtures::RiffInfoList({{"INAM", "outer"}}))); }, MP3INFP_TYPE_MP3,
     {{"INAM_rmp", "outer"}, {"INAM_v1", "inner"}, {"TRACK", "9"}},
     MP3INFP_TAG_RIFF_INFO | MP3INFP_TAG_ID3V1},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Mp3Blocks, FileTest, ::testing::ValuesIn(kBlocks), CaseName());

// The APE tag of an MP3 sits at its end or just before its ID3v1 block, beside ID3 tags.
TEST_F(LibraryTest, AnApeTagBesideId3TagsAnswersBeforeId3v1) {
    TagLib::APE::Tag ape;
    ape.setArtist("ape artist");
    const std::string apeBytes(ape.render().data(), ape.render().size());
    for (const bool withId3v1 : {false, true}) {
        const std::string path = folder / "a.mp3";
        fixtures::WriteMp3(path, withId3v1 ? std::optional(kV1) : std::nullopt,
                           TagValues{.title = "v2 title"});
        std::string bytes = ReadFile(path);
        bytes.insert(bytes.size() - (withId3v1 ? 128 : 0), apeBytes);
        fixtures::WriteBytes(path, bytes);
        ASSERT_TRUE(library.Load(path));

        EXPECT_EQ(library.Value("INAM"), "v2 title");
        EXPECT_EQ(library.Value("IART"), "ape artist");
        EXPECT_EQ(library.Value("TRACK"),
                  withId3v1 ? std::optional<std::string>("4") : std::nullopt);
    }
}

TEST_F(LibraryTest, Id3v2TextComesOutAsItWentInWhateverItsEncoding) {
    const std::tuple<Id3v2Encoding, Id3v2Version, const char*> cases[] = {
        {Id3v2Encoding::Utf16, Id3v2Version::V4, "ポケットの中 ☕"},
        {Id3v2Encoding::Utf16, Id3v2Version::V3, "ソフト 𝄞"},
        {Id3v2Encoding::Utf8, Id3v2Version::V4, "ポケットの中 Ωmega"},
        {Id3v2Encoding::Latin1, Id3v2Version::V3, "Café"},
        {Id3v2Encoding::Latin1, Id3v2Version::V4, "Motörhead"},
    };
    const std::string path = folder / "a.mp3";
    for (const auto& [encoding, version, text] : cases) {
        fixtures::WriteMp3(path, std::nullopt, TagValues{text, text, text, "007"}, encoding,
                           version);
        ASSERT_TRUE(library.Load(path));

        for (const char* name : {"INAM_v2", "IART_v2", "IPRD_v2"})
            EXPECT_EQ(library.Value(name), text) << name;
        EXPECT_EQ(library.Value("TRACK_v2"), "007");
    }
}

// Before any file, and after a load that failed, nothing is answered; a load replaces every value.
TEST_F(LibraryTest, EachLoadReplacesEveryValueAndAFailedOneForgetsThem) {
    EXPECT_FALSE(library.Load(""));
    EXPECT_EQ(library.Type(), MP3INFP_TYPE_NONE);
    EXPECT_EQ(library.Value("INAM"), std::nullopt);

    const std::string mp3 = folder / "a.mp3";
    const std::string flac = folder / "b.flac";
    fixtures::WriteMp3(mp3, TagValues{.title = "v1"}, TagValues{"first", "artist", "album", "1"});
    fixtures::WriteFlac(flac, TagValues{.title = "second"});
    ASSERT_TRUE(library.Load(mp3));
    ASSERT_TRUE(library.Load(flac));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_FLAC);
    EXPECT_EQ(library.TagBits(), 0U);
    EXPECT_EQ(library.Value("INAM"), "second");
    EXPECT_EQ(library.Value("IART"), std::nullopt);
    EXPECT_EQ(library.Value("INAM_v2"), std::nullopt);

    ASSERT_TRUE(library.Load(mp3));
    EXPECT_FALSE(library.Load(folder / "missing.mp3"));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_NONE);
    EXPECT_EQ(library.TagBits(), 0U);
    EXPECT_EQ(library.Value("INAM"), std::nullopt);
    EXPECT_EQ(library.Value("INAM_v1"), std::nullopt);
}

// A value stays valid until the next load of its thread, whatever else is asked or loaded.
TEST_F(LibraryTest, EachThreadKeepsItsOwnLoadedFile) {
    const std::string mp3 = folder / "a.mp3";
    const std::string flac = folder / "b.flac";
    fixtures::WriteMp3(mp3, TagValues{.title = "v1"}, TagValues{.title = "mp3 title"});
    fixtures::WriteFlac(flac, TagValues{.title = "flac title"});
    ASSERT_TRUE(library.Load(mp3));
    const char* title = library.ValuePointer("INAM");
    for (const char* name : {"IART", "IPRD", "TRACK", "INAM_v1", "INAM_v2", "nonsense"})
        library.Value(name);

    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (std::size_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::string& own = t % 2 == 0 ? flac : mp3;
            for (int i = 0; i < 200; ++i) {
                mismatches[t] +=
                    !library.Load(own) ||
                    library.Value("INAM") != (t % 2 == 0 ? "flac title" : "mp3 title") ||
                    library.Type() != (t % 2 == 0 ? MP3INFP_TYPE_FLAC : MP3INFP_TYPE_MP3);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
    EXPECT_EQ(library.ValuePointer("INAM"), title);
    EXPECT_STREQ(title, "mp3 title");
    EXPECT_EQ(library.TagBits(), MP3INFP_TAG_ID3V1 | MP3INFP_TAG_ID3V2);
}

}  // namespace
}  // namespace tunvex::testing
