#include "core/tags/tag_reader.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/fixtures/audio_fixtures.h"
#include "tests/fixtures/stream_bytes.h"
#include "tests/support/bound_tag_library.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using fixtures::TagValues;
using testing::BoundTagLibrary;
using testing::TempFolder;

const std::string kSo = "\x83\x5C";  // Shift-JIS katakana so
const std::string kPo = "\x83\x7C";  // Shift-JIS katakana po

class TagReaderTest : public ::testing::Test {
  protected:
    // Reads path as the sort batch does; false and the tags it left when refused.
    bool Read(const std::string& path, int tagMode, TrackTags& tags) {
        return ReadTrackTags(library.get(), tagMode, CodePage::Utf8, path, tags);
    }
    TrackTags ReadAccepted(const std::string& path, int tagMode) {
        TrackTags tags;
        EXPECT_TRUE(Read(path, tagMode, tags)) << path;
        return tags;
    }

    BoundTagLibrary library;
    TempFolder folder;
};

void ExpectTags(const TrackTags& tags, const TrackTags& expected, const std::string& label) {
    const auto fields = [](const TrackTags& t) {
        return std::tie(t.title, t.artist, t.album, t.track, t.albumArtist, t.compilation);
    };
    EXPECT_EQ(fields(tags), fields(expected)) << label;
}

TEST_F(TagReaderTest, TracksAsTheLibraryGivesThemAndAsTheyAreReturned) {
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {"3/12", "03"}, {"12/12", "12"}, {"/12", "00"}, {"1", "01"}, {" 7 ", "07"},
        {"007", "007"}, {"A", "0A"},     {"ソ", "ソ"},  {"", "00"},  {std::nullopt, "00"},
    };
    int n = 0;
    for (const auto& [stored, expected] : cases) {
        std::string path = folder / ("t" + std::to_string(n++) + ".mp3");
        fixtures::WriteMp3(path, std::nullopt, TagValues{"T", "A", "B", stored});
        EXPECT_EQ(ReadAccepted(path, 1).track, expected) << stored.value_or("(none)");
    }
}

TEST_F(TagReaderTest, TitlesAsTheLibraryGivesThemAndAsTheyAreReturned) {
    const std::pair<std::string, std::string> cases[] = {
        {"Rock/Pop: Best?", "Rock_Pop_ Best_"},
        {"  x  ", "x"},
        {"   ", "UnknownTitle"},
        {"a,b", "a,b"},
        {"a<b>c", "a_b_c"},
        {"\\;*\"|", "_____"},
        {"ポケット", "ポケット"},
    };
    int n = 0;
    for (const auto& [stored, expected] : cases) {
        std::string path = folder / ("t" + std::to_string(n++) + ".mp3");
        fixtures::WriteMp3(path, std::nullopt, TagValues{stored, stored, stored, "1"});
        TrackTags tags = ReadAccepted(path, 1);
        EXPECT_EQ(tags.title, expected) << stored;
        EXPECT_EQ(tags.artist, expected == "UnknownTitle" ? "UnknownArtist" : expected) << stored;
        EXPECT_EQ(tags.album, expected == "UnknownTitle" ? "UnknownAlbum" : expected) << stored;
    }
}

TEST_F(TagReaderTest, OneSourceIsChosenByTagModeAndNothingIsTakenFromAnother) {
    const TagValues v1{"V1 Title", "V1 Artist", "V1 Album", "4"};
    // The album artist and the compilation flag come from the chosen source too; "0" is none.
    const TagValues v2{"V2 Title", "V2 Artist", "V2 Album", "5/9", " Band: X ", "1"};
    const TagValues v2WithoutArtist{"V2 Title", std::nullopt, "V2 Album", "5", std::nullopt, "0"};
    const TrackTags fromV1{"V1 Title", "V1 Artist", "V1 Album", "04"};
    const TrackTags fromV2{"V2 Title", "V2 Artist", "V2 Album", "05", "Band_ X", true};
    const TrackTags placeholders{"UnknownTitle", "UnknownArtist", "UnknownAlbum", "00"};

    fixtures::WriteMp3(folder / "both.mp3", v1, v2);
    fixtures::WriteMp3(folder / "v1.mp3", v1, std::nullopt);
    fixtures::WriteMp3(folder / "gap.mp3", v1, v2WithoutArtist);
    fixtures::WriteMp3(folder / "none.mp3", std::nullopt, std::nullopt);
    fixtures::WriteRmp3(folder / "riff.rmp", TagValues{"R Title", "R Artist", "R Album", "7"});
    fixtures::WriteFlac(folder / "plain.flac", v2);
    // An ID3v1-only tagger appends its block behind the RIFF form.
    fixtures::WriteBytes(
        folder / "riff-v1.rmp",
        fixtures::RiffFile("RMP3", fixtures::RiffChunk("data", fixtures::MpegFrames(2)) +
                                       fixtures::RiffInfoList({{"INAM", "R Title"}})) +
            fixtures::Id3v1Block("V1 Title", "V1 Artist", "V1 Album", 4));

    const std::tuple<std::string, int, TrackTags> cases[] = {
        {"both.mp3", 1, fromV2},
        {"both.mp3", 0, fromV1},
        {"both.mp3", 2, fromV1},  // any mode but 1 orders like 0
        {"v1.mp3", 1, fromV1},
        {"gap.mp3", 1, {"V2 Title", "UnknownArtist", "V2 Album", "05"}},
        {"gap.mp3", 0, fromV1},
        {"none.mp3", 1, placeholders},
        {"riff.rmp", 1, {"R Title", "R Artist", "R Album", "00"}},  // RIFF has no track
        {"riff.rmp", 0, {"R Title", "R Artist", "R Album", "00"}},
        {"riff-v1.rmp", 0, fromV1},
        {"riff-v1.rmp", 1, {"R Title", "UnknownArtist", "UnknownAlbum", "00"}},
        {"plain.flac", 0, fromV2},
        {"plain.flac", 1, fromV2},
    };
    for (const auto& [file, tagMode, expected] : cases)
        ExpectTags(ReadAccepted(folder / file, tagMode), expected, file + std::to_string(tagMode));
}

