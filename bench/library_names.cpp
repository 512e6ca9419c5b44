#include "library_names.h"

#include <array>
#include <initializer_list>
#include <string_view>

namespace tunvex::bench {
namespace {

using Words = std::span<const std::string_view>;

constexpr std::array<std::string_view, 40> kFirstNames = {
    "Alice",   "Ben",    "Carla",  "Daniel", "Elena",  "Frank", "Grace", "Henry", "Iris",   "Jack",
    "Karen",   "Leo",    "Maria",  "Nathan", "Olivia", "Paul",  "Quinn", "Rosa",  "Samuel", "Tina",
    "Umberto", "Vera",   "Walter", "Xenia",  "Yusuf",  "Zoe",   "Amir",  "Björn", "Chloé",  "Diego",
    "Eva",     "Fatima", "Gustav", "Hannah", "Ivan",   "Jonas", "Kofi",  "Lena",  "Marco",  "Nina"};

constexpr std::array<std::string_view, 40> kLastNames = {
    "Anderson", "Brooks",   "Carter",    "Dubois",  "Evans",     "Fischer",  "Garcia",  "Hughes",
    "Ito",      "Jensen",   "Kowalski",  "Larsen",  "Moreau",    "Nakamura", "O'Brien", "Petrov",
    "Quintero", "Rossi",    "Schmidt",   "Torres",  "Ulrich",    "Varga",    "Walsh",   "Young",
    "Zimmer",   "Álvarez",  "Bauer",     "Coleman", "Dvořák",    "Eriksson", "Flores",  "Grant",
    "Hoffmann", "Iglesias", "Jovanović", "Keller",  "Lindqvist", "Murphy",   "Novak",   "Okafor"};

constexpr std::array<std::string_view, 36> kAdjectives = {
    "Silent",  "Electric", "Golden",   "Broken",   "Velvet",  "Crimson", "Hollow", "Neon",
    "Wild",    "Quiet",    "Burning",  "Frozen",   "Lonely",  "Distant", "Bright", "Paper",
    "Iron",    "Midnight", "Blue",     "Savage",   "Gentle",  "Lost",    "Hidden", "Endless",
    "Crystal", "Northern", "Southern", "Restless", "Falling", "Sacred",  "Little", "Strange",
    "Dusty",   "Young",    "Last",     "Secret"};

constexpr std::array<std::string_view, 40> kNouns = {
    "River",   "Engine", "Garden",  "Mirror", "Harbor",  "Signal",  "Horizon",   "Shadow",
    "Thunder", "Echo",   "Lantern", "Ocean",  "Highway", "Machine", "Forest",    "Window",
    "Heart",   "Desert", "City",    "Storm",  "Island",  "Circus",  "Satellite", "Orchard",
    "Winter",  "Summer", "Radio",   "Empire", "Kingdom", "Parade",  "Wolves",    "Sparrows",
    "Dreams",  "Ghosts", "Tides",   "Stars",  "Roses",   "Wires",   "Bones",     "Lights"};

constexpr std::array<std::string_view, 12> kFamilyNamesJa = {
    "山田", "佐藤", "鈴木", "高橋", "田中", "渡辺", "伊藤", "中村", "小林", "加藤", "吉田", "松本"};

constexpr std::array<std::string_view, 12> kGivenNamesJa = {
    "花子", "美咲", "健太", "翔", "陽菜", "結衣", "大輝", "葵", "蓮", "さくら", "ひかり", "悠斗"};

constexpr std::array<std::string_view, 24> kKatakanaSyllables = {
    "ア", "カ", "サ", "タ", "ナ", "ハ", "マ", "ヤ", "ラ", "ワ", "キ", "シ",
    "ミ", "リ", "ル", "ソ", "ト", "ノ", "ユ", "メ", "ロ", "ン", "ー", "ヨ"};

constexpr std::array<std::string_view, 24> kWordsJa = {
    "夜",   "空",       "桜",     "海",       "青い",       "風",     "星",           "光",
    "夢",   "雨",       "季節",   "東京",     "約束",       "花火",   "月",           "涙",
    "未来", "メロディ", "サマー", "ドリーム", "ラブソング", "ハート", "ミッドナイト", "ストーリー"};

constexpr std::array<std::string_view, 8> kParticlesJa = {"の", "と", "に", "が",
                                                          "を", "へ", "、", "から"};

constexpr std::array<std::string_view, 10> kAlbumSuffixes = {" (Deluxe Edition)",
                                                             " (Remastered)",
                                                             " Vol. 2",
                                                             " (Live)",
                                                             " EP",
                                                             " (Bonus Track Version)",
                                                             " II",
                                                             " (Anniversary Edition)",
                                                             " Sessions",
                                                             " (Acoustic)"};

std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) {
        text += part;
    }
    return text;
}

