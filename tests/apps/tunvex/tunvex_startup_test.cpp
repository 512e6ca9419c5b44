// Start-up and shut-down of the real tunvex program, on Qt's offscreen platform, where its
// messages go to stderr. Each case runs a copy of the program in a folder of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/base/paths.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using testing::BackgroundProcess;
using ::testing::HasSubstr;
using testing::ProcessResult;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

namespace fs = std::filesystem;

class TunvexStartupTest : public ::testing::Test {
  protected:
    TunvexStartupTest() { fs::create_directories(home / "Desktop"); }

    // A copy of the program named name, beside the tag library given (none: no library).
    std::string Install(const std::string& folder, const std::string& name,
                        const std::string& library = "libmp3infp.so") {
        fs::create_directories(folder);
        fs::copy_file(build + "/tunvex", folder + "/" + name, fs::copy_options::overwrite_existing);
        // Never over a library that a running copy has mapped.
        if (!library.empty()) {
            fs::copy_file(build + "/" + library, folder + "/libmp3infp.so",
                          fs::copy_options::skip_existing);
        }
        return folder + "/" + name;
    }
    std::vector<std::string> Environment() const {
        return {"QT_QPA_PLATFORM=offscreen", "HOME=" + home.path(),
                "XDG_RUNTIME_DIR=" + runtime.path(), "XDG_CONFIG_HOME=" + (home / "config"),
                "LANG=C.UTF-8"};
    }
    // Waits until the program holds its guard, that is until it has started.
    bool WaitForGuard(const std::string& name) {
        std::string lock = runtime / (name + ".lock");
        for (int i = 0; i < 400; ++i) {
            int fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
            bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
            if (fd >= 0)
                close(fd);
            if (held)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }
    // Starts the program, lets it run its window and ends it the way a logout does.
    ProcessResult RunWindow(const std::string& program) {
        BackgroundProcess process(program, {}, Environment());
        EXPECT_TRUE(WaitForGuard(fs::path(program).filename()));
        kill(process.pid(), SIGTERM);
        return process.Wait();
    }

    std::string build = ExecutableDirectory();
    TempFolder home;
    TempFolder runtime;
    TempFolder programs;
};

TEST_F(TunvexStartupTest, FailedStartsShowTheirMessagesAndNeverWriteTheIni) {
    struct Case {
        const char* library;
        bool withHome;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"", true, {"mp3infp.dll をロードできませんでした"}},
        {"libfake_without_load.so", true, {"mp3infp API をロードできませんでした"}},
        {"libfake_v24f.so", true, {"mp3infp.dll version 2.53e 以上が必要です"}},
        {"libmp3infp.so",
         false,
         {"デスクトップパスを取得できませんでした", "設定の読み込みに失敗しました"}},
    };
    for (const Case& c : cases) {
        std::string program = Install(programs / c.library, "tunvex", c.library);
        std::vector<std::string> environment = Environment();
        if (!c.withHome)
            environment.push_back("HOME=");
        ProcessResult result = testing::RunProcess(program, {}, environment);
        std::string expected;
        for (const std::string& message : c.messages)
            expected += "tunvex: " + message + "\n";
        EXPECT_EQ(result.exitStatus, 1) << c.library;
        EXPECT_THAT(result.err, HasSubstr(expected)) << c.library;
        EXPECT_FALSE(fs::exists(programs / c.library + "/tunvex.ini")) << c.library;
    }
}

TEST_F(TunvexStartupTest, WithoutADisplayItSaysSoAndPointsToTunvexSort) {
    std::string program = Install(programs / "app", "tunvex");
    std::vector<std::string> environment = Environment();
    environment.insert(environment.end(), {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="});
    ProcessResult result = testing::RunProcess(program, {}, environment);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_THAT(result.err, HasSubstr("needs a display"));
    EXPECT_THAT(result.err, HasSubstr("tunvex-sort sorts without one"));
    EXPECT_FALSE(fs::exists(programs / "app/tunvex.ini"));
}

TEST_F(TunvexStartupTest, ARunSavesTheSettingsBesideTheProgram) {
    std::string program = Install(programs / "app", "tunvex");
    ProcessResult result = RunWindow(program);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(ReadFile(programs / "app/tunvex.ini"),
              "[TunvexOption]\nBaseFolderPath=" + (home / "Desktop") +
                  "\nCopyMode=0\nFolderNamingMode=0\nFolderNamingFormat=?a\nFileNamingMode=0\n"
                  "FileNamingFormat=?t.?T\nTagMode=1\nCollisionMode=0\nWindowPositionX=0\n"
                  "WindowPositionY=0\nCarryExtraFiles=0\n"
                  "ExtraFilePatterns=*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt\n"
                  "RemoveEmptiedFolders=0\nUseAlbumArtist=0\nCompilationArtist=Various Artists\n");
}

TEST_F(TunvexStartupTest, SettingsThatCannotBeSavedAreReportedAfterTheWindow) {
    std::string program = Install(programs / "app", "tunvex");
    std::string ini = programs / "app/tunvex.ini";
    WriteFile(ini, "[TunvexOption]\nCopyMode=1\n");
    fs::permissions(ini, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ProcessResult result = RunWindow(program);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.err, HasSubstr("tunvex: INIファイルへの書き込みに失敗しました\n"
                                      "tunvex: 設定を保存できませんでした\n"));
    EXPECT_EQ(ReadFile(ini), "[TunvexOption]\nCopyMode=1\n");
}

// The guard comes first: a second instance loads no library (this one has none) and shows
// nothing; a copy under another name has a guard and a settings file of its own.
TEST_F(TunvexStartupTest, ASecondInstanceEndsAtOnceARenamedCopyRunsBeside) {
    std::string first = Install(programs / "first", "tunvex");
    BackgroundProcess running(first, {}, Environment());
    ASSERT_TRUE(WaitForGuard("tunvex"));

    std::string second = Install(programs / "second", "tunvex", "");
    ProcessResult secondResult = testing::RunProcess(second, {}, Environment());
    EXPECT_EQ(secondResult.exitStatus, 0);
    EXPECT_THAT(secondResult.err, ::testing::Not(HasSubstr("tunvex:")));
    EXPECT_FALSE(fs::exists(programs / "second/tunvex.ini"));

    std::string renamed = Install(programs / "first", "sorter");
    ProcessResult renamedResult = RunWindow(renamed);
    EXPECT_EQ(renamedResult.exitStatus, 0) << renamedResult.err;
    EXPECT_TRUE(fs::exists(programs / "first/sorter.ini"));
    EXPECT_FALSE(fs::exists(programs / "first/tunvex.ini"));

    kill(running.pid(), SIGTERM);
    ProcessResult firstResult = running.Wait();
    EXPECT_EQ(firstResult.exitStatus, 0) << firstResult.err;
    EXPECT_TRUE(fs::exists(programs / "first/tunvex.ini"));
}

}  // namespace
}  // namespace tunvex
