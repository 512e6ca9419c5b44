// tunvex on X with openbox driven by xdotool: where it opens, its menus, real drags; XWayland.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/base/paths.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/support/program_copy.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait_until.h"
#include "tests/support/x_actions.h"
#include "tests/support/x_session.h"

namespace tunvex {
namespace {

using namespace testing;  // NOLINT(google-build-using-namespace): the shared set-up throughout
using ::testing::HasSubstr;

namespace fs = std::filesystem;

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Centred on the 1280x1024 screen: a busy machine may place it again after it looked settled.
bool SettlesCentred(const std::string& window) {
    for (int i = 0; i < 20; ++i) {
        const Frame frame = SettledFrameOf(window);
        if (std::abs(frame.x + frame.width / 2 - 640) <= 12 &&
            std::abs(frame.y + frame.height / 2 - 512) <= 12)
            return true;
    }
    return false;
}

std::string Position(int x, int y) {
    return "\nWindowPositionX=" + std::to_string(x) + "\nWindowPositionY=" + std::to_string(y);
}

class TunvexXTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { x_ = new testing::XSession; }
    static void TearDownTestSuite() { delete x_; }

    TunvexXTest() {
        fs::create_directories(home / "Desktop");
        fs::create_directories(home / "run");
    }

    void SetUp() override { ASSERT_TRUE(x_->ready()); }

    // Starts the program and waits for its window.
    std::unique_ptr<BackgroundProcess> Start(std::vector<std::string> environment = {}) {
        environment.insert(
            environment.end(),
            {"HOME=" + home.path(), "XDG_RUNTIME_DIR=" + (home / "run"),
             "XDG_DATA_HOME=" + (home / "data"), "LANG=C.UTF-8", "QT_QPA_PLATFORM=xcb"});
        auto process =
            std::make_unique<BackgroundProcess>(program, std::vector<std::string>{}, environment);
        window = ActOn("^tunvex$", {});
        EXPECT_FALSE(window.empty());
        return process;
    }
    // Waits a minute at most: a window that does not end fails the test instead of hanging it.
    ProcessResult ExpectEnded(BackgroundProcess& process, int status = 0) {
        if (!WaitUntil([&] { return !process.Running(); }, std::chrono::minutes(1))) {
            ADD_FAILURE() << "the window did not end";
            kill(process.pid(), SIGKILL);
        }
        ProcessResult result = process.Wait();
        EXPECT_EQ(result.exitStatus, status) << result.err;
        return result;
    }
    // Esc in the window ends it.
    void End(BackgroundProcess& process) {
        Activate(window);
        PressKeys({"Escape"});
        ExpectEnded(process);
    }
    std::string Ini() { return ReadFile(folder / "tunvex.ini"); }

