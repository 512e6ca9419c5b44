#include "shift_jis.h"

#include <algorithm>
#include <vector>

#include "code_page.h"

namespace mp3infp {
namespace {

// Lead bytes of the JIS X 0208 rows and of CP932's IBM extensions; 0xF0-0xF9 (user-defined
// characters) are left out because they are far likelier to be Latin-1 letters.
bool IsLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xEF) ||
           (byte >= 0xFA && byte <= 0xFC);
}

bool IsTrail(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

bool IsHalfWidthKatakana(unsigned char byte) {
    return byte >= 0xA1 && byte <= 0xDF;
}

bool IsAsciiLetter(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

bool IsAsciiLowerCase(unsigned char byte) {
    return byte >= 'a' && byte <= 'z';
}

// Letters of Windows-1252, ASCII included.
bool IsLatinLetter(unsigned char byte) {
    switch (byte) {
        case 0x83:
        case 0x8A:
        case 0x8C:
        case 0x8E:
        case 0x9A:
        case 0x9C:
        case 0x9E:
        case 0x9F:
            return true;
        default:
            return IsAsciiLetter(byte) || (byte >= 0xC0 && byte != 0xD7 && byte != 0xF7);
    }
}

// Windows-1252 leaves these undefined: no Western text holds them.
bool IsUndefinedInWindows1252(unsigned char byte) {
    return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// What may close a Latin word right after its last letter: … ’ ” – — ™ ® ».
bool ClosesLatinWord(unsigned char byte) {
    constexpr std::string_view kClosers = "\x85\x92\x94\x96\x97\x99\xAE\xBB";
    return kClosers.find(static_cast<char>(byte)) != std::string_view::npos;
}

bool StartsLatinWord(std::string_view bytes, size_t i) {
    constexpr std::string_view kOpeners = " (-\"'[/&";
    return i == 0 || kOpeners.find(bytes[i - 1]) != std::string_view::npos;
}

struct Character {
    size_t offset;
    size_t length;
};

// The characters of bytes read as Shift-JIS, or nothing when bytes are not valid CP932.
std::optional<std::vector<Character>> SplitShiftJis(std::string_view bytes) {
    std::vector<Character> characters;
    for (size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80 || IsHalfWidthKatakana(byte)) {
            characters.push_back({i, 1});
            ++i;
            continue;
        }
        if (!IsLead(byte) || i + 1 >= bytes.size() ||
            !IsTrail(static_cast<unsigned char>(bytes[i + 1]))) {
            return std::nullopt;
        }
        characters.push_back({i, 2});
        i += 2;
    }
    return characters;
}

// Whether the double-byte character at i, read as two Windows-1252 characters, sits where Latin
// text puts them: an accented letter inside a word, an apostrophe, an opening quote, a dash
// joining two words. Japanese read that way gives a jumble of symbols and letters instead.
bool FitsLatinText(std::string_view bytes, size_t i) {
    const auto at = [&](size_t k) -> unsigned char {
        return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : '\0';
    };
    const unsigned char lead = at(i);
    const unsigned char trail = at(i + 1);
    const unsigned char previous = i > 0 ? at(i - 1) : '\0';
    const bool wordStart = StartsLatinWord(bytes, i);
    const bool wordGoesOn = IsAsciiLetter(at(i + 2));
    if ((lead >= 0xE0 && lead <= 0xEF) || lead >= 0xFA || lead == 0x9A || lead == 0x9C ||
        lead == 0x9E || lead == 0x9F) {
        // à-ï, ú-ü, š œ ž Ÿ: the accented letters of the Latin languages.
        return (IsLatinLetter(trail) || ClosesLatinWord(trail)) &&
               (wordStart || IsLatinLetter(previous));
    }
    switch (lead) {
        case 0x8A:  // Š
        case 0x8C:  // Œ
        case 0x8E:  // Ž
            return wordStart && IsAsciiLowerCase(trail) && wordGoesOn;
        case 0x91:  // ‘
            return wordStart && IsLatinLetter(trail) && wordGoesOn;
        case 0x92:  // ’
            return IsLatinLetter(trail) && (IsAsciiLetter(previous) || (wordStart && wordGoesOn));
        case 0x93:  // “, closed later
            return wordStart && IsLatinLetter(trail) &&
                   bytes.find('\x94', i + 2) != std::string_view::npos;
        case 0x96:  // –
        case 0x97:  // —
            return (IsAsciiLetter(previous) || (previous >= '0' && previous <= '9')) &&
                   IsAsciiLetter(trail);
        default:
            return false;
    }
}

// Positive when the text reads better as Japanese. A character that fits no Latin word counts
// more than one that does: real Latin text has none, while one Japanese character in a few may
// happen to fit.
int JapaneseScore(std::string_view bytes, const std::vector<Character>& characters) {
    const auto touchesAsciiLetter = [&](size_t begin, size_t end) {
        return (begin > 0 && IsAsciiLetter(static_cast<unsigned char>(bytes[begin - 1]))) ||
               (end < bytes.size() && IsAsciiLetter(static_cast<unsigned char>(bytes[end])));
    };
    int score = 0;
    for (size_t k = 0; k < characters.size();) {
        const Character& character = characters[k];
        if (character.length == 2) {
            score += FitsLatinText(bytes, character.offset) ? -2 : 3;
            ++k;
            continue;
        }
        if (!IsHalfWidthKatakana(static_cast<unsigned char>(bytes[character.offset]))) {
            ++k;
            continue;
        }
        // Half-width katakana come in runs; Latin capitals and symbols of that byte range stand
        // alone inside words.
        size_t end = k;
        while (end < characters.size() && characters[end].length == 1 &&
               IsHalfWidthKatakana(static_cast<unsigned char>(bytes[characters[end].offset]))) {
            ++end;
        }
        const size_t run = end - k;
        const bool touches = touchesAsciiLetter(character.offset, characters[end - 1].offset + 1);
        if (run >= 3) {
            score += 2;
        } else if (run == 2) {
            score += touches ? -1 : 1;
        } else if (touches) {
            score -= 2;
        }
        k = end;
    }
    return score;
}

// A byte Windows-1252 lacks, or a symbol, kana or full-width letter row of Shift-JIS.
bool HasUnmistakablyJapaneseCharacter(std::string_view bytes,
                                      const std::vector<Character>& characters) {
    const bool undefinedByte = std::any_of(bytes.begin(), bytes.end(), [](char c) {
        return IsUndefinedInWindows1252(static_cast<unsigned char>(c));
    });
    return undefinedByte ||
           std::any_of(characters.begin(), characters.end(), [&](const Character& character) {
               return character.length == 2 &&
                      static_cast<unsigned char>(bytes[character.offset]) <= 0x84;
           });
}

}  // namespace

std::optional<std::string> DecodeLikelyShiftJis(std::string_view bytes) {
    const auto characters = SplitShiftJis(bytes);
    if (!characters || (!HasUnmistakablyJapaneseCharacter(bytes, *characters) &&
                        JapaneseScore(bytes, *characters) <= 0)) {
        return std::nullopt;
    }
    return ToUtf8(bytes, "CP932");
}

}  // namespace mp3infp
