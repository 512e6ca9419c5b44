// tunvex as a person uses it, on a real X server with openbox, driven by xdotool: where the window
// opens and what it remembers, its menus and context menu, and real drags from another X client.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "core/base/paths.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_session.h"

namespace tunvex {
namespace {

using testing::BackgroundProcess;
using testing::ReadFile;
using testing::RunXTool;
using testing::TempFolder;
using testing::WriteFile;

namespace fs = std::filesystem;

const std::string kScreenshots = SCREENSHOT_FOLDER;

struct Frame {
    int x = 0, y = 0, width = 0, height = 0;  // the outer rectangle, decoration included
    int clientX = 0, clientY = 0;             // where the window's own area starts
};

// A visible window whose title matches pattern, other than besides, once there is one; "" after
// 20 seconds.
std::string WaitForWindow(const std::string& pattern, const std::string& besides = "") {
    for (int i = 0; i < 200; ++i) {
        std::istringstream ids(RunXTool({"xdotool", "search", "--onlyvisible", "--name", pattern}));
        for (std::string id; std::getline(ids, id);) {
            if (id != besides)
                return id;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return {};
}

bool WaitForNoWindow(const std::string& pattern) {
    for (int i = 0; i < 200; ++i) {
        if (RunXTool({"xdotool", "search", "--onlyvisible", "--name", pattern}).empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

int Field(const std::string& text, const std::string& label) {
    std::size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::stoi(text.substr(at + label.size()));
}

Frame FrameOf(const std::string& window) {
    std::string info = RunXTool({"xwininfo", "-id", window});
    std::string extents = RunXTool({"xprop", "-id", window, "_NET_FRAME_EXTENTS"});
    int left = 0, right = 0, top = 0, bottom = 0;
    std::size_t equals = extents.find('=');
    if (equals != std::string::npos) {
        std::string values = extents.substr(equals + 1);
        std::replace(values.begin(), values.end(), ',', ' ');
        std::istringstream(values) >> left >> right >> top >> bottom;
    }
    Frame frame;
    frame.clientX = Field(info, "Absolute upper-left X:");
    frame.clientY = Field(info, "Absolute upper-left Y:");
    frame.x = frame.clientX - left;
    frame.y = frame.clientY - top;
    frame.width = Field(info, "Width:") + left + right;
    frame.height = Field(info, "Height:") + top + bottom;
    return frame;
}

// The frame once the window manager and the program have stopped moving it.
Frame SettledFrameOf(const std::string& window) {
    Frame last = FrameOf(window);
    for (int still = 0, i = 0; still < 4 && i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        Frame now = FrameOf(window);
        still = now.x == last.x && now.y == last.y ? still + 1 : 0;
        last = now;
    }
    return last;
}

// The settled frame once it is centred on the 1280x1024 screen, or after some ten seconds: a busy
// machine may place the window again, frame included, after it first looked settled.
Frame CentredFrameOf(const std::string& window) {
    Frame frame = SettledFrameOf(window);
    for (int i = 0; i < 20 && (std::abs(frame.x + frame.width / 2 - 640) > 12 ||
                               std::abs(frame.y + frame.height / 2 - 512) > 12);
         ++i)
        frame = SettledFrameOf(window);
    return frame;
}

void Keys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"xdotool", "key", "--clearmodifiers"});
    RunXTool(keys);
}

void Click(int x, int y, int button = 1) {
    RunXTool({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y)});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    RunXTool({"xdotool", "click", std::to_string(button)});
}

void Activate(const std::string& window) {
    RunXTool({"xdotool", "windowactivate", "--sync", window});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

void Screenshot(const std::string& window, const std::string& name) {
    fs::create_directories(kScreenshots);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    RunXTool({"import", "-frame", "-window", window, kScreenshots + "/" + name});
}

class TunvexXTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { x_ = new testing::XSession; }
    static void TearDownTestSuite() { delete x_; }

    TunvexXTest() {
        fs::create_directories(home / "Desktop");
        fs::copy_file(build + "/tunvex", program);
        for (const char* name : {"libmp3infp.so", "tunvex-help", "tunvex.chm"})
            fs::copy_file(build + "/" + name, folder / name);
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
        window = WaitForWindow("^tunvex$");
        EXPECT_FALSE(window.empty());
        Activate(window);
        return process;
    }
    // Waits a minute at most: a window that does not end fails the test instead of hanging it.
    testing::ProcessResult ExpectEnded(BackgroundProcess& process, int status = 0) {
        for (int i = 0; i < 600 && process.Running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (process.Running()) {
            ADD_FAILURE() << "the window did not end";
            kill(process.pid(), SIGKILL);
        }
        testing::ProcessResult result = process.Wait();
        EXPECT_EQ(result.exitStatus, status) << result.err;
        return result;
    }
    // Opens the settings dialog from the menu; its frame.
    Frame OpenSettings() {
        Frame frame = FrameOf(window);
        Click(frame.clientX + 30, frame.clientY + 9);  // オプション
        Keys({"Down", "Return"});
        std::string dialog = WaitForWindow("^tunvex 設定$");
        EXPECT_FALSE(dialog.empty());
        return FrameOf(dialog);
    }
    std::string Ini() { return ReadFile(folder / "tunvex.ini"); }
    std::pair<int, int> StoredPosition() {
        std::string ini = Ini();
        return {Field(ini, "WindowPositionX="), Field(ini, "WindowPositionY=")};
    }

    static testing::XSession* x_;
    std::string build = ExecutableDirectory();
    TempFolder folder;
    TempFolder home;
    std::string program = folder / "tunvex";
    std::string window;
};

testing::XSession* TunvexXTest::x_ = nullptr;

TEST_F(TunvexXTest, OpensCentredAndRemembersWhereItWasClosed) {
    fs::create_directories(home / "run");
    auto process = Start();
    Frame first = CentredFrameOf(window);
    EXPECT_NEAR(first.x + first.width / 2, 640, 12);
    EXPECT_NEAR(first.y + first.height / 2, 512, 12);
    Screenshot(window, "drop-window.png");
    // Fixed size, and no minimise or maximise asked for (openbox keeps its iconify button
    // whatever a window asks).
    std::string hints = RunXTool({"xprop", "-id", window, "_MOTIF_WM_HINTS", "WM_NORMAL_HINTS"});
    std::istringstream motif(hints.substr(hints.find('=') + 1));
    std::string flags, functions, decorations;
    std::getline(motif, flags, ',');
    std::getline(motif, functions, ',');
    std::getline(motif, decorations, ',');
    EXPECT_EQ(std::stoul(functions, nullptr, 16) & 0x19, 0u) << hints;  // all, minimise, maximise
    EXPECT_EQ(std::stoul(decorations, nullptr, 16) & 0x61, 0u) << hints;
    auto size = [&hints](const std::string& bound) {
        std::size_t at = hints.find(bound + " size: ");
        return at == std::string::npos ? "" : hints.substr(at, hints.find('\n', at) - at);
    };
    EXPECT_EQ(size("minimum").substr(7), size("maximum").substr(7)) << hints;
    EXPECT_FALSE(size("minimum").empty()) << hints;

    RunXTool({"xdotool", "windowmove", "--sync", window, "100", "150"});
    Frame moved = FrameOf(window);
    Click(moved.x + moved.width - 10, moved.y + (moved.clientY - moved.y) / 2);  // close button
    ExpectEnded(*process);
    EXPECT_EQ(StoredPosition(), std::make_pair(moved.x, moved.y));

    for (const char* key : {"Return", "Escape"}) {
        process = Start();
        Frame again = SettledFrameOf(window);
        EXPECT_EQ(std::make_pair(again.x, again.y), std::make_pair(moved.x, moved.y)) << key;
        RunXTool({"xdotool", "windowmove", "--sync", window, "400", "300"});
        Activate(window);
        Keys({key});
        ExpectEnded(*process);
        EXPECT_EQ(StoredPosition(), std::make_pair(moved.x, moved.y)) << key;
    }
}

TEST_F(TunvexXTest, MenusAndTheContextMenuOpenTheirDialogs) {
    fs::create_directories(home / "run");
    auto process = Start();
    Frame frame = FrameOf(window);

    Click(frame.clientX + 30, frame.clientY + 9);  // オプション
    Keys({"Down", "Return"});
    std::string settings = WaitForWindow("^tunvex 設定$");
    ASSERT_FALSE(settings.empty());
    Keys({"F1"});
    EXPECT_FALSE(WaitForWindow("tunvex ヘルプ$").empty()) << "F1 from inside a modal dialog";
    Activate(settings);
    Keys({"Escape"});
    EXPECT_TRUE(WaitForNoWindow("^tunvex 設定$"));

    Click(frame.clientX + 92, frame.clientY + 9);  // ヘルプ
    Keys({"Down", "Down", "Return"});
    std::string about = WaitForWindow("^tunvexのバージョン情報$");
    ASSERT_FALSE(about.empty());
    Screenshot(about, "version-box.png");
    Keys({"Return"});
    EXPECT_TRUE(WaitForNoWindow("^tunvexのバージョン情報$"));

    Click(frame.clientX + 90, frame.clientY + 120, 3);
    Keys({"Down", "Return"});
    EXPECT_FALSE(WaitForWindow("^tunvexのバージョン情報$").empty());
    Keys({"Escape"});
    EXPECT_TRUE(WaitForNoWindow("^tunvexのバージョン情報$"));

    Activate(window);
    Keys({"Escape"});
    ExpectEnded(*process);
}

TEST_F(TunvexXTest, DraggedFoldersAreSortedByCopyThenByMoveAnsweringTheQuestion) {
    fs::create_directories(home / "run");
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
                                             "CollisionMode=0\n");
        auto process = Start();
        Frame target = FrameOf(window);
        BackgroundProcess source(build + "/tunvex-drag-source", {in / "disc"});
        std::string sourceWindow = WaitForWindow("^tunvex drag source$");
        ASSERT_FALSE(sourceWindow.empty());
        Frame from = FrameOf(sourceWindow);
        RunXTool({"xdotool", "mousemove", "--sync", std::to_string(from.clientX + 80),
                  std::to_string(from.clientY + 50)});
        RunXTool({"xdotool", "mousedown", "1"});
        for (int step = 1; step <= 10; ++step) {
            int x = from.clientX + 80 + (target.clientX + 90 - from.clientX - 80) * step / 10;
            int y = from.clientY + 50 + (target.clientY + 110 - from.clientY - 50) * step / 10;
            RunXTool({"xdotool", "mousemove", std::to_string(x), std::to_string(y)});
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        RunXTool({"xdotool", "mouseup", "1"});
        EXPECT_EQ(source.Wait().out, "dropped 1\n");
        if (copyMode == 1) {
            // Every destination is there from the copy: the question comes, "all" answers it.
            // The progress dialog bears the same title, so each other window is tried in turn.
            std::string question = WaitForWindow("^tunvex$", window);
            ASSERT_FALSE(question.empty());
            Activate(question);
            Screenshot(question, "replace-question.png");
            for (int i = 0; i < 100 && fs::exists(in / "disc/1.mp3"); ++i) {
                if (i % 20 == 0) {
                    std::istringstream others(
                        RunXTool({"xdotool", "search", "--onlyvisible", "--name", "^tunvex$"}));
                    for (std::string other; std::getline(others, other);) {
                        if (other != window) {
                            Activate(other);
                            Keys({"a"});
                        }
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        for (const std::string& name : names) {
            for (int i = 0; i < 100 && !fs::exists(name); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            EXPECT_TRUE(fs::exists(name)) << name;
        }
        EXPECT_EQ(fs::exists(in / "disc/1.mp3"), copyMode == 0);
        EXPECT_TRUE(fs::exists(in / "disc/cover.txt"));
        // The files are in place before the run ends: on a busy machine its progress dialog may
        // still be up, and would take the Esc meant for the window.
        for (int i = 0; i < 300; ++i) {
            std::string shown =
                RunXTool({"xdotool", "search", "--onlyvisible", "--name", "^tunvex$"});
            if (std::count(shown.begin(), shown.end(), '\n') <= 1)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        Activate(window);
        Keys({"Escape"});
        ExpectEnded(*process);
    }
}

// A pasted line break gives the first line; a save that fails keeps every previous setting.
TEST_F(TunvexXTest, APasteKeepsItsFirstLineAndAFailedSaveLeavesTheFileWhole) {
    fs::create_directories(home / "run");
    WriteFile(folder / "tunvex.ini", "[TunvexOption]\nBaseFolderPath=" + (home / "Desktop") + "\n");
    BackgroundProcess clipboard(build + "/tunvex-clipboard-source", {"?A\n?a"});
    ASSERT_FALSE(WaitForWindow("^tunvex clipboard source$").empty());
    auto process = Start();
    Frame dialog = OpenSettings();
    Click(dialog.clientX + 100, dialog.clientY + 86);   // 移動
    Click(dialog.clientX + 30, dialog.clientY + 197);   // ユーザ設定 of the folders
    Click(dialog.clientX + 240, dialog.clientY + 211);  // its pattern
    Keys({"ctrl+a", "ctrl+v", "Return"});
    EXPECT_TRUE(WaitForNoWindow("^tunvex 設定$"));
    Activate(window);
    Keys({"Escape"});
    ExpectEnded(*process);
    const std::string saved = Ini();
    EXPECT_THAT(saved, ::testing::HasSubstr("\nCopyMode=1\nFolderNamingMode=3\n"
                                            "FolderNamingFormat=?A\nFileNamingMode=0\n"));
    EXPECT_THAT(saved, ::testing::HasSubstr("\nWindowPositionY=0\n"));

    fs::permissions(folder / "tunvex.ini", fs::perms::owner_read);
    process = Start();
    dialog = OpenSettings();
    Click(dialog.clientX + 30, dialog.clientY + 86);  // コピー
    Keys({"Return"});
    EXPECT_TRUE(WaitForNoWindow("^tunvex 設定$"));
    Activate(window);
    Keys({"Escape"});
    // Its two messages, one after the other.
    std::string message;
    for (int box = 0; box < 2; ++box) {
        message = WaitForWindow("^tunvex$", message);
        ASSERT_FALSE(message.empty());
        Activate(message);
        Keys({"Return"});
    }
    ExpectEnded(*process, 1);
    EXPECT_EQ(Ini(), saved);
}

// However far off, a stored position no screen shows opens the window centred.
TEST_F(TunvexXTest, APositionNoScreenShowsOpensCentred) {
    fs::create_directories(home / "run");
    const std::pair<std::string, std::string> positions[] = {
        {"2147483647", "2147483647"},
        {"-2147483648", "100"},
        {"100", "2147483600"},
    };
    for (const auto& [x, y] : positions) {
        WriteFile(folder / "tunvex.ini",
                  "[TunvexOption]\nWindowPositionX=" + x + "\nWindowPositionY=" + y + "\n");
        auto process = Start();
        Frame frame = CentredFrameOf(window);
        EXPECT_NEAR(frame.x + frame.width / 2, 640, 12) << x << "," << y;
        EXPECT_NEAR(frame.y + frame.height / 2, 512, 12) << x << "," << y;
        Keys({"Escape"});
        ExpectEnded(*process);
    }
}

// A stop while a message is up ends the program: the message that would follow goes to stderr.
TEST_F(TunvexXTest, AStopWhileAMessageIsUpEndsTheProgram) {
    fs::create_directories(home / "run");
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
            Keys({"Escape"});
            ASSERT_FALSE(WaitForWindow("^tunvex$", window).empty());
        }
        kill(process->pid(), SIGTERM);
        testing::ProcessResult result = ExpectEnded(*process, 1);
        EXPECT_THAT(result.err, ::testing::HasSubstr(atStart ? "設定の読み込みに失敗しました"
                                                             : "設定を保存できませんでした"));
    }
}

// The window on a screen of twice the pixels, looked at in its screenshot: the background is
// sharp, not pixel-doubled.
TEST_F(TunvexXTest, AtTwiceThePixelsTheWindowIsTwiceAsLarge) {
    fs::create_directories(home / "run");
    auto process = Start({"QT_SCALE_FACTOR=2"});
    Frame frame = SettledFrameOf(window);
    EXPECT_GT(frame.width, 300);
    Screenshot(window, "drop-window-2x.png");
    Keys({"Escape"});
    ExpectEnded(*process);
}

// A move sorted by tunvex-sort is undone from the context menu, asked first; a file changed
// since stays where the run put it, and the box says so.
TEST_F(TunvexXTest, TheContextMenuUndoesTheLastRunAskingFirst) {
    fs::create_directories(home / "run");
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
    std::vector<std::string> sorted;
    for (const auto& entry : fs::recursive_directory_iterator(out.path())) {
        if (entry.is_regular_file())
            sorted.push_back(entry.path());
    }
    ASSERT_EQ(sorted.size(), 3u);
    std::sort(sorted.begin(), sorted.end());
    WriteFile(sorted[0], "changed since the run");

    auto process = Start({state});
    Keys({"shift+F10", "Up", "Up", "Return"});
    std::string question = WaitForWindow("^tunvex$", window);
    ASSERT_FALSE(question.empty());
    Screenshot(question, "undo-question.png");
    Activate(question);
    Keys({"Return"});
    std::string summary;
    for (int i = 0; i < 100 && (summary.empty() || summary == question); ++i) {
        summary = WaitForWindow("^tunvex$", window);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    Screenshot(summary, "undo-summary.png");
    Activate(summary);
    Keys({"Return"});
    EXPECT_TRUE(fs::exists(sorted[0]));
    for (int track = 1; track <= 3; ++track)
        EXPECT_EQ(fs::exists(in / (std::to_string(track) + ".mp3")), track != 1) << track;
    Activate(window);
    Keys({"Escape"});
    ExpectEnded(*process);
}

// The 詳細設定 dialog from the context menu, by keys alone: Space checks, Tab walks, Enter
// applies; the INI holds the three settings after the ten once the window ends.
TEST_F(TunvexXTest, TheExtraSettingsDialogIsReachedAndDrivenByKeys) {
    fs::create_directories(home / "run");
    auto process = Start();
    Keys({"shift+F10", "Up", "Return"});
    std::string dialog = WaitForWindow("^tunvex 詳細設定$");
    ASSERT_FALSE(dialog.empty());
    Screenshot(dialog, "extra-settings-dialog.png");
    Activate(dialog);
    Keys({"F1"});
    EXPECT_FALSE(WaitForWindow("^詳細設定ダイアログ - tunvex ヘルプ$").empty());
    Activate(dialog);
    Keys({"space", "Tab", "End", "semicolon", "asterisk", "period", "n", "f", "o", "Tab", "space",
          "Return"});
    EXPECT_TRUE(WaitForNoWindow("^tunvex 詳細設定$"));
    Activate(window);
    Keys({"Escape"});
    ExpectEnded(*process);
    EXPECT_THAT(Ini(),
                ::testing::HasSubstr("WindowPositionY=0\nCarryExtraFiles=1\nExtraFilePatterns="
                                     "*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt;*.nfo\n"
                                     "RemoveEmptiedFolders=1\n"));
}

// F10 opens the menu bar, Shift+F10 the context menu as the Menu key does.
TEST_F(TunvexXTest, F10AndShiftF10OpenTheMenus) {
    fs::create_directories(home / "run");
    auto process = Start();
    const std::pair<std::vector<std::string>, std::string> opens[] = {
        {{"F10", "Down", "Return"}, "^tunvex 設定$"},
        {{"shift+F10", "Down", "Return"}, "^tunvexのバージョン情報$"},
        {{"Menu", "Down", "Return"}, "^tunvexのバージョン情報$"},
    };
    for (const auto& [keys, title] : opens) {
        Activate(window);
        Keys(keys);
        EXPECT_FALSE(WaitForWindow(title).empty()) << keys[0];
        Keys({"Escape"});
        EXPECT_TRUE(WaitForNoWindow(title)) << keys[0];
    }
    Activate(window);
    Keys({"Escape"});
    ExpectEnded(*process);
}

// Out of the menus by their keys, as many Esc as on Windows, the next Esc ends the window.
TEST_F(TunvexXTest, EscEndsTheWindowAfterTheMenusWereUsedByKeys) {
    fs::create_directories(home / "run");
    const std::vector<std::string> uses[] = {
        {"F10", "Escape", "Escape"}, {"F10", "Right", "Down", "Escape", "Escape"},
        {"alt", "Escape"},           {"alt", "Down", "Escape", "Escape"},
        {"shift+F10", "Escape"},
    };
    for (const std::vector<std::string>& keys : uses) {
        auto process = Start();
        for (const std::string& key : keys) {
            Keys({key});
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(process->Running()) << keys[0] << " " << keys.size();
        Keys({"Escape"});
        ExpectEnded(*process);
    }
}

}  // namespace
}  // namespace tunvex
