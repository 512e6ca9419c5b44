#include "gui/display_choice.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string_view>

namespace tunvex {
namespace {

bool IsSet(const std::function<const char*(const char*)>& variable, const char* name) {
    const char* value = variable(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

DisplayChoice ChooseDisplay(const std::function<const char*(const char*)>& variable,
                            bool platformArgument) {
    if (platformArgument || IsSet(variable, "QT_QPA_PLATFORM"))
        return DisplayChoice::kQtDefault;
    bool x = IsSet(variable, "DISPLAY");
    const char* session = variable("XDG_SESSION_TYPE");
    bool wayland = IsSet(variable, "WAYLAND_DISPLAY") ||
                   (session != nullptr && std::strcmp(session, "wayland") == 0);
    if (wayland && x)
        return DisplayChoice::kXWayland;
    if (x || IsSet(variable, "WAYLAND_DISPLAY"))
        return DisplayChoice::kQtDefault;
    return DisplayChoice::kNone;
}

bool HasPlatformArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "-platform" || argument == "--platform")
            return true;
    }
    return false;
}

bool ApplyDisplayChoice(DisplayChoice choice) {
    if (choice == DisplayChoice::kXWayland)
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (choice != DisplayChoice::kNone)
        return true;
    std::cerr << "tunvex: the window needs a display, and there is none (DISPLAY and "
                 "WAYLAND_DISPLAY are not set).\n"
                 "tunvex-sort sorts without one: tunvex-sort --help\n";
    return false;
}

}  // namespace tunvex
