// The real tunvex program on a Wayland desktop (weston with XWayland) where Qt's Wayland platform
// is installed and no platform is chosen: it opens on XWayland, where X tools see its window
// (a program left to Qt opens on Wayland, out of their sight).
#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/paths.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_actions.h"
#include "tests/support/x_session.h"

namespace tunvex {
namespace {

using testing::BackgroundProcess;
using testing::TempFolder;
using testing::WaitForWindow;

namespace fs = std::filesystem;

TEST(TunvexWaylandTest, OpensOnXWaylandWhereXToolsSeeItsWindow) {
    TempFolder home;
    fs::create_directories(home / "run");
    testing::WaylandSession wayland(home / "run");
    ASSERT_TRUE(wayland.ready());

    const std::string build = ExecutableDirectory();
    TempFolder app;
    fs::copy_file(build + "/tunvex", app / "tunvex");
    fs::copy_file(build + "/libmp3infp.so", app / "libmp3infp.so");

    BackgroundProcess tunvex(app / "tunvex", {},
                             {"HOME=" + home.path(), "XDG_DATA_HOME=" + (home / "data"),
                              "XDG_STATE_HOME=" + (home / "state"), "QT_QPA_PLATFORM="});
    const std::string window = WaitForWindow("^tunvex$");
    ASSERT_FALSE(window.empty()) << "no tunvex window on XWayland";
}

}  // namespace
}  // namespace tunvex
