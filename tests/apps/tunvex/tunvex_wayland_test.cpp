// The real tunvex program on a Wayland desktop (headless weston with XWayland), with no platform
// chosen: it opens on XWayland, where X tools see its window and a drag from another X program
// reaches it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "core/base/paths.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_session.h"

namespace tunvex {
namespace {

using testing::BackgroundProcess;
using testing::TempFolder;
using testing::WaitForWindow;
using testing::WriteFile;

namespace fs = std::filesystem;

TEST(TunvexWaylandTest, OpensOnXWaylandAndSortsADropFromAnotherProgram) {
    TempFolder home;
    fs::create_directories(home / "run");
    testing::WaylandSession wayland(home / "run");
    ASSERT_TRUE(wayland.ready());

    const std::string build = ExecutableDirectory();
    TempFolder app;
    TempFolder in;
    TempFolder out;
    fs::copy_file(build + "/tunvex", app / "tunvex");
    fs::copy_file(build + "/libmp3infp.so", app / "libmp3infp.so");
    WriteFile(app / "tunvex.ini", "[TunvexOption]\nBaseFolderPath=" + out.path() +
                                      "\nFolderNamingMode=2\nFileNamingMode=3\n");
    fixtures::WriteMp3(in / "one.mp3", std::nullopt,
                       fixtures::TagValues{"One", "Artist", "Album", "1"});

    BackgroundProcess tunvex(app / "tunvex", {},
                             {"HOME=" + home.path(), "XDG_DATA_HOME=" + (home / "data"),
                              "XDG_STATE_HOME=" + (home / "state"), "QT_QPA_PLATFORM="});
    const std::string window = WaitForWindow("^tunvex$");
    ASSERT_FALSE(window.empty()) << "no tunvex window on XWayland";

    BackgroundProcess source(build + "/tunvex-drag-source", {in / "one.mp3"},
                             {"QT_QPA_PLATFORM=xcb"});
    const std::string sourceWindow = WaitForWindow("^tunvex drag source$");
    ASSERT_FALSE(sourceWindow.empty());
    const auto points = wayland.PointsOver({sourceWindow, window});
    const auto [from, to] = std::pair(points[0], points[1]);
    ASSERT_NE(from.first, -1);
    ASSERT_NE(to.first, -1);
    wayland.Drag(from, to);
    for (int i = 0; i < 100 && source.Running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_FALSE(source.Running()) << "no drop from " << from.first << "," << from.second << " to "
                                   << to.first << "," << to.second;
    EXPECT_EQ(source.Wait().out, "dropped 1\n");
    const fs::path sorted = out / "Artist/Album/01.One.mp3";
    for (int i = 0; i < 100 && !fs::exists(sorted); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(fs::exists(sorted));
}

}  // namespace
}  // namespace tunvex
