#include "core/base/text.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>

namespace tunvex {
namespace {

bool InRange(unsigned char b, unsigned char low, unsigned char high) {
    return b >= low && b <= high;
}

bool IsDoubleByte(CodePage codePage) {
    return codePage != CodePage::Utf8 && codePage != CodePage::SingleByte;
}

bool IsLeadByte(CodePage codePage, unsigned char b) {
    if (codePage == CodePage::ShiftJis)
        return InRange(b, 0x81, 0x9F) || InRange(b, 0xE0, 0xFC);
    return IsDoubleByte(codePage) && InRange(b, 0x81, 0xFE);
}

bool IsTrailByte(CodePage codePage, unsigned char b) {
    switch (codePage) {
        case CodePage::ShiftJis:
            return InRange(b, 0x40, 0xFC) && b != 0x7F;
        case CodePage::Big5:
            return InRange(b, 0x40, 0x7E) || InRange(b, 0xA1, 0xFE);
        case CodePage::Gbk:
        case CodePage::Gb18030:
            return InRange(b, 0x40, 0xFE) && b != 0x7F;
        default:
            return false;
    }
}

// The lowest byte that can stand inside a multi-byte character: GB18030's four-byte sequences
// hold digits.
unsigned char LowestTrailByte(CodePage codePage) {
    if (codePage == CodePage::Gb18030)
        return 0x30;
    return IsDoubleByte(codePage) ? 0x40 : 0x80;
}

// Lead, digit, lead, digit.
bool IsGb18030FourByte(std::string_view rest) {
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
    return rest.size() >= 4 && InRange(at(1), 0x30, 0x39) && InRange(at(2), 0x81, 0xFE) &&
           InRange(at(3), 0x30, 0x39);
}

std::size_t Utf8SequenceLength(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    if (b >= 0xE0)
        return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2)
        return 2;
    return 1;
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

// Calls visit(pos, length) for every character until it returns false.
template <typename Visit>
void ForEachChar(CodePage codePage, std::string_view text, Visit visit) {
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = CharLength(codePage, text, pos);
        if (!visit(pos, length))
            return;
        pos += length;
    }
}

// True when every occurrence of the byte c in a text is the character c itself: ASCII never
// occurs inside a UTF-8 sequence, nor below the trail bytes of a double-byte code page. Such
// searches can go byte by byte.
bool IsAlwaysWholeChar(CodePage codePage, char c) {
    return static_cast<unsigned char>(c) < LowestTrailByte(codePage);
}

bool AreAlwaysWholeChars(CodePage codePage, std::string_view set) {
    return std::all_of(set.begin(), set.end(),
                       [codePage](char c) { return IsAlwaysWholeChar(codePage, c); });
}

}  // namespace

CodePage CodePageFromCharset(std::string_view charset) {
    std::string name = UpperAscii(charset);
    std::erase_if(name, [](char c) { return c == '-' || c == '_'; });
    if (name.empty() || name == "UTF8" || name == "ANSIX3.41968" || name == "ASCII" ||
        name == "POSIX" || name == "C") {
        return CodePage::Utf8;
    }
    if (name == "SHIFTJIS" || name == "SJIS" || name == "CP932" || name == "WINDOWS31J" ||
        name == "MSKANJI" || name == "SHIFTJISX0213") {
        return CodePage::ShiftJis;
    }
    if (name == "BIG5" || name == "BIG5HKSCS" || name == "CP950")
        return CodePage::Big5;
    if (name == "GBK" || name == "CP936" || name == "WINDOWS936" || name == "GB2312" ||
        name == "EUCCN") {
        return CodePage::Gbk;
    }
    if (name == "GB18030")
        return CodePage::Gb18030;
    return CodePage::SingleByte;
}

CodePage SystemCodePage() {
    return CodePageFromCharset(nl_langinfo(CODESET));
}

// A lead byte without its trail bytes (cut off, or followed by bytes that cannot trail it) is a
// character of its own, so that it never swallows a separator or a dot.
std::size_t CharLength(CodePage codePage, std::string_view text, std::size_t pos) {
    std::string_view rest = text.substr(pos);
    unsigned char lead = static_cast<unsigned char>(rest[0]);
    if (codePage == CodePage::Utf8) {
        std::size_t length = Utf8SequenceLength(lead);
        if (length > rest.size())
            return 1;
        for (std::size_t i = 1; i < length; ++i) {
            if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80)
                return 1;
        }
        return length;
    }
    if (!IsLeadByte(codePage, lead) || rest.size() < 2)
        return 1;
    if (codePage == CodePage::Gb18030 && IsGb18030FourByte(rest))
        return 4;
    return IsTrailByte(codePage, static_cast<unsigned char>(rest[1])) ? 2 : 1;
}

