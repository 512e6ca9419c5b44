#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::TagValues;

// A field that claims Latin-1 (or, for APE tags, UTF-8) and is written as raw bytes.
struct Carrier {
    const char* name;
    void (*write)(Path path, Path titleBytes);
    const char* valueName;
};

// clang-format off
const Carrier kCarriers[] = {
    {"Id3v1", [](Path p, Path b) { fixtures::WriteMp3WithRawId3v1(p, b, "", "", 0); }, "INAM_v1"},
    {"Id3v2Latin1", [](Path p, Path b) {
         fixtures::WriteMp3(p, {}, TagValues{.title = b}, fixtures::Id3v2Encoding::RawBytes); },
     "INAM_v2"},
    {"RiffMp3Info", [](Path p, Path b) { fixtures::WriteRmp3(p, {.title = b}); }, "INAM_rmp"},
    {"WavInfo", [](Path p, Path b) { fixtures::WriteWav(p, {.title = b}); }, "INAM"},
    {"ApeTagV2", [](Path p, Path b) { fixtures::WriteBeforeApeTag(p, fixtures::BareStream::Ape,
     fixtures::ApeTag(2000, {{"Title", b}})); }, "INAM"},
    {"ApeTagV1", [](Path p, Path b) { fixtures::WriteBeforeApeTag(p, fixtures::BareStream::WavPack,
     fixtures::ApeTag(1000, {{"TITLE", b}})); }, "INAM"},
    {"SpcId666", [](Path p, Path b) { fixtures::WriteSpcWithId666(p, b, "", ""); }, "INAM"},
    {"TwinVqName", [](Path p, Path b) { fixtures::WriteTwinVq(p, {.title = b}); }, "INAM"},
    {"Mp3ApeTag", [](Path p, Path b) { fixtures::WriteBytes(p, fixtures::MpegFrames(4) +
     fixtures::ApeTag(2000, {{"title", b}}) + fixtures::Id3v1Block("", "", "", 0)); }, "INAM"},
};
// clang-format on

struct LegacyText {
    const char* name;
    const char* bytes;
    const char* utf8;
};

// clang-format off
const LegacyText kTexts[] = {
    // The second byte of "ソ" is a backslash, which naive code treats as an escape.
    {"ShiftJisWithBackslashTrail", "\x83\x5C\x83\x74\x83\x67", "ソフト"},
    {"ShiftJisKanjiOnlyWithoutLeadHints", "\x92\xC5\x96\xBC\x97\xD1\x8C\xE7", "椎名林檎"},
    {"ShiftJisOneKanjiWithLetterTrail", "\x8A\x43", "海"},
    {"ShiftJisOneKanjiLikeTwoDashes", "\x97\x92", "嵐"},
    {"ShiftJisMixedWithAscii", "Best of \x8D\xB2\x93\xA1", "Best of 佐藤"},
    {"ShiftJisKanjiLikeQuotedLetters", "\x91\xE5\x92n\x8E]\xE8\xF1", "大地讃頌"},
    {"ShiftJisKanjiLikeACaronLetter", "\x8Av\x96\xBD", "革命"},
    {"ShiftJisKanjiLikeAnOpeningQuote", "\x8E\x9E\x91\xE3", "時代"},
    {"ShiftJisKanjiLikeQuotesAndLetters", "\x91\xBE\x93" "c\x97T\x94\xFC", "太田裕美"},
    {"ShiftJisKanjiLikeAccentedLetters", "\xE0_\x93" "c\x8B\xE0\x8C\xE1", "濱田金吾"},
    {"ShiftJisKanjiAfterAWord", "Tokyo \x93\x8C\x8B\x9E", "Tokyo 東京"},
    {"ShiftJisHalfWidthKatakanaAndKanji", "\xD3\xB0\xC6\xDD\xB8\xDE\x96\xBA\xA1", "ﾓｰﾆﾝｸﾞ娘｡"},
    {"ShiftJisTwoHalfWidthKatakana", "\xB1\xB2", "ｱｲ"},
    {"Latin1AccentThatPairsAsShiftJis", "P\xE9rez Prado", "Pérez Prado"},
    {"Windows1252Apostrophe", "Don\x92t Stop", "Don’t Stop"},
    {"Latin1CapitalsThatAreHalfWidthKatakana", "DIE \xC4RZTE", "DIE ÄRZTE"},
    {"Latin1AccentThatLeadsUtf8", "J\xF3ga", "Jóga"},
    {"Latin1UmlautThatLeadsShiftJis", "Gl\xFC" "ck", "Glück"},
    {"Latin1AccentsBeforeASpace", "D\xE9j\xE0 vu", "Déjà vu"},
    {"Windows1252OpeningQuote", "\x91Round Midnight", "‘Round Midnight"},
    {"Windows1252CapitalLigature", "\x8Cuvres compl\xE8tes", "Œuvres complètes"},
    {"Windows1252LigatureInAWord", "Ch\x9Curs", "Chœurs"},
    {"Utf8InALatin1Field", "Caf\xC3\xA9", "Café"},
};
// clang-format on

class LegacyTextTest : public LibraryTestWithParam<std::tuple<Carrier, LegacyText>> {};

TEST_P(LegacyTextTest, DecodesTheBytesAsTheirLikelyCharset) {
    const auto& [carrier, text] = GetParam();
    const std::string path = folder / "legacy";
    carrier.write(path, text.bytes);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value(carrier.valueName), text.utf8);
}