std::string KatakanaWord(SeededRandom& random) {
    std::string word;
    for (int i = random.Between(2, 5); i > 0; --i) {
        word += random.Pick(kKatakanaSyllables);
    }
    return word;
}

std::string JapanesePhrase(SeededRandom& random) {
    std::string phrase(random.Pick(kWordsJa));
    if (random.Percent(60)) {
        phrase += random.Pick(kParticlesJa);
        phrase += random.Pick(kWordsJa);
    }
    return phrase;
}

std::string EnglishPhrase(SeededRandom& random) {
    switch (random.Between(0, 4)) {
        case 0:
            return Cat({random.Pick(kAdjectives), " ", random.Pick(kNouns)});
        case 1:
            return Cat({"The ", random.Pick(kNouns), " of ", random.Pick(kNouns)});
        case 2:
            return std::string(random.Pick(kNouns));
        case 3:
            return Cat({random.Pick(kAdjectives), " ", random.Pick(kNouns), " (Reprise)"});
        default:
            return Cat({random.Pick(kNouns), " in the ", random.Pick(kNouns)});
    }
}

// The characters a destination name has to lose or replace, in the shapes they take in tags.
std::string WithUnsafeCharacters(SeededRandom& random, const std::string& text) {
    switch (random.Between(0, 10)) {
        case 0:
            return text + " / " + std::string(random.Pick(kNouns));
        case 1:
            return "Part " + std::to_string(random.Between(1, 4)) + ": " + text;
        case 2:
            return "Why " + text + "?";
        case 3:
            return text + " (F*** Edit)";
        case 4:
            return "\"" + text + "\"";
        case 5:
            return "<" + text + ">";
        case 6:
            return text + " | " + std::string(random.Pick(kNouns));
        case 7:
            return text + " \\ Remix";
        case 8:
            return text + "...";
        case 9:
            return " " + text + "  ";
        default:
            return "Intro: " + text + "?!";
    }
}

}  // namespace

ArtistName MakeArtistName(SeededRandom& random, bool japanese) {
    const int kind = random.Between(0, 99);
    if (japanese) {
        return {kind < 55 ? Cat({random.Pick(kFamilyNamesJa), random.Pick(kGivenNamesJa)})
                          : KatakanaWord(random),
                true};
    }
    if (kind < 40) {
        return {Cat({random.Pick(kFirstNames), " ", random.Pick(kLastNames)}), false};
    }
    if (kind < 68) {
        return {Cat({"The ", random.Pick(kAdjectives), " ", random.Pick(kNouns)}), false};
    }
    if (kind < 98) {
        return {Cat({random.Pick(kAdjectives), " ", random.Pick(kNouns)}), false};
    }
    return {Cat({random.Pick(kNouns), "/", random.Pick(kNouns), "."}), false};
}

std::string MakeAlbumTitle(SeededRandom& random, bool japanese) {
    std::string title = japanese ? JapanesePhrase(random) : EnglishPhrase(random);
    if (random.Percent(15)) {
        title += random.Pick(kAlbumSuffixes);
    }
    return random.Percent(3) ? WithUnsafeCharacters(random, title) : title;
}

std::string MakeTrackTitle(SeededRandom& random, bool japanese) {
    std::string title = japanese ? JapanesePhrase(random) : EnglishPhrase(random);
    return random.Percent(6) ? WithUnsafeCharacters(random, title) : title;
}

}  // namespace tunvex::bench
