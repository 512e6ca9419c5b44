// The help viewer as the program shows it, on a real X server with a window manager, driven
// from the keyboard: default topic with the focus in the contents, Enter on an entry, Alt+Left.
// One viewer at a time is proven offscreen, a second call's default topic by install_test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/base/paths.h"
#include "gui/help_launcher.h"
#include "tests/support/x_actions.h"
#include "tests/support/x_session.h"

namespace tunvex {
namespace {

using testing::Activate;
using testing::PressKeys;
using testing::WaitForWindow;

TEST(HelpViewerXTest, OpensAtTheDefaultTopicAndFollowsTheKeyboard) {
    testing::XSession x;
    ASSERT_TRUE(x.ready());
    // The viewer's title reaches xdotool through WM_NAME, which Qt writes in the locale's
    // encoding: in the C locale the Japanese title would not match.
    setenv("LANG", "C.UTF-8", 1);
    const std::string helpFile = ExecutableDirectory() + "/tunvex.chm";
    ASSERT_TRUE(ShowHtmlHelp(helpFile));
    const std::string window = WaitForWindow("^tunvex とは - tunvex ヘルプ$");
    ASSERT_FALSE(window.empty());
    Activate(window);

    PressKeys({"Down", "Return"});
    EXPECT_EQ(WaitForWindow("^ファイルのドロップ - tunvex ヘルプ$"), window);
    PressKeys({"alt+Left"});
    EXPECT_EQ(WaitForWindow("^tunvex とは - tunvex ヘルプ$"), window);
    PressKeys({"End", "Return"});
    EXPECT_EQ(WaitForWindow("^ファイルが振り分けられないとき - tunvex ヘルプ$"), window);

    ASSERT_TRUE(ShowHtmlHelp(helpFile, "advanced.html"));
    EXPECT_EQ(WaitForWindow("^詳細設定ダイアログ - tunvex ヘルプ$"), window) << "at the page asked";
}

}  // namespace
}  // namespace tunvex