    static testing::XSession* x_;
    std::string build = ExecutableDirectory();
    TempFolder folder;
    TempFolder home;
    std::string program =
        CopyOfProgram(folder.path(), "tunvex", {"libmp3infp.so", "tunvex-help", "tunvex.chm"});
    std::string window;
};

testing::XSession* TunvexXTest::x_ = nullptr;

TEST_F(TunvexXTest, OpensCentredAndRemembersWhereItWasClosed) {
    auto process = Start();
    EXPECT_TRUE(SettlesCentred(window));
    RunXTool({"xdotool", "windowmove", "--sync", window, "100", "150"});
    Frame moved = FrameOf(window);
    Click(moved.x + moved.width - 10, moved.y + (moved.clientY - moved.y) / 2);  // close button
    ExpectEnded(*process);
    EXPECT_THAT(Ini(), HasSubstr(Position(moved.x, moved.y)));

    for (const char* key : {"Return", "Escape"}) {
        process = Start();
        Frame again = SettledFrameOf(window);
        EXPECT_EQ(std::make_pair(again.x, again.y), std::make_pair(moved.x, moved.y)) << key;
        RunXTool({"xdotool", "windowmove", "--sync", window, "400", "300"});
        Activate(window);
        PressKeys({key});
        ExpectEnded(*process);
        EXPECT_THAT(Ini(), HasSubstr(Position(moved.x, moved.y))) << key;
    }
}

// Menus by mouse and key, the context menu, F1 in a modal dialog, 詳細設定 by keys alone.
TEST_F(TunvexXTest, MenusAndTheContextMenuOpenTheirDialogs) {
    auto process = Start();
    Frame frame = FrameOf(window);
    Click(frame.clientX + 30, frame.clientY + 9);  // オプション
    PressKeys({"Down", "Return"});
    std::string settings = ActOn("^tunvex 設定$", {"F1"});
    ASSERT_FALSE(settings.empty());
    EXPECT_FALSE(WaitForWindow("tunvex ヘルプ$").empty()) << "F1 from inside a modal dialog";
    Activate(settings);
    PressKeys({"Escape"});
    EXPECT_TRUE(WaitForNoWindow("^tunvex 設定$"));

    Click(frame.clientX + 90, frame.clientY + 120, 3);
    PressKeys({"Down", "Return"});
    EXPECT_FALSE(ActOn("^tunvexのバージョン情報$", {"Escape"}).empty());
    EXPECT_TRUE(WaitForNoWindow("^tunvexのバージョン情報$"));

    const std::pair<std::vector<std::string>, std::string> opens[] = {
        {{"F10", "Down", "Return"}, "^tunvex 設定$"},
        {{"shift+F10", "Down", "Return"}, "^tunvexのバージョン情報$"},
        {{"Menu", "Down", "Return"}, "^tunvexのバージョン情報$"},
    };
    for (const auto& [keys, title] : opens) {
        Activate(window);
        PressKeys(keys);
        EXPECT_FALSE(ActOn(title, {"Escape"}).empty()) << keys[0];
        EXPECT_TRUE(WaitForNoWindow(title)) << keys[0];
    }
    Activate(window);
    PressKeys({"shift+F10", "Up", "Return"});
    EXPECT_FALSE(ActOn("^tunvex 詳細設定$", {"F1"}).empty());
    EXPECT_FALSE(WaitForWindow("^詳細設定ダイアログ - tunvex ヘルプ$").empty());
    EXPECT_FALSE(ActOn("^tunvex 詳細設定$", {"space", "Tab", "End", "semicolon", "asterisk",
                                             "period", "n", "f", "o", "Tab", "space", "Return"})
                     .empty());
    EXPECT_TRUE(WaitForNoWindow("^tunvex 詳細設定$"));
    End(*process);
    EXPECT_THAT(Ini(),
                HasSubstr(Position(0, 0) + "\nCarryExtraFiles=1\nExtraFilePatterns="
                                           "*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt;*.nfo\n"
                                           "RemoveEmptiedFolders=1\n"));
}

// Out of the menus by their keys, as many Esc as on Windows, the next Esc ends the window.
TEST_F(TunvexXTest, EscEndsTheWindowAfterTheMenusWereUsedByKeys) {
    const std::vector<std::string> uses[] = {
        {"F10", "Escape", "Escape"}, {"F10", "Right", "Down", "Escape", "Escape"},
        {"alt", "Escape"},           {"alt", "Down", "Escape", "Escape"},
        {"shift+F10", "Escape"},
    };
    for (const std::vector<std::string>& keys : uses) {
        auto process = Start();
        for (const std::string& key : keys) {
            PressKeys({key});
            Pause(150);
        }
        Pause(300);
        EXPECT_TRUE(process->Running()) << keys[0] << " " << keys.size();
        End(*process);
    }
}

// The copy is previewed first, and one track left out of it: the move takes that one too.
TEST_F(TunvexXTest, DraggedFoldersAreSortedByAPreviewedCopyThenByMoveAnsweringTheQuestion) {
    TempFolder in;
    TempFolder out;
    std::vector<std::string> names;
    fs::create_directories(in / "disc");
    for (int track = 1; track <= 3; ++track) {
        std::string title = "Song " + std::to_string(track);
        fixtures::WriteMp3(in / ("disc/" + std::to_string(track) + ".mp3"), std::nullopt,
                           fixtures::TagValues{title, "Artist", "Album", std::to_string(track)});
        names.push_back(out / ("Artist/Album/0" + std::to_string(track) + "." + title + ".mp3"));
    }
    fixtures::WriteTextFile(in / "disc/cover.txt", "not music");

    for (int copyMode : {0, 1}) {
        WriteFile(folder / "tunvex.ini", "[TunvexOption]\nBaseFolderPath=" + out.path() +
                                             "\nCopyMode=" + std::to_string(copyMode) +
                                             "\nFolderNamingMode=2\nFileNamingMode=3\n"
                                             "CollisionMode=0\nPreviewBeforeSort=" +
                                             std::to_string(1 - copyMode) + "\n");
        auto process = Start();
        Frame target = FrameOf(window);
        BackgroundProcess source(build + "/tunvex-drag-source", {in / "disc"});
        std::string sourceWindow = WaitForWindow("^tunvex drag source$");
        ASSERT_FALSE(sourceWindow.empty());
        Frame from = FrameOf(sourceWindow);
        Drag(from.clientX + 80, from.clientY + 50, target.clientX + 90, target.clientY + 110);
        EXPECT_EQ(source.Wait().out, "dropped 1\n");
        if (copyMode == 0) {
            EXPECT_FALSE(ActOn("^振り分ける前の確認", {"Down", "space", "Return"}).empty());
        }
        // The move finds the copy's files: "all" answers the question, whichever window of the
        // same title it is.
        for (int i = 0; copyMode == 1 && i < 5 && fs::exists(in / "disc/1.mp3"); ++i, Pause(2000)) {
            for (const std::string& other : ShownWindowsTitled("^tunvex$")) {
                if (other != window) {
                    Activate(other);
                    PressKeys({"a"});
                }
            }
        }
        auto placed = [&] {
            return std::ranges::count_if(names, [](auto& n) { return fs::exists(n); });
        };
        EXPECT_TRUE(WaitUntil([&] { return placed() == 3 - (1 - copyMode); }));
        EXPECT_EQ(fs::exists(in / "disc/1.mp3"), copyMode == 0);
        EXPECT_TRUE(fs::exists(in / "disc/cover.txt"));
        // A progress dialog still up would take the Esc meant for the window.
        WaitUntil([] { return ShownWindowsTitled("^tunvex$").size() <= 1; },
                  std::chrono::seconds(30));
        End(*process);
        if (copyMode == 0) {
            EXPECT_EQ(placed(), 2);
            EXPECT_THAT(Ini(), HasSubstr("PreviewWidth="));
        }
    }
}

// A stop while a message is up ends the program: the message that would follow goes to stderr.
TEST_F(TunvexXTest, AStopWhileAMessageIsUpEndsTheProgram) {
    const std::string ini = folder / "tunvex.ini";
    for (bool atStart : {true, false}) {
        fs::remove_all(ini);
        if (atStart) {
            fs::create_directory(ini);  // cannot be read
        } else {
            WriteFile(ini, "[TunvexOption]\n");
            fs::permissions(ini, fs::perms::owner_read);
        }
        auto process = Start();
        if (!atStart) {
            PressKeys({"Escape"});
            ASSERT_FALSE(WaitForWindow("^tunvex$", window).empty());
        }
        kill(process->pid(), SIGTERM);
        EXPECT_THAT(
            ExpectEnded(*process, 1).err,
            HasSubstr(atStart ? "設定の読み込みに失敗しました" : "設定を保存できませんでした"));
    }
}

// tunvex-sort's move undone from the context menu, asked first; a file changed since stays.
TEST_F(TunvexXTest, TheContextMenuUndoesTheLastRunAskingFirst) {
    TempFolder in;
    TempFolder out;
    for (int track = 1; track <= 3; ++track) {
        fixtures::WriteMp3(in / (std::to_string(track) + ".mp3"), std::nullopt,
                           fixtures::TagValues{"Song", "Artist", "Album", std::to_string(track)});
    }
    const std::string state = "XDG_STATE_HOME=" + (home / "state");
    WriteFile(folder / "tunvex.ini", "[TunvexOption]\nBaseFolderPath=" + out.path() +
                                         "\nCopyMode=1\nFolderNamingMode=0\nFileNamingMode=0\n");
    EXPECT_EQ(testing::RunProcess(build + "/tunvex-sort",
                                  {"--settings", folder / "tunvex.ini", in.path()},
                                  {"HOME=" + home.path(), state})
                  .exitStatus,
              0);
    const std::string changed = out / "1.mp3";
    ASSERT_TRUE(fs::exists(changed));
    WriteFile(changed, "changed since the run");

    auto process = Start({state});
    PressKeys({"shift+F10", "Up", "Up", "Return"});
    std::string question = ActOn("^tunvex$", {"Return"}, window);
    ASSERT_FALSE(question.empty());
    std::string summary;
    WaitUntil([&] {
        summary = WaitForWindow("^tunvex$", window);
        return !summary.empty() && summary != question;
    });
    Activate(summary);
    PressKeys({"Return"});
    EXPECT_TRUE(fs::exists(changed));
    for (int track = 1; track <= 3; ++track)
        EXPECT_EQ(fs::exists(in / (std::to_string(track) + ".mp3")), track != 1) << track;
    End(*process);
}

// With no platform chosen the window opens on XWayland, where X tools see it.
TEST(TunvexWaylandTest, OpensOnXWaylandWhereXToolsSeeItsWindow) {
    TempFolder home;
    fs::create_directories(home / "run");
    testing::WaylandSession wayland(home / "run");
    ASSERT_TRUE(wayland.ready());
    BackgroundProcess tunvex(CopyOfProgram(home / "app", "tunvex"), {},
                             {"HOME=" + home.path(), "XDG_DATA_HOME=" + (home / "data"),
                              "XDG_STATE_HOME=" + (home / "state"), "QT_QPA_PLATFORM="});
    EXPECT_FALSE(WaitForWindow("^tunvex$").empty()) << "no tunvex window on XWayland";
}

}  // namespace
}  // namespace tunvex
