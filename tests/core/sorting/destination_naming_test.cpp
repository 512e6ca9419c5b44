#include "core/sorting/destination_naming.h"

#include <gtest/gtest.h>

#include "core/base/paths.h"

namespace tunvex {
namespace {

TEST(BuildDestinationPathTest, EveryModeAndEdge) {
    struct Case {
        std::string name;
        int folderMode, fileMode;
        std::string expected;
        std::string folderPattern = "?a", filePattern = "?t.?T", source = "/in/song.mp3";
        TrackTags tags = {"Title", "Artist", "Album", "03"};
        std::string base = "/music";
        CodePage codePage = CodePage::Utf8;
        int useAlbumArtist = 0;
        std::string compilationArtist = "Various Artists";
    };
    const TrackTags rem = {"Title", "R.E.M.", "Album", "03"},
                    tags = {"Title", "Artist", "Album", ""};
    const std::string f = "?t.?T", s = "/in/song.mp3", aa = "?A\\?a", m = "/music";
    const CodePage u8 = CodePage::Utf8;
    const auto by = [](const std::string& albumArtist, bool compilation) {
        return TrackTags{"Title", "Artist", "Album", "03", albumArtist, compilation};
    };
    const std::string so = "\x83\x5C";  // Shift-JIS so: its trail byte is a backslash
    std::string kanji;  // 104 of three bytes; 81 of them leave room for ".mp3" and " (9999)"
    for (int i = 0; i < 104; ++i)
        kanji += "漢";
    // clang-format off
    const Case cases[] = {
        {"root base", 0, 1, "/Title.mp3", "?a", f, s, tags, "/"},
        {"trailing dot base", 0, 1, "/music./Title.mp3", "?a", f, s, tags, "/music."},
        {"dotted artist", 1, 1, "/music/R.E.M/Title.mp3", "?a", f, s, rem},
        {"inner dot kept", 3, 1, "/music/R.E.M./Album/Title.mp3", "?A\\?a", f, s, rem},
        {"leading level separator", 3, 1, "/music/Album/Title.mp3", "\\?a"},
        {"title with dot", 0, 1, "/music/Intro..mp3", "?a", f, s, {"Intro.", "A", "B", ""}},
        {"no extension, mode 1", 0, 1, "/music/Title", "?a", f, "/in/README"},
        {"dot in folder name", 0, 1, "/music/Title", "?a", f, "/in.d/track"},
        {"two dots", 0, 1, "/music/Title.mp3", "?a", f, "/in/a.b.mp3"},
        {"dot then space", 0, 1, "/music/Title", "?a", f, "/in/a.b c"},
        {"other question marks", 3, 4, "/music/?x?/?Z-03.mp3", "?x?", "?Z-?t"},
        {"empty folder pattern", 3, 1, "/music/Title.mp3", ""},
        {"empty file pattern", 3, 4, "/music/Album.mp3", "?a", ""},
        {"folder mode 7", 7, 1, "Title.mp3"},
        {"file mode 9", 2, 9, "/music/Artist/Album"},
        {"no rescan", 3, 1, "/music/A_a/Title.mp3", "?A", f, s, {"Title", "A_a", "B", ""}},
        // A value made of dots cannot climb out of the base folder.
        {"dot-only album", 3, 1, "/music/A/__/Title.mp3", "?A\\?a", f, s, {"Title", "A", "..", ""}},
        {"dot-only title", 0, 4, "/music/__", "?a", "?T", "/in/README", {"..", "A", "B", ""}},
        // A base folder ending in so still gets its separator; only a backslash of its own in
        // the folder pattern becomes a level.
        {"so in base and pattern", 3, 1, "/music" + so + "/" + so + "/Album/Title.mp3",
         so + "\\?a", f, s, tags, "/music" + so, CodePage::ShiftJis},
        {"so as base and name", 0, 0, "/" + so + "/" + so + ".mp3", "?a", f, "/in/" + so + ".mp3",
         tags, "/" + so, CodePage::ShiftJis},
        {"names cut to what the file system takes", 2, 1,
         "/music/" + std::string(kMaxNameLength, 'A') + "/Album/" + kanji.substr(0, 243) + ".mp3",
         "?a", f, s, {kanji, std::string(300, 'A'), "Album", ""}},
        // With UseAlbumArtist the folders of an album name its album artist, or the compilation's
        // name, whatever the folder rule; the file part keeps the track's own artist.
        {"album artist", 2, 2, "/music/Band/Album/Artist - Title.mp3", aa, f, s,
         by("Band", false), m, u8, 1},
        {"compilation", 1, 2, "/music/Various Artists/Artist - Title.mp3", aa, f, s,
         by("", true), m, u8, 1},
        {"compilation without a name", 1, 2, "/music/Artist/Artist - Title.mp3", aa, f, s,
         by("", true), m, u8, 1, ""},
        {"neither", 2, 2, "/music/Artist/Album/Artist - Title.mp3", aa, f, s,
         by("", false), m, u8, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        Settings settings;
        settings.BaseFolderPath = c.base;
        settings.FolderNamingMode = c.folderMode;
        settings.FolderNamingFormat = c.folderPattern;
        settings.FileNamingMode = c.fileMode;
        settings.FileNamingFormat = c.filePattern;
        settings.UseAlbumArtist = c.useAlbumArtist;
        settings.CompilationArtist = c.compilationArtist;
        std::string destination;
        EXPECT_TRUE(BuildDestinationPath(settings, c.codePage, destination, c.source, c.tags));
        EXPECT_EQ(destination, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace tunvex
