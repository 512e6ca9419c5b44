#include "core/settings/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <thread>

#include "tests/support/catalogue_with.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using testing::CatalogueWith;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MessageRecorder;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("HOME", home.path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    }

    TempFolder home;
    TempFolder folder;
    std::string ini = folder / "tunvex.ini";
};

Settings Filled() {
    Settings s;
    s.BaseFolderPath = "/music/邦楽";
    s.CopyMode = 7;
    s.FolderNamingMode = 9;
    s.FolderNamingFormat = "?A\\?a";
    s.FileNamingMode = -1;
    s.FileNamingFormat = "?t - ?T";
    s.TagMode = 2;
    s.CollisionMode = 1;
    s.WindowPositionX = -8;
    s.WindowPositionY = -640;
    s.CarryExtraFiles = 1;
    s.ExtraFilePatterns = "*.JPG;folder.*";
    s.RemoveEmptiedFolders = 1;
    s.UseAlbumArtist = 1;
    s.CompilationArtist = "V.A.";
    return s;
}

void ExpectSame(const Settings& a, const Settings& b) {
    EXPECT_EQ(a.BaseFolderPath, b.BaseFolderPath);
    EXPECT_EQ(a.CopyMode, b.CopyMode);
    EXPECT_EQ(a.FolderNamingMode, b.FolderNamingMode);
    EXPECT_EQ(a.FolderNamingFormat, b.FolderNamingFormat);
    EXPECT_EQ(a.FileNamingMode, b.FileNamingMode);
    EXPECT_EQ(a.FileNamingFormat, b.FileNamingFormat);
    EXPECT_EQ(a.TagMode, b.TagMode);
    EXPECT_EQ(a.CollisionMode, b.CollisionMode);
    EXPECT_EQ(a.WindowPositionX, b.WindowPositionX);
    EXPECT_EQ(a.WindowPositionY, b.WindowPositionY);
    EXPECT_EQ(a.CarryExtraFiles, b.CarryExtraFiles);
    EXPECT_EQ(a.ExtraFilePatterns, b.ExtraFilePatterns);
    EXPECT_EQ(a.RemoveEmptiedFolders, b.RemoveEmptiedFolders);
    EXPECT_EQ(a.UseAlbumArtist, b.UseAlbumArtist);
    EXPECT_EQ(a.CompilationArtist, b.CompilationArtist);
}

TEST_F(SettingsTest, WithoutAFileTheDefaultsAreLoadedAndNothingIsWritten) {
    MessageRecorder messages;
    Settings s;
    ASSERT_TRUE(LoadSettings(s, ini));
    Settings expected;
    expected.BaseFolderPath = home / "Desktop";
    expected.FolderNamingFormat = "?a";
    expected.FileNamingFormat = "?t.?T";
    expected.TagMode = 1;
    expected.ExtraFilePatterns = "*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt";
    expected.CompilationArtist = "Various Artists";
    ExpectSame(s, expected);
    EXPECT_FALSE(std::filesystem::exists(ini));
    EXPECT_FALSE(std::filesystem::exists(home / "Desktop"));
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(SettingsTest, DesktopComesFromTheUserDirsFile) {
    WriteFile(home / "config/user-dirs.dirs",
              "# comment\nXDG_MUSIC_DIR=\"$HOME/Music\"\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n");
    Settings s;
    ASSERT_TRUE(LoadSettings(s, ini));
    EXPECT_EQ(s.BaseFolderPath, home / "デスクトップ");
}

TEST_F(SettingsTest, AFileThatCanOnlyBeReadOnceStillGivesEveryValue) {
    std::string pipe = folder / "pipe.ini";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { WriteFile(pipe, "[TunvexOption]\nCopyMode=1\nTagMode=0\n"); });
    Settings s;
    ASSERT_TRUE(LoadSettings(s, pipe));
    writer.join();
    EXPECT_EQ(s.CopyMode, 1);
    EXPECT_EQ(s.TagMode, 0);
}

// A settings file is a few hundred bytes; anything past 1 MiB is not one and is not read on. A
// device is not one either, however it reads (a terminal would be read without end).
TEST_F(SettingsTest, AFileBeyondOneMebibyteOrADeviceIsALoadFailureWithMessage620) {
    const std::string header = "[TunvexOption]\nCopyMode=7\n;";
    const std::pair<std::string, bool> cases[] = {
        {header + std::string((1 << 20) - header.size() - 1, 'x') + "\n", true},
        {header + std::string((1 << 20) - header.size(), 'x') + "\n", false},
        {"/dev/zero", false},
        {"/dev/null", false},
    };
    for (const auto& [content, loads] : cases) {
        std::string path = content.starts_with("/dev/") ? content : ini;
        if (path == ini)
            WriteFile(ini, content);
        MessageRecorder messages;
        Settings s;
        EXPECT_EQ(LoadSettings(s, path), loads) << content.size();
        EXPECT_EQ(s.CopyMode, loads ? 7 : 0);
        EXPECT_EQ(messages.shown, loads ? std::vector<unsigned>{} : std::vector<unsigned>{620u});
    }
    // Nor is such a file written: the next start would refuse it.
    Settings huge;
    huge.FileNamingFormat = std::string(1 << 20, 'x');
    MessageRecorder messages;
    std::remove(ini.c_str());
    EXPECT_FALSE(SaveSettings(huge, ini));
    EXPECT_LE(ReadFile(ini).size(), std::size_t{1} << 20);
}

