// Xvfb with openbox for one test program, DISPLAY set for it and what it starts.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tunvex::testing {

class XSession {
  public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // False when the server or the window manager did not come up.
    bool ready() const { return ready_; }

  private:
    pid_t server_ = -1;
    pid_t windowManager_ = -1;
    bool ready_ = false;
};

// weston with XWayland for one test program, as a Wayland desktop sets its environment.
class WaylandSession {
  public:
    explicit WaylandSession(const std::string& runtimeFolder);
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    // False when the compositor or XWayland did not come up.
    bool ready() const { return ready_; }

  private:
    std::string host_;
    pid_t hostServer_ = -1;
    pid_t compositor_ = -1;
    bool ready_ = false;
};

// Runs an X tool (xdotool, xwininfo, import, ...) found on PATH; its standard output.
std::string RunXTool(const std::vector<std::string>& arguments);

}  // namespace tunvex::testing
