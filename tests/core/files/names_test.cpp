#include "core/files/names.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "core/files/rename.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

TEST(NumberedNameTest, NumberGoesBeforeTheExtensionOfTheFileName) {
    const std::string so = "\x83\x5C";  // its trail byte is a backslash, no separator
    const std::tuple<CodePage, std::string, unsigned, std::string> cases[] = {
        {CodePage::Utf8, "/m/Song.mp3", 2, "/m/Song (2).mp3"},
        {CodePage::Utf8, "/m/name", 3, "/m/name (3)"},
        {CodePage::Utf8, "/m/.hidden", 2, "/m/.hidden (2)"},
        {CodePage::Utf8, "/m/Vol. 2", 2, "/m/Vol. 2 (2)"},
        {CodePage::Utf8, "Song.mp3", 2, "Song (2).mp3"},
        {CodePage::ShiftJis, "/m/" + so + ".mp3", 2, "/m/" + so + " (2).mp3"},
    };
    for (const auto& [codePage, path, number, expected] : cases)
        EXPECT_EQ(NumberedName(codePage, path, number), expected) << path;
}

// With renameat2 and by link and unlink: a free name is taken, an existing file never clobbered.
TEST(RenameNoReplaceTest, AFreeNameIsTakenAndAnExistingFileIsNeverClobbered) {
    for (auto rename : {RenameNoReplace, MoveByLink}) {
        for (bool taken : {false, true}) {
            TempFolder folder;
            WriteFile(folder / "from", "new");
            if (taken)
                WriteFile(folder / "to", "old");
            EXPECT_EQ(rename(folder / "from", folder / "to"), taken ? EEXIST : 0);
            EXPECT_EQ(Exists(folder / "from"), taken);
            EXPECT_EQ(ReadFile(folder / "to"), taken ? "old" : "new");
        }
    }
}

}  // namespace
}  // namespace tunvex
