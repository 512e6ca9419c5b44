#include <gtest/gtest.h>

#include <map>
#include <string>

#include "gui/display_choice.h"

namespace tunvex {
namespace {

using Environment = std::map<std::string, std::string>;

TEST(DisplayChoiceTest, WaylandSessionsGoToXWaylandUnlessTheUserChoseAPlatform) {
    struct Case {
        Environment environment;
        bool platformArgument;
        DisplayChoice expected;
    };
    const Case cases[] = {
        {{}, false, DisplayChoice::kNone},
        {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false, DisplayChoice::kNone},
        {{{"XDG_SESSION_TYPE", "wayland"}}, false, DisplayChoice::kNone},
        {{}, true, DisplayChoice::kQtDefault},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, false, DisplayChoice::kQtDefault},
        {{{"DISPLAY", ":0"}}, false, DisplayChoice::kQtDefault},
        {{{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}, false, DisplayChoice::kQtDefault},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, false, DisplayChoice::kQtDefault},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, false, DisplayChoice::kXWayland},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, false, DisplayChoice::kXWayland},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
         false,
         DisplayChoice::kQtDefault},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, true, DisplayChoice::kQtDefault},
    };
    int index = 0;
    for (const Case& c : cases) {
        auto variable = [&](const char* name) -> const char* {
            auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        };
        EXPECT_EQ(ChooseDisplay(variable, c.platformArgument), c.expected) << "case " << index++;
    }
}

TEST(DisplayChoiceTest, FindsQtsPlatformOptionAfterTheProgramName) {
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{"-platform"}, false},
        {{"tunvex"}, false},
        {{"tunvex", "-platform", "offscreen"}, true},
        {{"tunvex", "--platform", "xcb"}, true},
        {{"tunvex", "-platformtheme", "gtk3"}, false},
    };
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
