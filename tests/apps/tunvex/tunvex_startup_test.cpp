// The tunvex program's start and end offscreen, its messages on stderr, each a copy of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/program_copy.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait_until.h"

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
        const std::string lock = runtime / (name + ".lock");
        return testing::WaitUntil([&] {
            const int fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
            const bool held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0;
            if (fd >= 0)
                close(fd);
            return held;
        });
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
    using Strings = std::vector<std::string>;
    // clang-format off
    const std::tuple<Strings, Strings, int, std::string> cases[] = {  // beside, environment
        {{}, {}, 1, "tunvex: mp3infp.dll をロードできませんでした\n"},
        {{"libmp3infp.so"}, {"HOME="}, 1,
         "tunvex: デスクトップパスを取得できませんでした\ntunvex: 設定の読み込みに失敗しました\n"},
        {{"libmp3infp.so"}, {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="}, 2,
         "needs a display, and there is none (DISPLAY and WAYLAND_DISPLAY are not set).\n"
         "tunvex-sort sorts without one"},
    };
    // clang-format on
    int index = 0;
    for (const auto& [beside, set, status, said] : cases) {
        const std::string folder = programs / std::to_string(index++);
        Strings environment = Environment();
        environment.insert(environment.end(), set.begin(), set.end());
        ProcessResult result =
            testing::RunProcess(CopyOfProgram(folder, "tunvex", beside), {}, environment);
        EXPECT_EQ(result.exitStatus, status) << said;
        EXPECT_THAT(result.err, HasSubstr(said));
        EXPECT_FALSE(fs::exists(folder + "/tunvex.ini")) << said;
    }
}

// A second instance loads and shows nothing; a renamed copy has its own guard and settings.
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
                  "RemoveEmptiedFolders=0\nUseAlbumArtist=0\nCompilationArtist=Various Artists\n"
                  "PreviewBeforeSort=0\nPreviewWidth=0\nPreviewHeight=0\n");
}

}  // namespace
}  // namespace tunvex
