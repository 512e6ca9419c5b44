#include "tests/support/x_session.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace tunvex::testing {
namespace {

// A machine busy with other tests in parallel can take long to start a window manager.
constexpr auto kStartTimeout = std::chrono::seconds(60);

pid_t Spawn(const std::vector<std::string>& arguments, int keepFd = -1, int outFd = -1) {
    pid_t child = fork();
    if (child != 0)
        return child;
    int nullFd = open("/dev/null", O_RDWR);
    dup2(nullFd, STDIN_FILENO);
    dup2(outFd >= 0 ? outFd : nullFd, STDOUT_FILENO);
    dup2(nullFd, STDERR_FILENO);
    for (int fd = 3; fd < 1024; ++fd) {
        if (fd != keepFd)
            close(fd);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Asked to end, then killed: openbox can hang in its SIGTERM handler on a busy machine.
void Stop(pid_t child) {
    if (child <= 0)
        return;
    kill(child, SIGTERM);
    for (int i = 0; i < 40; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

std::string ReadDisplayNumber(int fd) {
    std::string number;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n')
        number += c;
    return number;
}

// Starts Xvfb on a display of its own choosing; the display (":N"), or "" when it did not come up.
std::string StartXvfb(pid_t& server) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    server = Spawn({"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0",
                    "1280x1024x24", "-dpi", "96", "-nolisten", "tcp"},
                   pipeFds[1]);
    close(pipeFds[1]);
    std::string display = ReadDisplayNumber(pipeFds[0]);
    close(pipeFds[0]);
    return display.empty() ? display : ":" + display;
}

}  // namespace

XSession::XSession() {
    std::string display = StartXvfb(server_);
    if (display.empty())
        return;
    setenv("DISPLAY", display.c_str(), 1);
    windowManager_ = Spawn({"openbox", "--sm-disable"});
    auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        // A window manager that gave up (the server was not answering yet) is started again.
        if (waitpid(windowManager_, nullptr, WNOHANG) == windowManager_)
            windowManager_ = Spawn({"openbox", "--sm-disable"});
        // The work area is set once openbox has set up the screen, after the check window.
        if (RunXTool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id") !=
                std::string::npos &&
            RunXTool({"xprop", "-root", "_NET_WORKAREA"}).find(" = ") != std::string::npos) {
            ready_ = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

XSession::~XSession() {
    Stop(windowManager_);
    Stop(server_);
}

WaylandSession::WaylandSession(const std::string& runtimeFolder) {
    host_ = StartXvfb(hostServer_);
    if (host_.empty())
        return;
    const std::string log = runtimeFolder + "/weston.log";
    setenv("XDG_RUNTIME_DIR", runtimeFolder.c_str(), 1);
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    setenv("WAYLAND_DISPLAY", "wayland-test", 1);
    // XWayland's socket folder, which weston expects to be there.
    mkdir("/tmp/.X11-unix", 01777);
    chmod("/tmp/.X11-unix", 01777);
    // On an X server weston has a seat (the headless one has none, and XWayland ends at the
    // first X tool that moves the pointer).
    setenv("DISPLAY", host_.c_str(), 1);
    compositor_ =
        Spawn({"weston", "--backend=x11-backend.so", "--socket=wayland-test", "--xwayland",
               "--idle-time=0", "--width=1280", "--height=1024", "--log=" + log});
    const std::regex listening("xserver listening on display (:[0-9]+)");
    auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline &&
           waitpid(compositor_, nullptr, WNOHANG) == 0) {
        std::ostringstream text;
        text << std::ifstream(log).rdbuf();
        std::smatch found;
        const std::string logged = text.str();
        if (std::regex_search(logged, found, listening)) {
            setenv("DISPLAY", found[1].str().c_str(), 1);
            // XWayland starts with its first client.
            ready_ = RunXTool({"xwininfo", "-root"}).find("Width") != std::string::npos;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

WaylandSession::~WaylandSession() {
    Stop(compositor_);
    Stop(hostServer_);
}

std::string RunXTool(const std::vector<std::string>& arguments) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return {};
    pid_t child = Spawn(arguments, -1, pipeFds[1]);
    close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    return out;
}

}  // namespace tunvex::testing
