#include "core/sorting/destination_naming.h"

#include <gtest/gtest.h>

#include "core/base/paths.h"

namespace tunvex {
namespace {

const std::string kSo = "\x83\x5C";  // Shift-JIS katakana so: its trail byte is a backslash

struct NamingCase {
    std::string name;
    int folderMode;
    int fileMode;
    std::string expected;
    std::string folderPattern = "?a";
    std::string filePattern = "?t.?T";
    std::string base = "/music";
    std::string source = "/in/song.mp3";
    TrackTags tags = {"Title", "Artist", "Album", "03"};
};

std::string Build(const NamingCase& c, CodePage codePage = CodePage::Utf8) {
    Settings settings;
    settings.BaseFolderPath = c.base;
    settings.FolderNamingMode = c.folderMode;
    settings.FolderNamingFormat = c.folderPattern;
    settings.FileNamingMode = c.fileMode;
    settings.FileNamingFormat = c.filePattern;
    std::string destination;
    EXPECT_TRUE(BuildDestinationPath(settings, codePage, destination, c.source, c.tags));
    return destination;
}

// With UseAlbumArtist the folders of an album name its album artist, or the compilation's name,
// whatever the folder rule; the file part keeps the track's own artist.
TEST(BuildDestinationPathTest, TheAlbumArtistKeepsAnAlbumTogether) {
    struct Case {
        const char* name;
        int useAlbumArtist;
        std::string albumArtist;
        bool compilation;
        std::string compilationArtist;
        int folderMode;
        std::string expected;
    };
    const Case cases[] = {
        {"off", 0, "Band", true, "Various Artists", 2, "/music/Artist/Album/Artist - Title.mp3"},
        {"album artist", 1, "Band", false, "Various Artists", 2,
         "/music/Band/Album/Artist - Title.mp3"},
        {"album artist in a pattern", 1, "Band", true, "Various Artists", 3,
         "/music/Band/Album/Artist - Title.mp3"},
        {"compilation", 1, "", true, "Various Artists", 1,
         "/music/Various Artists/Artist - Title.mp3"},
        {"compilation named unsafely", 1, "", true, " V/A: Hits ", 1,
         "/music/V_A_ Hits/Artist - Title.mp3"},
        {"compilation without a name", 1, "", true, "", 1, "/music/Artist/Artist - Title.mp3"},
        {"neither", 1, "", false, "Various Artists", 2, "/music/Artist/Album/Artist - Title.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings settings;
        settings.BaseFolderPath = "/music";
        settings.FolderNamingMode = c.folderMode;
        settings.FolderNamingFormat = "?A\\?a";
        settings.FileNamingMode = 2;
        settings.UseAlbumArtist = c.useAlbumArtist;
        settings.CompilationArtist = c.compilationArtist;
        TrackTags tags = {"Title", "Artist", "Album", "03", c.albumArtist, c.compilation};
        std::string destination;
        ASSERT_TRUE(
            BuildDestinationPath(settings, CodePage::Utf8, destination, "/in/song.mp3", tags));
        EXPECT_EQ(destination, c.expected);
    }
}

TEST(BuildDestinationPathTest, EveryModeAndEdge) {
    TrackTags rem = {"Title", "R.E.M.", "Album", "03"};
    const NamingCase cases[] = {
        {"0/0", 0, 0, "/music/song.mp3"},
        {"0/1", 0, 1, "/music/Title.mp3"},
        {"1/2", 1, 2, "/music/Artist/Artist - Title.mp3"},
        {"2/3", 2, 3, "/music/Artist/Album/03.Title.mp3"},
        {"3/4", 3, 4, "/music/Album/03.Title.mp3"},
        {"root base", 0, 1, "/Title.mp3", "?a", "?t.?T", "/"},
        {"trailing dot base kept", 0, 1, "/music./Title.mp3", "?a", "?t.?T", "/music."},
        {"dotted artist", 1, 1, "/music/R.E.M/Title.mp3", "?a", "?t.?T", "/music", "/in/song.mp3",
         rem},
        {"inner dot kept", 3, 1, "/music/R.E.M./Album/Title.mp3", "?A\\?a", "?t.?T", "/music",
         "/in/song.mp3", rem},
        {"leading level separator", 3, 1, "/music/Album/Title.mp3", "\\?a"},
        {"trailing level separator", 3, 1, "/music/Album/Title.mp3", "?a\\"},
        {"levels", 3, 1, "/music/Artist/Album/03/Title.mp3", "?A\\?a\\?t"},
        {"title with dot",
         0,
         1,
         "/music/Intro..mp3",
         "?a",
         "?t.?T",
         "/music",
         "/in/song.mp3",
         {"Intro.", "Artist", "Album", "03"}},
        {"no extension, mode 1", 0, 1, "/music/Title", "?a", "?t.?T", "/music", "/in/README"},
        {"no extension, mode 0", 0, 0, "/music/README", "?a", "?t.?T", "/music", "/in/README"},
        {"dot in folder name", 0, 1, "/music/Title", "?a", "?t.?T", "/music", "/in.d/track"},
        {"two dots", 0, 1, "/music/Title.mp3", "?a", "?t.?T", "/music", "/in/a.b.mp3"},
        {"dot then space", 0, 1, "/music/Title", "?a", "?t.?T", "/music", "/in/a.b c"},
        {"other question marks", 3, 4, "/music/?x?/?Z-03.mp3", "?x?", "?Z-?t"},
        {"empty folder pattern", 3, 1, "/music/Title.mp3", ""},
        {"empty file pattern", 3, 4, "/music/Album.mp3", "?a", ""},
        {"folder mode 7", 7, 1, "Title.mp3"},
        {"folder mode -1", -1, 1, "Title.mp3"},
        {"file mode 9", 2, 9, "/music/Artist/Album"},
        {"both out of range", 4, 5, ""},
        {"expansion order", 3, 4, "/music/Artist-Album/Title-03.mp3", "?A-?a", "?T-?t"},
        {"no rescan of values",
         3,
         1,
         "/music/A_a/Title.mp3",
         "?A",
         "?t.?T",
         "/music",
         "/in/song.mp3",
         {"Title", "A_a", "Album", "03"}},
        // A value made of dots cannot climb out of the base folder.
        {"dot-only album",
         3,
         1,
         "/music/Artist/__/Title.mp3",
         "?A\\?a",
         "?t.?T",
         "/music",
         "/in/song.mp3",
         {"Title", "Artist", "..", "03"}},
        {"dot-only title",
         0,
         4,
         "/music/__",
         "?a",
         "?T",
         "/music",
         "/in/README",
         {"..", "Artist", "Album", "03"}},
    };
    for (const NamingCase& c : cases) {
        EXPECT_EQ(Build(c), c.expected) << c.name;
    }
}

TEST(BuildDestinationPathTest, DefaultFilePatternGivesModeThree) {
    NamingCase pattern{"", 2, 4, ""};
    NamingCase fixed{"", 2, 3, ""};
    EXPECT_EQ(Build(pattern), Build(fixed));
}

TEST(BuildDestinationPathTest, ShiftJisTrailBytesAreNeverSeparators) {
    // A base folder ending in so still gets its separator; so in the folder pattern stays so,
    // and only a backslash of its own becomes a level.
    NamingCase c{"",
                 3,
                 1,
                 "/music" + kSo + "/" + kSo + "/Album/Title.mp3",
                 kSo + "\\?a",
                 "?t.?T",
                 "/music" + kSo};
    EXPECT_EQ(Build(c, CodePage::ShiftJis), c.expected);
    NamingCase file{"",   0,       0,         "/" + kSo + "/" + kSo + ".mp3",
                    "?a", "?t.?T", "/" + kSo, "/in/" + kSo + ".mp3"};
    EXPECT_EQ(Build(file, CodePage::ShiftJis), file.expected);
}

TEST(BuildDestinationPathTest, NamesAreCutToWhatTheFileSystemTakes) {
    std::string kanji;
    for (int i = 0; i < 104; ++i)
        kanji += "漢";  // three bytes each
    NamingCase c{"", 2, 1, ""};
    c.tags = {kanji, std::string(300, 'A'), "Album", "03"};
    std::string destination = Build(c);
    std::string expectedName = "";
    for (int i = 0; i < 81; ++i)
        expectedName += "漢";  // 243 bytes: the most that leaves room for ".mp3" and " (9999)"
    EXPECT_EQ(destination,
              "/music/" + std::string(kMaxNameLength, 'A') + "/Album/" + expectedName + ".mp3");
}

}  // namespace
}  // namespace tunvex
