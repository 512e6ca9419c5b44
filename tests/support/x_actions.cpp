#include "tests/support/x_actions.h"

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "tests/support/x_session.h"

namespace tunvex::testing {
namespace {

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string ShownWindows(const std::string& pattern) {
    return RunXTool({"xdotool", "search", "--onlyvisible", "--name", pattern});
}

int Field(const std::string& text, const std::string& label) {
    std::size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::stoi(text.substr(at + label.size()));
}

}  // namespace

std::string WaitForWindow(const std::string& pattern, const std::string& besides) {
    for (int i = 0; i < 200; ++i, Pause(100)) {
        std::istringstream ids(ShownWindows(pattern));
        for (std::string id; std::getline(ids, id);) {
            if (id != besides)
                return id;
        }
    }
    return {};
}

bool WaitForNoWindow(const std::string& pattern) {
    for (int i = 0; i < 200; ++i, Pause(100)) {
        if (ShownWindows(pattern).empty())
            return true;
    }
    return false;
}

void Activate(const std::string& window) {
    RunXTool({"xdotool", "windowactivate", "--sync", window});
    Pause(200);
}

void PressKeys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"xdotool", "key", "--clearmodifiers"});
    RunXTool(keys);
}

std::string ActOn(const std::string& pattern, const std::vector<std::string>& keys,
                  const std::string& besides) {
    std::string window = WaitForWindow(pattern, besides);
    if (window.empty())
        return window;
    Activate(window);
    if (!keys.empty())
        PressKeys(keys);
    return window;
}

void Click(int x, int y, int button) {
    RunXTool({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y)});
    Pause(100);
    RunXTool({"xdotool", "click", std::to_string(button)});
}

void Drag(int fromX, int fromY, int toX, int toY) {
    RunXTool({"xdotool", "mousemove", "--sync", std::to_string(fromX), std::to_string(fromY)});
    RunXTool({"xdotool", "mousedown", "1"});
    // In steps, as a hand moves: a drag source starts its drag on the first move.
    for (int step = 1; step <= 10; ++step) {
        RunXTool({"xdotool", "mousemove", std::to_string(fromX + (toX - fromX) * step / 10),
                  std::to_string(fromY + (toY - fromY) * step / 10)});
        Pause(60);
    }
    Pause(500);
    RunXTool({"xdotool", "mouseup", "1"});
}

std::vector<std::string> ShownWindowsTitled(const std::string& pattern) {
    std::vector<std::string> shown;
    std::istringstream ids(ShownWindows(pattern));
    for (std::string id; std::getline(ids, id);)
        shown.push_back(id);
    return shown;
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

Frame SettledFrameOf(const std::string& window) {
    Frame last = FrameOf(window);
    for (int still = 0, i = 0; still < 4 && i < 50; ++i) {
        Pause(100);
        Frame now = FrameOf(window);
        still = now.x == last.x && now.y == last.y ? still + 1 : 0;
        last = now;
    }
    return last;
}

}  // namespace tunvex::testing
