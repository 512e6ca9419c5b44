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

// Every entry, in the order a first save writes them.
const std::string kFilled =
    "[TunvexOption]\nBaseFolderPath=/music/邦楽\nCopyMode=7\nFolderNamingMode=9\n"
    "FolderNamingFormat=?A\\?a\nFileNamingMode=-1\nFileNamingFormat=?t - ?T\nTagMode=2\n"
    "CollisionMode=1\nWindowPositionX=-8\nWindowPositionY=-640\nCarryExtraFiles=1\n"
    "ExtraFilePatterns=*.JPG;folder.*\nRemoveEmptiedFolders=1\nUseAlbumArtist=1\n"
    "CompilationArtist=V.A.\nPreviewBeforeSort=1\nPreviewWidth=900\nPreviewHeight=-2\n";

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

TEST_F(SettingsTest, WithoutAFileTheDefaultsAreLoadedAndNothingIsWritten) {
    MessageRecorder messages;
    Settings s;
    ASSERT_TRUE(LoadSettings(s, ini));
    EXPECT_EQ(s.BaseFolderPath, home / "Desktop");
    EXPECT_EQ(s.FileNamingFormat, "?t.?T");
    EXPECT_EQ(s.ExtraFilePatterns, "*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt");
    EXPECT_EQ(s.CompilationArtist, "Various Artists");
    EXPECT_FALSE(std::filesystem::exists(ini));
    EXPECT_FALSE(std::filesystem::exists(home / "Desktop"));
    EXPECT_THAT(messages.shown, IsEmpty());

    WriteFile(home / "config/user-dirs.dirs",
              "# comment\nXDG_MUSIC_DIR=\"$HOME/Music\"\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n");
    ASSERT_TRUE(LoadSettings(s, ini));
    EXPECT_EQ(s.BaseFolderPath, home / "デスクトップ");
}

// Past 1 MiB a file is no settings file, nor is a device (a terminal would be read without end).
TEST_F(SettingsTest, AFileBeyondOneMebibyteOrADeviceIsALoadFailureWithMessage620) {
    const std::string header = "[TunvexOption]\nCopyMode=7\n;";
    const std::pair<std::string, bool> cases[] = {
        {header + std::string((1 << 20) - header.size() - 1, 'x') + "\n", true},
        {header + std::string((1 << 20) - header.size(), 'x') + "\n", false},
        {"/dev/zero", false},
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

// Read from a pipe, which can be read only once.
TEST_F(SettingsTest, EveryEntryReadsBackAndAFirstSaveWritesThemInOrder) {
    MessageRecorder messages;
    std::string pipe = folder / "pipe.ini";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { WriteFile(pipe, kFilled); });
    Settings loaded;
    ASSERT_TRUE(LoadSettings(loaded, pipe));
    writer.join();
    ASSERT_TRUE(SaveSettings(loaded, ini));
    EXPECT_EQ(ReadFile(ini), kFilled);
    EXPECT_THAT(messages.shown, IsEmpty());
}

// Fields read before a missing string keep their new values; later ones keep the old.
TEST_F(SettingsTest, AMissingStringStopsTheLoadWithMessage613) {
    const std::tuple<unsigned, int, std::string, int> cases[] = {
        {550, -1, "old", -1},  // section name: nothing read
        {540, 7, "old", -1},   // default folder pattern
        {559, 7, "?a", 1},     // WindowPositionY key, the last of the ten
        {542, 7, "?a", 1},     // default extra patterns, after them
    };
    WriteFile(ini, "[TunvexOption]\nCopyMode=7\nCollisionMode=1\n");
    for (const auto& [missingId, copyMode, folderFormat, collisionMode] : cases) {
        MessageRecorder messages;
        Settings s;
        s.CopyMode = s.CollisionMode = -1;
        s.FolderNamingFormat = "old";
        EXPECT_FALSE(LoadSettings(s, ini, CatalogueWith(missingId, std::nullopt))) << missingId;
        EXPECT_THAT(messages.shown, ElementsAre(613u)) << missingId;
        EXPECT_EQ(s.CopyMode, copyMode) << missingId;
        EXPECT_EQ(s.FolderNamingFormat, folderFormat) << missingId;
        EXPECT_EQ(s.CollisionMode, collisionMode) << missingId;
    }
}

// Whatever stops a save, the file keeps every previous value, and one message says why.
TEST_F(SettingsTest, AFailedSaveLeavesThePreviousFileWhole) {
    const std::string before = "[TunvexOption]\nCopyMode=1\nTagMode=0\n";
    Settings plain;
    plain.CopyMode = 7;
    Settings withBreak = plain;
    withBreak.FileNamingFormat = "?t\n?T";
    const std::tuple<std::optional<unsigned>, Settings, mode_t, unsigned> cases[] = {
        {556u, plain, 0644, 613u},              // a missing key name
        {std::nullopt, withBreak, 0644, 614u},  // a line break in a later value
        {std::nullopt, plain, 0444, 614u},      // a read-only file
    };
    for (const auto& [missingId, settings, mode, message] : cases) {
        WriteFile(ini, before);
        chmod(ini.c_str(), mode);
        MessageRecorder messages;
        EXPECT_FALSE(
            SaveSettings(settings, ini,
                         missingId ? CatalogueWith(*missingId, std::nullopt) : ProgramCatalogue()));
        EXPECT_THAT(messages.shown, ElementsAre(message));
        EXPECT_EQ(ReadFile(ini), before);
        chmod(ini.c_str(), 0644);
    }
}

}  // namespace
}  // namespace tunvex
