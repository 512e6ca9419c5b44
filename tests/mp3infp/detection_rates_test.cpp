// Which legacy texts are taken for Shift-JIS: real Japanese names and titles against real
// Latin-1 / Windows-1252 ones, each stored raw in a WAV INFO list and read through the library.
#include <iconv.h>

#include <string>
#include <string_view>
#include <vector>

#include "library_test.h"

namespace tunvex::testing {
namespace {

// Artists and titles: kanji only, kana, half-width kana, mixed with ASCII.
constexpr std::string_view kJapanese =
    "椎名林檎|東京事変|山下達郎|福山雅治|嵐|海|表参道|松任谷由実|井上陽水|玉置浩二|長渕剛|"
    "山﨑努|濱田金吾|千本桜|桜|空|雪|夜|春|恋|紅|炎|糸|夢|柔|昴|乾杯|時代|異邦人|恋人よ|舟唄|"
    "ポケットの中|ソフト|ありがとう|さくらんぼ|ハナミズキ|もののけ姫|となりのトトロ|さよなら|"
    "サザンオールスターズ|ドリームズ・カム・トゥルー|ﾎﾟｹｯﾄ|ｻｻﾞﾝｵｰﾙｽﾀｰｽﾞ|ﾓｰﾆﾝｸﾞ娘｡|ｶﾞﾝﾀﾞﾑ|ｱﾆﾒｿﾝｸﾞ|"
    "ﾄﾞﾗｺﾞﾝｸｴｽﾄ|ｽﾋﾟｯﾂ|ﾐｽﾁﾙ|ｸﾞﾚｲ|ﾗﾙｸ|ｱｲ|ｿﾌﾄ|ﾍﾞｽﾄ|ﾗｲﾌﾞ|Best of 佐藤|"
    "AKB48 恋するフォーチュンクッキー|B'z 愛のままに|GLAY 誘惑|X JAPAN 紅|Mr.Children 名もなき詩|"
    "嵐 - Love so sweet|椎名林檎 feat. 斎藤ネコ|光GENJI|米米CLUB|聖飢魔II|銀杏BOYZ|東京 Tokyo";

// Artists and titles with accents, upper case, typographic quotes and symbols: French, German,
// Nordic, Spanish, Portuguese, Italian, English.
constexpr std::string_view kLatin =
    "Édith Piaf|Hélène Ségara|Mylène Farmer|Céline Dion|Françoise Hardy|Léo Ferré|Noir Désir|"
    "Déjà vu|À bout de souffle|Comme d’habitude|Ça plane pour moi|Tous les garçons et les filles|"
    "Camille Saint-Saëns|Die Ärzte|Herbert Grönemeyer|Marius Müller-Westernhagen|Böhse Onkelz|"
    "Weiße Rosen aus Athen|Ein bißchen Frieden|Hölle Hölle Hölle|Fußball|Mädchen|Brüder|"
    "Zürich|Österreich|Radioaktivität|Björk|Sigur Rós|Mötley Crüe|Motörhead|Blue Öyster Cult|"
    "Åge Aleksandersen|Sissel Kyrkjebø|Dødheimsgard|Jóga|Hoppípolla|Glósóli|Sæglópur|"
    "Maná|Café Tacvba|Corazón espinado|Bésame mucho|Dónde están los ladrones|Ojos así|Años 80|"
    "Canción del mariachi|Búscame|Señorita|Niña|Pasión|Adiós|¿Quién será?|¡Ay, caramba!|Mañana|"
    "Ain’t No Sunshine|What’s Going On|“Heroes”|‘Round Midnight|’Round Midnight|"
    "Renée Fleming|Anaïs|Noël Coward|Pokémon|Café del Mar|Tiësto|Mø|© 2001 Records|"
    "Édition Live ®|90° Heat|½ Life|1º de Maio|“Quoted” Song|« Chanson »|«Ça ira»|Tom’s Diner|"
    "Rock’n’Roll Star|L’amour toujours|Live—Paris|ÉDITH PIAF|CÉLINE DION|BJÖRK|MÖTLEY CRÜE|"
    "MOTÖRHEAD|DIE ÄRZTE|HÉROES DEL SILENCIO|MANÁ|SIGUR RÓS|CAFÉ|DÉJÀ VU|ÇA PLANE POUR MOI|ÅSA|"
    "ÆON|ØRESUND|MÜNCHEN|GRÖNEMEYER|ÉLODIE FRÉGÉ|JOSÉ GONZÁLEZ|CORAZÓN|ÀNGEL|STRAßE";

std::vector<std::string> Names(std::string_view packed) {
    std::vector<std::string> names;
    for (std::size_t start = 0, end = 0; end != std::string_view::npos; start = end + 1) {
        end = packed.find('|', start);
        names.emplace_back(packed.substr(start, end - start));
    }
    return names;
}

// Names that do not come back as they were written when stored in codePage.
std::vector<std::string> Misread(const Mp3infpLibrary& library,
                                 const std::vector<std::string>& names, const char* codePage,
                                 const std::string& path) {
    std::vector<std::string> misread;
    for (const std::string& name : names) {
        fixtures::WriteWav(path, fixtures::TagValues{.title = Encode(name, codePage)});
        if (!library.Load(path) || library.Value("INAM") != name)
            misread.emplace_back(name);
    }
    return misread;
}

// Up to 3% of Japanese names may be taken for Windows-1252, none of the others for Shift-JIS.
TEST_F(LibraryTest, TellsShiftJisFromWindows1252) {
    const std::string path = folder / "names.wav";
    const auto japanese = Misread(library, Names(kJapanese), "CP932", path);
    EXPECT_LE(japanese.size() * 100, Names(kJapanese).size() * 3)
        << ::testing::PrintToString(japanese);
    EXPECT_EQ(Misread(library, Names(kLatin), "WINDOWS-1252", path), std::vector<std::string>());
}

}  // namespace
}  // namespace tunvex::testing