std::size_t FindFirstOf(CodePage codePage, std::string_view text, std::string_view set) {
    if (AreAlwaysWholeChars(codePage, set))
        return text.find_first_of(set);
    std::size_t found = std::string_view::npos;
    ForEachChar(codePage, text, [&](std::size_t pos, std::size_t length) {
        std::string_view character = text.substr(pos, length);
        bool inSet = false;
        ForEachChar(codePage, set, [&](std::size_t setPos, std::size_t setLength) {
            inSet = set.substr(setPos, setLength) == character;
            return !inSet;
        });
        if (inSet)
            found = pos;
        return !inSet;
    });
    return found;
}

std::size_t FindChar(CodePage codePage, std::string_view text, char c) {
    return FindFirstOf(codePage, text, std::string_view(&c, 1));
}

std::size_t FindLastChar(CodePage codePage, std::string_view text, char c) {
    if (IsAlwaysWholeChar(codePage, c))
        return text.rfind(c);
    std::size_t found = std::string_view::npos;
    ForEachChar(codePage, text, [&](std::size_t pos, std::size_t length) {
        if (length == 1 && text[pos] == c)
            found = pos;
        return true;
    });
    return found;
}

void ReplaceChar(CodePage codePage, std::string& text, char from, char to) {
    if (IsAlwaysWholeChar(codePage, from)) {
        std::replace(text.begin(), text.end(), from, to);
        return;
    }
    ForEachChar(codePage, text, [&](std::size_t pos, std::size_t length) {
        if (length == 1 && text[pos] == from)
            text[pos] = to;
        return true;
    });
}

void ReplaceAll(CodePage codePage, std::string& text, std::string_view from, std::string_view to) {
    if (from.empty())
        return;
    std::string result;
    result.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!IsDoubleByte(codePage)) {
            // Outside the double-byte code pages a match of whole characters can only start on a
            // character.
            std::size_t match = text.find(from, pos);
            result.append(text, pos, match == std::string::npos ? std::string::npos : match - pos);
            if (match == std::string::npos)
                break;
            pos = match;
        }
        if (std::string_view(text).substr(pos, from.size()) == from) {
            result += to;
            pos += from.size();
        } else {
            std::size_t length = CharLength(codePage, text, pos);
            result.append(text, pos, length);
            pos += length;
        }
    }
    text = std::move(result);
}

bool IsControlChar(CodePage codePage, std::string_view character) {
    if (character.size() == 1) {
        unsigned char c = static_cast<unsigned char>(character[0]);
        return c < 0x20 || c == 0x7F;
    }
    if (codePage != CodePage::Utf8)
        return false;
    return (character.size() == 2 && character[0] == '\xC2' &&
            static_cast<unsigned char>(character[1]) <= 0x9F) ||
           character == "\xE2\x80\xA8" || character == "\xE2\x80\xA9";
}

bool IsWhiteSpaceByte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void TrimWhiteSpace(CodePage codePage, std::string& text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsWhiteSpaceByte(text[begin]))
        ++begin;
    if (!IsDoubleByte(codePage)) {
        std::size_t end = text.size();
        while (end > begin && IsWhiteSpaceByte(text[end - 1]))
            --end;
        text.erase(end).erase(0, begin);
        return;
    }
    // The end of the last character that is not white space; a trail byte never counts as one.
    std::size_t end = begin;
    std::string_view rest = std::string_view(text).substr(begin);
    ForEachChar(codePage, rest, [&](std::size_t pos, std::size_t length) {
        if (length > 1 || !IsWhiteSpaceByte(rest[pos]))
            end = begin + pos + length;
        return true;
    });
    text.erase(end).erase(0, begin);
}

void TrimTrailingChar(CodePage codePage, std::string& text, char c) {
    if (IsAlwaysWholeChar(codePage, c)) {
        std::size_t last = text.find_last_not_of(c);
        text.resize(last == std::string::npos ? 0 : last + 1);
        return;
    }
    std::size_t end = 0;
    ForEachChar(codePage, text, [&](std::size_t pos, std::size_t length) {
        if (length > 1 || text[pos] != c)
            end = pos + length;
        return true;
    });
    text.resize(end);
}

void TrimCutOffChar(CodePage codePage, std::string& text) {
    if (!IsDoubleByte(codePage))
        return;
    std::size_t last = std::string::npos;
    ForEachChar(codePage, text, [&](std::size_t pos, std::size_t) {
        last = pos;
        return true;
    });
    if (!text.empty() && last == text.size() - 1 &&
        IsLeadByte(codePage, static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
}

bool EndsWithChar(CodePage codePage, std::string_view text, char c) {
    if (IsAlwaysWholeChar(codePage, c))
        return !text.empty() && text.back() == c;
    bool endsWith = false;
    ForEachChar(codePage, text, [&](std::size_t pos, std::size_t length) {
        endsWith = length == 1 && text[pos] == c;
        return true;
    });
    return endsWith;
}

}  // namespace tunvex
