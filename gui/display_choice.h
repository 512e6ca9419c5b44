// Which display the window starts on. Qt aborts without one, and on Wayland no program may place
// its own window, so the remembered position would be lost: there the window goes to XWayland.
#pragma once

#include <functional>

namespace tunvex {

enum class DisplayChoice {
    kQtDefault,  // a display Qt finds by itself, or a platform the user chose
    kXWayland,   // a Wayland session with an X server beside it
    kNone,       // nothing to show a window on
};

// variable: getenv or a stand-in. platformArgument: the command line names a platform.
DisplayChoice ChooseDisplay(const std::function<const char*(const char*)>& variable,
                            bool platformArgument);

// True when argv holds Qt's -platform (or --platform) option.
bool HasPlatformArgument(int argc, char** argv);

// Applies the choice to this process and the programs it starts (the help viewer); false with a
// message on stderr when there is no display.
bool ApplyDisplayChoice(DisplayChoice choice);

}  // namespace tunvex
