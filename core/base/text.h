// Narrow text in the system code page, scanned character by character: in the double-byte code
// pages a trail byte 0x5C or 0x7C belongs to its character and is never a backslash or a bar.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tunvex {

enum class CodePage {
    Utf8,
    ShiftJis,    // CP932, Shift_JISX0213
    Big5,        // Big5, CP950, Big5-HKSCS
    Gbk,         // GBK, CP936, GB2312
    Gb18030,     // GBK's two-byte characters and four-byte sequences
    SingleByte,  // any code page whose bytes are all characters of their own, or whose multi-byte
                 // characters hold no ASCII byte (EUC)
};

// Taken from the locale's character set once setlocale(LC_ALL, "") has run; C/POSIX is UTF-8.
CodePage SystemCodePage();
CodePage CodePageFromCharset(std::string_view charset);

// Bytes of the character that starts at pos (at least 1, never past the end).
std::size_t CharLength(CodePage codePage, std::string_view text, std::size_t pos);

// Position of the first character that is one of the characters of set (_mbspbrk), or npos.
std::size_t FindFirstOf(CodePage codePage, std::string_view text, std::string_view set);
std::size_t FindChar(CodePage codePage, std::string_view text, char c);
// Position of the last occurrence of c as a character of its own, or npos.
std::size_t FindLastChar(CodePage codePage, std::string_view text, char c);

void ReplaceChar(CodePage codePage, std::string& text, char from, char to);
// One left-to-right pass; inserted text is not searched again.
void ReplaceAll(CodePage codePage, std::string& text, std::string_view from, std::string_view to);

// True for one whole character (as CharLength splits text) that is a control character: C0 and
// DEL, and in UTF-8 the C1 controls U+0080-U+009F and the separators U+2028 and U+2029, which
// terminals and text views take as commands or line ends too.
bool IsControlChar(CodePage codePage, std::string_view character);

bool IsWhiteSpaceByte(char c);
// Removes space, tab, line feed, vertical tab, form feed and carriage return at both ends.
void TrimWhiteSpace(CodePage codePage, std::string& text);
// Removes every trailing character c.
void TrimTrailingChar(CodePage codePage, std::string& text, char c);

// Removes a double-byte lead byte that ends text without its trail byte, so that it cannot pair
// with whatever is put after the text.
void TrimCutOffChar(CodePage codePage, std::string& text);

// True when the last character of text is c itself (not the trail byte of another character).
bool EndsWithChar(CodePage codePage, std::string_view text, char c);

}  // namespace tunvex
