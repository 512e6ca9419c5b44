#include "core/base/text.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tunvex {
namespace {

// Shift-JIS katakana so and po: their trail bytes are a backslash and a bar.
const std::string kSo = "\x83\x5C";
const std::string kPo = "\x83\x7C";
// "ソ" and "ポ" in UTF-8.
const std::string kSoUtf8 = "\xE3\x82\xBD";

// Every double-byte locale, each with a character whose trail holds a backslash or a bar.
TEST(CodePageTest, DoubleByteLocalesKeepTheirTrailBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"BIG5", "\xB3\x5C"},  // 許
        {"CP950", "\xB3\x5C"},
        {"GBK", "\x81\x5C"},
        {"GB2312", "\xB0\xA1"},
        {"GB18030", "\x81\x7C"},
        {"GB18030", "\x81\x30\x81\x30"},  // U+0080, four bytes
        {"SHIFT_JISX0213", kSo},
        {"MS_KANJI", kSo},
        {"cp932", kSo},
    };
    for (const auto& [charset, character] : cases) {
        CodePage codePage = CodePageFromCharset(charset);
        std::string text = character + "\\|";
        EXPECT_EQ(CharLength(codePage, text, 0), character.size()) << charset;
        ReplaceChar(codePage, text, '\\', '_');
        ReplaceChar(codePage, text, '|', '_');
        EXPECT_EQ(text, character + "__") << charset;
        EXPECT_EQ(CharLength(codePage, character.substr(0, 1), 0), 1u) << charset;  // cut off
    }
}

TEST(CharLengthTest, StepsOverWholeCharactersAndStopsAtTheEnd) {
    EXPECT_EQ(CharLength(CodePage::ShiftJis, "\xB1", 0), 1u);  // half-width katakana
    EXPECT_EQ(CharLength(CodePage::Utf8, kSoUtf8, 0), 3u);
    EXPECT_EQ(CharLength(CodePage::Utf8, "\xE3\x82", 0), 1u);   // cut off
    EXPECT_EQ(CharLength(CodePage::Utf8, "\xE9.mp3", 0), 1u);   // Latin-1 in a UTF-8 name
    EXPECT_EQ(CharLength(CodePage::ShiftJis, "\x81/", 0), 1u);  // no trail byte follows
}

TEST(FindFirstOfTest, NeverMatchesATrailByte) {
    const std::size_t npos = std::string::npos;
    // clang-format off
    const std::tuple<CodePage, std::string, std::string, std::size_t> cases[] = {
        {CodePage::ShiftJis, kSo, "\\", npos}, {CodePage::ShiftJis, kPo + "|", "|", 2},
        {CodePage::ShiftJis, "a" + kSo + "\\", "\\/", 3},
        {CodePage::ShiftJis, "ab" + kSo, kSo, 2},  // a double-byte character in the set
        {CodePage::SingleByte, kSo, "\\", 1}, {CodePage::Utf8, kSoUtf8 + "x", "x", 3},
        {CodePage::Utf8, "", "x", npos},
    };
    // clang-format on
    for (const auto& [codePage, text, set, expected] : cases)
        EXPECT_EQ(FindFirstOf(codePage, text, set), expected) << text;
    EXPECT_EQ(FindLastChar(CodePage::ShiftJis, "a/" + kSo + "/" + kSo, '/'), 4u);
    EXPECT_EQ(FindLastChar(CodePage::ShiftJis, kSo, '\\'), npos);
}

TEST(ReplaceAllTest, OnePassWithoutRescanningInsertedText) {
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        {"?A", "?A", "?A?A", "?A?A"},
        {"??AA", "?A", "", "?A"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "", "x", "abc"},
    };
    for (const auto& [text, from, to, expected] : cases) {
        std::string replaced = text;
        ReplaceAll(CodePage::Utf8, replaced, from, to);
        EXPECT_EQ(replaced, expected) << text;
    }
    // "\x5C?" must not match across the trail byte of so.
    std::string sjis = kSo + "?A";
    ReplaceAll(CodePage::ShiftJis, sjis, "\\?", "X");
    EXPECT_EQ(sjis, kSo + "?A");
}

TEST(TrimTest, TrimsTheSixWhiteSpaceBytesAndTrailingCharacters) {
    const std::pair<std::string, std::string> whiteSpace[] = {
        {" \t\n\v\f\rx y\r\f\v\n\t ", "x y"}, {"   ", ""}, {"", ""}, {"x", "x"},
        {"\xA0x\xA0", "\xA0x\xA0"},  // no-break space is not among them
    };
    for (const auto& [text, expected] : whiteSpace) {
        std::string trimmed = text;
        TrimWhiteSpace(CodePage::Utf8, trimmed);
        EXPECT_EQ(trimmed, expected);
    }
    std::string sjis = "x" + kSo;
    TrimTrailingChar(CodePage::ShiftJis, sjis, '\\');
    EXPECT_EQ(sjis, "x" + kSo);
    EXPECT_FALSE(EndsWithChar(CodePage::ShiftJis, kSo, '\\'));
    EXPECT_TRUE(EndsWithChar(CodePage::ShiftJis, kSo + "\\", '\\'));
    EXPECT_TRUE(EndsWithChar(CodePage::SingleByte, kSo, '\\'));
}

}  // namespace
}  // namespace tunvex