TEST_F(SettingsTest, StoredValuesWinAndAbsentKeysTakeTheirDefaults) {
    WriteFile(ini, "[TunvexOption]\nBaseFolderPath=\nCopyMode=7\nFolderNamingMode=9\nTagMode=0\n");
    Settings s;
    ASSERT_TRUE(LoadSettings(s, ini));
    EXPECT_EQ(s.BaseFolderPath, "");  // present but empty: not the desktop
    EXPECT_EQ(s.CopyMode, 7);
    EXPECT_EQ(s.FolderNamingMode, 9);
    EXPECT_EQ(s.TagMode, 0);
    EXPECT_EQ(s.FolderNamingFormat, "?a");
    EXPECT_EQ(s.FileNamingFormat, "?t.?T");
}

TEST_F(SettingsTest, FirstSaveWritesEveryEntryInOrderAndReadsBackTheSame) {
    MessageRecorder messages;
    ASSERT_TRUE(SaveSettings(Filled(), ini));
    EXPECT_EQ(ReadFile(ini),
              "[TunvexOption]\n"
              "BaseFolderPath=/music/邦楽\n"
              "CopyMode=7\n"
              "FolderNamingMode=9\n"
              "FolderNamingFormat=?A\\?a\n"
              "FileNamingMode=-1\n"
              "FileNamingFormat=?t - ?T\n"
              "TagMode=2\n"
              "CollisionMode=1\n"
              "WindowPositionX=-8\n"
              "WindowPositionY=-640\n"
              "CarryExtraFiles=1\n"
              "ExtraFilePatterns=*.JPG;folder.*\n"
              "RemoveEmptiedFolders=1\n"
              "UseAlbumArtist=1\n"
              "CompilationArtist=V.A.\n");
    Settings loaded;
    ASSERT_TRUE(LoadSettings(loaded, ini));
    ExpectSame(loaded, Filled());
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(SettingsTest, NoHomeMeansNoDesktopEvenWithEveryKeyStored) {
    ASSERT_TRUE(SaveSettings(Filled(), ini));
    unsetenv("HOME");
    MessageRecorder messages;
    Settings s;
    EXPECT_FALSE(LoadSettings(s, ini));
    EXPECT_THAT(messages.shown, ElementsAre(615u));
    EXPECT_EQ(s.BaseFolderPath, "");
}

// Fields read before a missing string keep their new values; later ones keep the old.
TEST_F(SettingsTest, AMissingStringStopsTheLoadWithMessage613) {
    struct Case {
        unsigned missingId;
        int expectedCopyMode;
        std::string expectedFolderFormat;
        int expectedCollisionMode;
    };
    const Case cases[] = {
        {550, -1, "old", -1},  // section name: nothing read
        {552, -1, "old", -1},  // CopyMode key
        {540, 7, "old", -1},   // default folder pattern
        {560, 7, "?a", -1},    // CollisionMode key
        {559, 7, "?a", 1},     // WindowPositionY key, the last of the ten
        {542, 7, "?a", 1},     // default extra patterns, after them
    };
    WriteFile(ini, "[TunvexOption]\nCopyMode=7\nCollisionMode=1\n");
    for (const Case& c : cases) {
        MessageRecorder messages;
        Settings s;
        s.CopyMode = -1;
        s.FolderNamingFormat = "old";
        s.CollisionMode = -1;
        EXPECT_FALSE(LoadSettings(s, ini, CatalogueWith(c.missingId, std::nullopt))) << c.missingId;
        EXPECT_THAT(messages.shown, ElementsAre(613u)) << c.missingId;
        EXPECT_EQ(s.CopyMode, c.expectedCopyMode) << c.missingId;
        EXPECT_EQ(s.FolderNamingFormat, c.expectedFolderFormat) << c.missingId;
        EXPECT_EQ(s.CollisionMode, c.expectedCollisionMode) << c.missingId;
    }
}

// Whatever stops a save, the file keeps every previous value, and one message says why.
TEST_F(SettingsTest, AFailedSaveLeavesThePreviousFileWhole) {
    const std::string before = "[TunvexOption]\nCopyMode=1\nTagMode=0\n";
    Settings withBreak = Filled();
    withBreak.WindowPositionY = 5;
    withBreak.FileNamingFormat = "?t\n?T";
    struct Case {
        const char* what;
        std::optional<unsigned> missingId;
        Settings settings;
        mode_t mode;
        unsigned message;
    };
    const Case cases[] = {
        {"missing key name", 556u, Filled(), 0644, 613u},
        {"line break in a later value", std::nullopt, withBreak, 0644, 614u},
        {"read-only file", std::nullopt, Filled(), 0444, 614u},
    };
    for (const Case& c : cases) {
        WriteFile(ini, before);
        chmod(ini.c_str(), c.mode);
        Catalogue catalogue =
            c.missingId ? CatalogueWith(*c.missingId, std::nullopt) : ProgramCatalogue();
        MessageRecorder messages;
        EXPECT_FALSE(SaveSettings(c.settings, ini, catalogue)) << c.what;
        EXPECT_THAT(messages.shown, ElementsAre(c.message)) << c.what;
        EXPECT_EQ(ReadFile(ini), before) << c.what;
        chmod(ini.c_str(), 0644);
    }
}

}  // namespace
}  // namespace tunvex