TEST_F(TagReaderTest, ARefusedFileGivesFalseEmptyTagsAndNoMessage) {
    fixtures::WriteTextFile(folder / "notes.mp3", "just some text, not audio\n");
    testing::MessageRecorder messages;
    for (const std::string& path : {folder / "notes.mp3", folder / "missing.mp3", folder.path()}) {
        TrackTags tags;
        EXPECT_FALSE(Read(path, 1, tags)) << path;
        ExpectTags(tags, {}, path);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST(TagReaderKindsTest, TagBitsOutsideTheThreeGivePlaceholders) {
    BoundTagLibrary library("fake_mp3_other_bits.dll");
    TrackTags tags;
    EXPECT_TRUE(ReadTrackTags(library.get(), 1, CodePage::Utf8, "/any", tags));
    ExpectTags(tags, {"UnknownTitle", "UnknownArtist", "UnknownAlbum", "00"}, "bits 0x1F8");
}

TEST(TagReaderKindsTest, OtherKindsUsePlainNamesWithoutAskingForTagBlocks) {
    BoundTagLibrary library("fake_plain_kind.dll");  // aborts if asked for tag blocks
    for (int tagMode : {0, 1, 2}) {
        TrackTags tags;
        EXPECT_TRUE(ReadTrackTags(library.get(), tagMode, CodePage::Utf8, "/any", tags));
        ExpectTags(tags, {"v_INAM", "v_IART", "v_IPRD", "v_TRACK", "v_AART", true}, "plain");
    }
}

// Controls become underscores, pairs pass whole, a half character at the end goes.
TEST(SanitizeTagTextTest, LeavesOnlyWholePrintableCharacters) {
    // clang-format off
    const std::tuple<CodePage, std::string, std::string> cases[] = {
        {CodePage::Utf8, "\tx\r\n", "x"},
        {CodePage::Utf8, "a\nb", "a_b"},
        {CodePage::Utf8, "Evil\x1B]0;x\x07", "Evil_]0_x_"},
        {CodePage::Utf8, "del\x7F", "del_"},
        {CodePage::Utf8, "nel\xC2\x85" "csi\xC2\x9B" "x", "nel_csi_x"},  // C1 controls
        {CodePage::Utf8, "ls\xE2\x80\xA8" "ps\xE2\x80\xA9", "ls_ps_"},
        {CodePage::Utf8, "nbsp\xC2\xA0" "caf\xC3\xA9", "nbsp\xC2\xA0" "caf\xC3\xA9"},
        {CodePage::Utf8, "\xC3", "\xC3"},  // never pairs with ASCII
        {CodePage::ShiftJis, kSo + "/" + kPo, kSo + "_" + kPo},
        {CodePage::ShiftJis, " " + kSo + "\\" + kSo + " ", kSo + "_" + kSo},
        {CodePage::ShiftJis, "a|b", "a_b"},
        {CodePage::ShiftJis, "Artist\x83", "Artist"},
        {CodePage::ShiftJis, "Artist \x83", "Artist"},
        {CodePage::ShiftJis, "Artist\x83 ", "Artist"},
        {CodePage::ShiftJis, kSo + "\x83", kSo},
        {CodePage::ShiftJis, kSo, kSo},
        {CodePage::Big5, "\xB3\x5C\xB3", "\xB3\x5C"},
    };
    // clang-format on
    for (const auto& [codePage, text, expected] : cases) {
        std::string sanitized = text;
        SanitizeTagText(codePage, sanitized);
        EXPECT_EQ(sanitized, expected);
        EXPECT_EQ(FindChar(codePage, sanitized + "\\Album", '\\'), sanitized.size());
    }
}

}  // namespace
}  // namespace tunvex
