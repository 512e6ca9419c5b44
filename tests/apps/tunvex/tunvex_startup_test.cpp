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

#include "tests/support/program_copy.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using testing::BackgroundProcess;
using testing::CopyOfProgram;
using ::testing::HasSubstr;
using testing::ProcessResult;
using testing::ReadFile;
using testing::TempFolder;

namespace fs = std::filesystem;

class TunvexStartupTest : public ::testing::Test {
  protected:
    TunvexStartupTest() { fs::create_directories(home / "Desktop"); }

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
    // Ends the program the way a logout does, once it has started.
    ProcessResult EndWindow(BackgroundProcess& process, const std::string& name) {
        EXPECT_TRUE(WaitForGuard(name));
        kill(process.pid(), SIGTERM);
        return process.Wait();
    }

    TempFolder home;
    TempFolder runtime;
    TempFolder programs;
};

TEST_F(TunvexStartupTest, FailedStartsSayWhyAndNeverWriteTheIni) {
    struct Case {
        std::vector<std::string> beside, environment;
        int status;
        std::string said;
    };
    const Case cases[] = {
        {{}, {}, 1, "tunvex: mp3infp.dll をロードできませんでした\n"},
        {{"libmp3infp.so"},
         {"HOME="},
         1,
         "tunvex: デスクトップパスを取得できませんでした\ntunvex: 設定の読み込みに失敗しました\n"},
        {{"libmp3infp.so"},
         {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="},
         2,
         "needs a display, and there is none (DISPLAY and WAYLAND_DISPLAY are not set).\n"
         "tunvex-sort sorts without one"},
    };
    for (const Case& c : cases) {
        const std::string folder = programs / std::to_string(&c - cases);
        std::vector<std::string> environment = Environment();
        environment.insert(environment.end(), c.environment.begin(), c.environment.end());
        ProcessResult result =
            testing::RunProcess(CopyOfProgram(folder, "tunvex", c.beside), {}, environment);
        EXPECT_EQ(result.exitStatus, c.status) << c.said;
        EXPECT_THAT(result.err, HasSubstr(c.said));
        EXPECT_FALSE(fs::exists(folder + "/tunvex.ini")) << c.said;
    }
}

// The guard comes first: a second instance loads no library (this one has none) and shows
// nothing; a copy under another name has a guard and a settings file of its own. Each saves its
// settings beside itself.
TEST_F(TunvexStartupTest, ASecondInstanceEndsAtOnceARenamedCopyRunsBeside) {
    BackgroundProcess running(CopyOfProgram(programs / "first", "tunvex"), {}, Environment());
    ASSERT_TRUE(WaitForGuard("tunvex"));

    ProcessResult second =
        testing::RunProcess(CopyOfProgram(programs / "second", "tunvex", {}), {}, Environment());
    EXPECT_EQ(second.exitStatus, 0);
    EXPECT_THAT(second.err, ::testing::Not(HasSubstr("tunvex:")));
    EXPECT_FALSE(fs::exists(programs / "second/tunvex.ini"));

    BackgroundProcess renamed(CopyOfProgram(programs / "first", "sorter"), {}, Environment());
    EXPECT_EQ(EndWindow(renamed, "sorter").exitStatus, 0);
    EXPECT_TRUE(fs::exists(programs / "first/sorter.ini"));
    EXPECT_FALSE(fs::exists(programs / "first/tunvex.ini"));

    EXPECT_EQ(EndWindow(running, "tunvex").exitStatus, 0);
    EXPECT_EQ(ReadFile(programs / "first/tunvex.ini"),
              "[TunvexOption]\nBaseFolderPath=" + (home / "Desktop") +
                  "\nCopyMode=0\nFolderNamingMode=0\nFolderNamingFormat=?a\nFileNamingMode=0\n"
                  "FileNamingFormat=?t.?T\nTagMode=1\nCollisionMode=0\nWindowPositionX=0\n"
                  "WindowPositionY=0\nCarryExtraFiles=0\n"
                  "ExtraFilePatterns=*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt\n"
                  "RemoveEmptiedFolders=0\nUseAlbumArtist=0\nCompilationArtist=Various Artists\n");
}

}  // namespace
}  // namespace tunvex
