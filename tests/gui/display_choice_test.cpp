#include <gtest/gtest.h>

#include <map>
#include <string>

#include "gui/display_choice.h"

namespace tunvex {
namespace {

using Environment = std::map<std::string, std::string>;

TEST(DisplayChoiceTest, WaylandSessionsGoToXWaylandUnlessTheUserChoseAPlatform) {
    using enum DisplayChoice;
    const char* w = "WAYLAND_DISPLAY";
    // clang-format off
    const std::tuple<Environment, bool, DisplayChoice> cases[] = {  // environment, -platform
        {{}, false, kNone},
        {{{"DISPLAY", ""}, {w, ""}}, false, kNone},
        {{{"XDG_SESSION_TYPE", "wayland"}}, false, kNone},
        {{}, true, kQtDefault},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, false, kQtDefault},
        {{{"DISPLAY", ":0"}}, false, kQtDefault},
        {{{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}, false, kQtDefault},
        {{{w, "wayland-0"}}, false, kQtDefault},
        {{{w, "wayland-0"}, {"DISPLAY", ":0"}}, false, kXWayland},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, false, kXWayland},
        {{{w, "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}, false, kQtDefault},
        {{{w, "wayland-0"}, {"DISPLAY", ":0"}}, true, kQtDefault},
    };
    // clang-format on
    int index = 0;
    for (const auto& [environment, platformArgument, expected] : cases) {
        auto variable = [&](const char* name) -> const char* {
            auto found = environment.find(name);
            return found == environment.end() ? nullptr : found->second.c_str();
        };
        EXPECT_EQ(ChooseDisplay(variable, platformArgument), expected) << "case " << index++;
    }
}

TEST(DisplayChoiceTest, FindsQtsPlatformOptionAfterTheProgramName) {
    // clang-format off
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{"-platform"}, false}, {{"tunvex"}, false}, {{"tunvex", "-platform", "offscreen"}, true},
        {{"tunvex", "--platform", "xcb"}, true}, {{"tunvex", "-platformtheme", "gtk3"}, false},
    };
    // clang-format on
    for (const auto& [arguments, expected] : cases) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        EXPECT_EQ(HasPlatformArgument(static_cast<int>(argv.size()), argv.data()), expected)
            << arguments.back();
    }
}

}  // namespace
}  // namespace tunvex
