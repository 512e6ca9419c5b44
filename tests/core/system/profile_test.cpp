#include "core/system/profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using testing::ReadFile;
using testing::WriteFile;

const std::string kIni =
    "; tunvex settings\r\n[Other]\r\nBaseFolderPath=/elsewhere\r\n\r\n[tunvexoption]\r\n"
    "  basefolderpath =  /music/邦楽  \r\nCopyMode=-8\r\nFolderNamingFormat=\r\n"
    "TagMode=12abc\r\nFileNamingMode=abc\r\n;CollisionMode=1\r\n\r\n[Last]\r\nx=1\r\n";

class ProfileTest : public ::testing::Test {
  protected:
    std::string Read(const std::string& section, const std::string& key) {
        return ReadProfileString(*ReadProfile(ini), section, key, "d");
    }

    testing::TempFolder folder;
    std::string ini = folder / "t.ini";
};

TEST_F(ProfileTest, ValuesAsTheWindowsProfileFunctionsReadThem) {
    WriteFile(ini, kIni);
    EXPECT_EQ(Read("TunvexOption", "BaseFolderPath"), "/music/邦楽");
    EXPECT_EQ(Read("TunvexOption", "FolderNamingFormat"), "");
    EXPECT_EQ(Read("Missing", "BaseFolderPath"), "d");

    const std::pair<std::string, int> integers[] = {
        {"CopyMode", -8},      {"TagMode", 12},           {"FileNamingMode", 0},
        {"CollisionMode", 77}, {"FolderNamingFormat", 0},  // present but empty
    };
    for (const auto& [key, expected] : integers)
        EXPECT_EQ(ReadProfileInt(*ReadProfile(ini), "TunvexOption", key, 77), expected) << key;
    // A number past an int's range, a stored window position far off say, stops at its end.
    WriteFile(ini, "[S]\nX=99999999999\nY=-99999999999\n");
    EXPECT_EQ(ReadProfileInt(*ReadProfile(ini), "S", "X", 0), INT_MAX);
    EXPECT_EQ(ReadProfileInt(*ReadProfile(ini), "S", "Y", 0), INT_MIN);
}

// Outer spaces and outer quotes survive in a pair of quotes, which a reader drops, as Windows does.
TEST_F(ProfileTest, EveryValueReadsBackAsItWasWritten) {
    for (const std::string value : {"/music/My Music ", " a", "\"q\"", "'s'", "a\"b", "\"", ""}) {
        ASSERT_TRUE(WriteProfileString(ini, "S", "V", value));
        EXPECT_EQ(Read("S", "V"), value) << ReadFile(ini);
    }
}

// Each line ending, no final line break, a byte order mark: a write keeps what the file had.
TEST_F(ProfileTest, AWriteKeepsTheLineEndingsAndWhatAnEditorLeftAtTheEnds) {
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"[S]\nA=1\nB=2\n", "[S]\nA=3\nB=2\n"}, {"[S]\rA=1\rB=2\r", "[S]\rA=3\rB=2\r"},
        {"[S]\r\nA=1\r\nB=2\r\n", "[S]\r\nA=3\r\nB=2\r\n"}, {"[S]\nB=2", "[S]\nB=2\nA=3\n"},
        {"\xEF\xBB\xBF[S]\r\nA=1\r\nB=2\r\n", "\xEF\xBB\xBF[S]\r\nA=3\r\nB=2\r\n"},
    };
    // clang-format on
    for (const auto& [before, after] : cases) {
        WriteFile(ini, before);
        EXPECT_EQ(ReadProfileInt(*ReadProfile(ini), "S", "B", 0), 2) << before;
        ASSERT_TRUE(WriteProfileString(ini, "S", "A", "3"));
        EXPECT_EQ(ReadFile(ini), after);
    }
}

// What cannot be written leaves the file; what can replaces in place or ends its section.
TEST_F(ProfileTest, RefusesWhatCannotBeWrittenAndReplacesInPlaceOrAddsAtTheEndOfTheSection) {
    WriteFile(ini, kIni);
    // One bad value keeps the good ones before it out too.
    EXPECT_FALSE(WriteProfileStrings(ini, "TunvexOption", {{"CopyMode", "1"}, {"K", "a\rb"}}));
    std::filesystem::create_directory(folder / "locked");
    chmod((folder / "locked").c_str(), 0555);
    EXPECT_FALSE(WriteProfileString(folder / "locked/new.ini", "S", "K", "v"));
    chmod((folder / "locked").c_str(), 0755);
    EXPECT_FALSE(WriteProfileString(folder / "no/such/folder.ini", "S", "K", "v"));
    EXPECT_FALSE(std::filesystem::exists(folder / "locked/new.ini"));
    EXPECT_EQ(ReadFile(ini), kIni);

    ASSERT_TRUE(WriteProfileString(ini, "TunvexOption", "COPYMODE", "1"));
    ASSERT_TRUE(WriteProfileString(ini, "TunvexOption", "CollisionMode", "1"));
    ASSERT_TRUE(WriteProfileString(ini, "New", "WindowPositionX", "-640"));
    std::string expected = kIni;
    expected.replace(expected.find("CopyMode=-8"), 11, "COPYMODE=1");
    expected.insert(expected.find("\r\n[Last]"), "CollisionMode=1\r\n");
    EXPECT_EQ(ReadFile(ini), expected + "[New]\r\nWindowPositionX=-640\r\n");
    EXPECT_EQ(ReadProfileInt(*ReadProfile(ini), "new", "windowpositionx", 0), -640);
}

// Through a link, to a target not yet there or to one whose mode stays.
TEST_F(ProfileTest, WritesThroughALinkAndKeepsTheTargetsMode) {
    std::filesystem::create_directory(folder / "conf");
    std::filesystem::create_symlink("conf/new.ini", folder / "new.ini");
    ASSERT_TRUE(WriteProfileString(folder / "new.ini", "S", "K", "v"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "new.ini"));
    EXPECT_EQ(ReadFile(folder / "conf/new.ini"), "[S]\nK=v\n");

    WriteFile(ini, "[S]\nK=1\n");
    chmod(ini.c_str(), 0600);
    std::filesystem::create_symlink(ini, folder / "link.ini");
    ASSERT_TRUE(WriteProfileString(folder / "link.ini", "S", "K", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.ini"));
    EXPECT_EQ(ReadFile(ini), "[S]\nK=2\n");
    struct stat info;
    ASSERT_EQ(stat(ini.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// A writer killed at any moment leaves the old file or the new one, whole.
TEST_F(ProfileTest, AKilledWriterNeverLeavesAHalfWrittenFile) {
    const std::string padding(2 << 20, 'x');
    WriteFile(ini, "[S]\nPad=" + padding + "\nK=0\n");
    for (int round = 0; round < 12; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 1;; ++i)
                WriteProfileString(ini, "S", "K", std::to_string(i % 10));
        }
        usleep(static_cast<useconds_t>(3000 + round * 2500));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::string content = ReadFile(ini);
        ASSERT_EQ(content.size(), padding.size() + 13) << "round " << round;
        EXPECT_EQ(content.substr(content.size() - 5, 3), "\nK=");
    }
}

}  // namespace
}  // namespace tunvex