INSTANTIATE_TEST_SUITE_P(CarriersAndTexts, LegacyTextTest,
                         ::testing::Combine(::testing::ValuesIn(kCarriers),
                                            ::testing::ValuesIn(kTexts)),
                         CaseName());

size_t CodePoints(const std::string& utf8) {
    return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// A code page the rules do not know comes out whole: a character for each byte or pair of bytes.
TEST_F(LibraryTest, ApeItemsInAnotherCodePageKeepEveryByte) {
    const std::string path = folder / "gb18030.ape";
    const std::vector<std::pair<std::string, std::string>> items = {
        {"Title", "\xD6\xD0\xCE\xC4\xB8\xE8\xC7\xFA"},  // 中文歌曲 in GB18030
        {"Artist", "\xD6\xDC\xBD\xDC\xC2\xD7"}};        // 周杰伦
    for (const uint32_t version : {2000U, 1000U}) {
        fixtures::WriteBeforeApeTag(path, fixtures::BareStream::Ape,
                                    fixtures::ApeTag(version, items));
        ASSERT_TRUE(library.Load(path));

        for (const auto& [name, item] :
             {std::pair{"INAM", items[0]}, std::pair{"IART", items[1]}}) {
            const auto value = library.Value(name);
            ASSERT_TRUE(value.has_value()) << name << " of version " << version;
            EXPECT_GE(CodePoints(*value) * 2, item.second.size()) << *value;
            EXPECT_EQ(value->find("\uFFFD"), std::string::npos) << *value;
        }
    }
}

Writer Id3v1Title(std::string bytes) {
    return Bind(fixtures::WriteMp3WithRawId3v1, bytes, "", "", 0);
}

// clang-format off
const FileCase kCutFields[] = {
    {"ShiftJisLeadByteLeft", "a.mp3", Id3v1Title("A\x93\x8C\x8B\x9E\x93\x8C\x8B\x9E\x93\x8C\x8B"
     "\x9E\x93\x8C\x8B\x9E\x93\x8C\x8B\x9E\x93\x8C\x8B\x9E\x93\x8C\x8B\x9E\x8E"), MP3INFP_TYPE_MP3,
     {{"INAM_v1", "A東京東京東京東京東京東京東京"}}},
    {"Utf8PartOfACharacterLeft", "a.mp3", Id3v1Title("A\xE3\x83\x9D\xE3\x82\xB1\xE3\x83\x83\xE3"
     "\x83\x88\xE3\x81\xAE\xE4\xB8\xAD\xE3\x83\x9D\xE3\x82\xB1\xE3\x83\x83\xE3\x83"),
     MP3INFP_TYPE_MP3, {{"INAM_v1", "Aポケットの中ポケッ"}}},
    {"Windows1252AccentAtTheEnd", "a.mp3", Id3v1Title("Les plus belles chansons: caf\xE9"),
     MP3INFP_TYPE_MP3, {{"INAM_v1", "Les plus belles chansons: café"}}},
};
// clang-format on

// ID3v1 fields cut at 30 bytes: a half character goes only where the rest says so.
INSTANTIATE_TEST_SUITE_P(CutFields, FileTest, ::testing::ValuesIn(kCutFields), CaseName());

// An installed Shift-JIS locale, or one compiled into the test's folder; else skipped.
class ShiftJisLocaleTest : public LibraryTest {
  protected:
    void SetUp() override {
        for (const char* name : {"ja_JP.SJIS", "ja_JP.sjis", "ja_JP.SHIFT_JIS"})
            if (std::setlocale(LC_ALL, name) != nullptr)
                return;
        const std::string build =
            "localedef -c -f SHIFT_JIS -i ja_JP '" + (folder / "ja_JP.SJIS") + "' >/dev/null 2>&1";
        if (std::system(build.c_str()) != -1) {
            setenv("LOCPATH", folder.path().c_str(), 1);
            if (std::setlocale(LC_ALL, "ja_JP.SJIS") != nullptr)
                return;
        }
        GTEST_SKIP() << "no Shift-JIS locale available";
    }
    void TearDown() override {
        unsetenv("LOCPATH");
        std::setlocale(LC_ALL, "C.UTF-8");
    }
};

// Kanji-only legacy bytes (表参道, a backslash inside) come back unchanged.
TEST_F(ShiftJisLocaleTest, HandsOutCp932AndQuestionMarksForWhatItLacks) {
    const std::string omotesando = "\x95\x5C\x8E\x51\x93\xB9";
    const std::string path = folder / "a.mp3";
    fixtures::WriteMp3(path, std::nullopt,
                       TagValues{"ポケットの中", "Café ☕", "ソフト～", std::nullopt});
    fixtures::WriteBytes(path, ReadFile(path) + fixtures::Id3v1Block(omotesando, "", "", 0));
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("INAM_v2"), "\x83\x7C\x83\x50\x83\x62\x83\x67\x82\xCC\x92\x86");
    EXPECT_EQ(library.Value("IART_v2"), "Caf? ?");
    // Full-width tilde exists in CP932 only, not in plain Shift_JIS.
    EXPECT_EQ(library.Value("IPRD_v2"), "\x83\x5C\x83\x74\x83\x67\x81\x60");
    EXPECT_EQ(library.Value("INAM_v1"), omotesando);
}

}  // namespace
}  // namespace tunvex::testing
