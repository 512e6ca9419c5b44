// Which legacy texts are taken for Shift-JIS: real Japanese names and titles against real
// Latin-1 / Windows-1252 ones, each stored raw in a WAV INFO list and read through the library.
#include <iconv.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "library_test.h"

namespace tunvex::testing {
namespace {

// Artists and titles: kanji only, kana, half-width kana, mixed with ASCII.
constexpr std::string_view kJapanese =
    "椎名林檎|東京事変|山下達郎|福山雅治|嵐|海|表参道|松任谷由実|井上陽水|玉置浩二|長渕剛|"
    "矢沢永吉|桑田佳祐|小田和正|中島美嘉|安室奈美恵|久保田利伸|徳永英明|平井堅|大黒摩季|工藤静香|"
    "中森明菜|松田聖子|山口百恵|河合奈保子|坂本龍一|細野晴臣|高橋幸宏|大滝詠一|佐野元春|尾崎豊|"
    "浜田省吾|吉田拓郎|松山千春|谷村新司|堀内孝雄|森進一|北島三郎|坂本冬美|吉幾三|鳥羽一郎|"
    "前川清|布施明|沢田研二|西城秀樹|野口五郎|岩崎宏美|太田裕美|大貫妙子|矢野顕子|吉田美奈子|"
    "渡辺美里|岡村孝子|今井美樹|広瀬香美|華原朋美|鈴木雅之|稲垣潤一|杉山清貴|角松敏生|中西保志|"
    "槇原敬之|米津玄師|星野源|藤井風|菅田将暉|斉藤和義|奥田民生|草野正宗|桜井和寿|宮本浩次|"
    "向井秀徳|岸田繁|後藤正文|秦基博|森山直太朗|平原綾香|一青窈|絢香|中孝介|坂本真綾|水樹奈々|"
    "東方神起|少女時代|少年隊|男闘呼組|筋肉少女帯|人間椅子|相対性理論|椿屋四重奏|髙橋真梨子|"
    "山﨑努|濱田金吾|千本桜|桜|空|雪|夜|春|恋|紅|炎|糸|夢|柔|昴|乾杯|時代|異邦人|恋人よ|舟唄|"
    "天城越え|北国の春|与作|神田川|東京砂漠|北酒場|兄弟船|悲しい酒|愛燦燦|地上の星|群青|怪物|"
    "白日|香水|猫|本能|罪と罰|幸福論|修羅場|閃光少女|群青日和|長く短い祭|桜坂|島唄|贈る言葉|卒業|"
    "青春|情熱大陸|荒城の月|故郷|赤とんぼ|月光|別れの曲|革命|英雄|運命|田園|新世界より|序曲|"
    "第三楽章|交響曲第九番|幻想即興曲|大地讃頌|蛍の光|仰げば尊し|春よ来い|川の流れのように|"
    "津軽海峡冬景色|木綿のハンカチーフ|赤いスイートピー|青い珊瑚礁|夢芝居|雨の御堂筋|"
    "長崎は今日も雨だった|学生街の喫茶店|残酷な天使のテーゼ|夜に駆ける|紅蓮華|"
    "丸の内サディスティック|歌舞伎町の女王|涙そうそう|上を向いて歩こう|見上げてごらん夜の星を|"
    "ポケットの中|ソフト|ありがとう|さくらんぼ|ハナミズキ|もののけ姫|となりのトトロ|さよなら|"
    "中島みゆき|竹内まりや|美空ひばり|浜崎あゆみ|宇多田ヒカル|いきものがかり|ゆず|スピッツ|"
    "サザンオールスターズ|ドリームズ・カム・トゥルー|ﾎﾟｹｯﾄ|ｻｻﾞﾝｵｰﾙｽﾀｰｽﾞ|ﾓｰﾆﾝｸﾞ娘｡|ｶﾞﾝﾀﾞﾑ|ｱﾆﾒｿﾝｸﾞ|"
    "ﾄﾞﾗｺﾞﾝｸｴｽﾄ|ｽﾋﾟｯﾂ|ﾐｽﾁﾙ|ｸﾞﾚｲ|ﾗﾙｸ|ｱｲ|ｿﾌﾄ|ﾍﾞｽﾄ|ﾗｲﾌﾞ|Best of 佐藤|"
    "AKB48 恋するフォーチュンクッキー|B'z 愛のままに|GLAY 誘惑|X JAPAN 紅|Mr.Children 名もなき詩|"
    "SMAP 夜空ノムコウ|L'Arc~en~Ciel 虹|Perfume ポリリズム|RADWIMPS 前前前世|"
    "DREAMS COME TRUE 未来予想図II|ZARD 負けないで|Disc 1 第一章|01 序曲|Vol.2 青春|東京 2020|"
    "Live at 武道館|KinKi Kids 硝子の少年|YOASOBI 夜に駆ける|LiSA 紅蓮華|King Gnu 白日|"
    "Official髭男dism|米津玄師 Lemon|宇多田ヒカル First Love|Track 05 海|海 (Live)|"
    "嵐 - Love so sweet|椎名林檎 feat. 斎藤ネコ|光GENJI|米米CLUB|聖飢魔II|銀杏BOYZ|東京 Tokyo|"
    "Tokyo 東京|山下達郎 - Ride on Time|福山雅治 Best|ZARD 揺れる想い|JUDY AND MARY 散歩道|"
    "Dragon Ash 陽はまたのぼりくりかえす|TUBE 夏を待ちきれなくて|CHAGE and ASKA 万里の河|"
    "DEEN 瞳そらさないで|WANDS 世界中の誰よりきっと|T-BOLAN 離したくはない|hide 森の人|EXILE 道|"
    "SEKAI NO OWARI 炎と森|THE BLUE HEARTS 青空|UVERworld 激動|ONE OK ROCK 完全感覚|"
    "BUMP OF CHICKEN 天体観測|ASIAN KUNG-FU GENERATION 遥か彼方|Superfly 愛をこめて花束を|"
    "MISIA 逢いたくていま";

// Artists and titles with accents, upper case, typographic quotes and symbols: French, German,
// Nordic, Spanish, Portuguese, Italian, English.
constexpr std::string_view kLatin =
    "Édith Piaf|Hélène Ségara|Mylène Farmer|Céline Dion|Françoise Hardy|Léo Ferré|Noir Désir|"
    "Téléphone|Étienne Daho|Alizée|Cœur de pirate|Élodie Frégé|Bénabar|Gérard Lenorman|"
    "Hervé Vilard|Véronique Sanson|Maître Gims|Amélie|L’hymne à l’amour|Les Champs-Élysées|"
    "Déjà vu|À bout de souffle|Comme d’habitude|Ça plane pour moi|Tous les garçons et les filles|"
    "Je t’aime… moi non plus|Résiste|Désenchantée|Sans contrefaçon|Où sont les femmes|"
    "L’été indien|La Bohème|Hélène|Chérie|J’ai demandé à la lune|Allô maman bobo|Frère Jacques|"
    "Petit Papa Noël|Les Misérables|Sœur Sourire|Œuvres complètes|Chœurs|Mélodie|Frédéric Chopin|"
    "Gabriel Fauré|Claude Debussy – Clair de lune|Érik Satie – Gymnopédie n° 1|"
    "Camille Saint-Saëns|Die Ärzte|Herbert Grönemeyer|Marius Müller-Westernhagen|Böhse Onkelz|"
    "Männer|Männer sind Schweine|Frühling in Paris|Merci, Chérie|Udo Jürgens|"
    "Über sieben Brücken musst du gehn|Schön ist es auf der Welt zu sein|Straße|"
    "Weiße Rosen aus Athen|Ein bißchen Frieden|Hölle Hölle Hölle|Fußball|Mädchen|Brüder|"
    "Grüße aus der Heimat|Königin der Nacht|Märchenprinz|Für Elise|Frühlingsstimmen|Heißer Sand|"
    "Tränen lügen nicht|Glück|Verdammt, ich lieb’ dich|Nur geträumt|Major Tom (völlig losgelöst)|"
    "Münchener Freiheit|Söhne Mannheims|Blümchen|Jürgen Drews|Höhner|Bläck Fööss|Düsseldorf|"
    "Zürich|Österreich|Radioaktivität|Björk|Sigur Rós|Mötley Crüe|Motörhead|Blue Öyster Cult|"
    "Queensrÿche|Hüsker Dü|Röyksopp|Lars Winnerbäck|Björn Ulvaeus|Agnetha Fältskog|"
    "Åge Aleksandersen|Sissel Kyrkjebø|Dødheimsgard|Jóga|Hoppípolla|Glósóli|Sæglópur|"
    "Ágætis byrjun|Takk…|Með suð í eyrum við spilum endalaust|Gasolin’|Ørkenens sønner|Hjärta|"
    "Kärlek|Fröken Fräken|Sommarnatt på Jämtland|Vårvindar friska|Ålesund|Tromsø|Smörgåsbord|"
    "Änglamark|Håkan Hellström|Ted Gärdestad|Björn Skifs|Måns Zelmerlöw|Kjell Höglund|"
    "Jussi Björling|Värttinä|Ólafur Arnalds|Jóhann Jóhannsson|Mägo de Oz|Héroes del Silencio|"
    "Maná|Café Tacvba|Corazón espinado|Bésame mucho|Dónde están los ladrones|Ojos así|Años 80|"
    "Me colé en una fiesta|Rosalía|Café Quijano|Camarón de la Isla|Paco de Lucía|Joaquín Sabina|"
    "19 días y 500 noches|Mediterráneo|Lucía|Penélope|Fito Páez|Charly García|De música ligera|"
    "Andrés Calamaro|José José|Vicente Fernández|María|Livin’ la Vida Loca|Víctor Jara|"
    "Silvio Rodríguez|Ojalá|Pablo Milanés|Oye cómo va|Héctor Lavoe|Rubén Blades|Ángel|"
    "Canción del mariachi|Búscame|Señorita|Niña|Pasión|Adiós|¿Quién será?|¡Ay, caramba!|Mañana|"
    "España|Málaga|Cádiz|Córdoba|Piñata|Peña|João Gilberto|Coração|Águas de Março|Maria Bethânia|"
    "Vinícius de Moraes|Cássia Eller|Amália Rodrigues|Fado português|Lágrima|Você|Canção do mar|"
    "Perché|Così|Città|Più bella cosa|Fabrizio De André|Cuccurucucù paloma|Fratelli d’Italia|"
    "Sarà perché ti amo|Felicità|L’italiano|Don’t Stop Me Now|Livin’ on a Prayer|"
    "Sweet Child o’ Mine|Rock ’n’ Roll|I’m Still Standing|It’s My Life|You’re So Vain|"
    "Ain’t No Sunshine|What’s Going On|“Heroes”|‘Round Midnight|’Round Midnight|"
    "Don’t Look Back in Anger|We’re Not Gonna Take It|Hey Jude — Remastered|Live — 1999|"
    "Greatest Hits (1970–1980)|Smells Like Teen Spirit – Live|Beyoncé|Sinéad O’Connor|"
    "Guns N’ Roses|…And Justice for All|Ænima|Æon Flux|Medúlla|Who’s Next|Zoë Keating|"
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
        if (!library.Load(path) || library.Value("INAM") != name) {
            misread.emplace_back(name);
        }
    }
    return misread;
}

TEST_F(LibraryTest, TellsShiftJisFromWindows1252) {
    const std::string path = folder / "names.wav";
    const std::vector<std::string> japaneseNames = Names(kJapanese), latinNames = Names(kLatin);
    const auto japanese = Misread(library, japaneseNames, "CP932", path);
    const auto latin = Misread(library, latinNames, "WINDOWS-1252", path);

    const double japaneseRate =
        1.0 - static_cast<double>(japanese.size()) / static_cast<double>(japaneseNames.size());
    std::printf("Japanese read as Japanese: %zu of %zu (%.1f%%)\n",
                japaneseNames.size() - japanese.size(), japaneseNames.size(), japaneseRate * 100);
    std::printf("Latin read as Japanese: %zu of %zu (%.1f%%)\n", latin.size(), latinNames.size(),
                100.0 * static_cast<double>(latin.size()) / static_cast<double>(latinNames.size()));
    EXPECT_GE(japaneseRate, 0.97) << ::testing::PrintToString(japanese);
    EXPECT_TRUE(latin.empty()) << ::testing::PrintToString(latin);
}

}  // namespace
}  // namespace tunvex::testing
