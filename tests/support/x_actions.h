// What a person does at an X desktop, by xdotool and the X tools.
#pragma once

#include <string>
#include <vector>

namespace tunvex::testing {

// A shown window titled pattern other than besides, once there is one; "" after 20 seconds.
std::string WaitForWindow(const std::string& pattern, const std::string& besides = "");

// True once no shown window's title matches pattern; false after 20 seconds.
bool WaitForNoWindow(const std::string& pattern);

// Raises and focuses the window with that id, as the window manager does for a click on it.
void Activate(const std::string& window);

// Presses keys ("Return", "alt+Left", ...) one after the other in the focused window.
void PressKeys(std::vector<std::string> keys);

// Waits for the window titled pattern (not besides), activates it and presses keys; its id.
std::string ActOn(const std::string& pattern, const std::vector<std::string>& keys,
                  const std::string& besides = "");

void Click(int x, int y, int button = 1);

// Presses the left button at one point, moves to the other and lets go there.
void Drag(int fromX, int fromY, int toX, int toY);

// The ids of the shown windows whose title matches pattern, now.
std::vector<std::string> ShownWindowsTitled(const std::string& pattern);

struct Frame {
    int x = 0, y = 0, width = 0, height = 0;  // the outer rectangle, decoration included
    int clientX = 0, clientY = 0;             // where the window's own area starts
};

Frame FrameOf(const std::string& window);

// The frame once the window manager and the program have stopped moving it.
Frame SettledFrameOf(const std::string& window);

}  // namespace tunvex::testing
