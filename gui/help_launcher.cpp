#include "gui/help_launcher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/base/paths.h"

extern char** environ;

namespace tunvex {
namespace {

struct RunningViewer {
    pid_t pid = -1;
    int requests = -1;  // our end of the socket on the viewer's standard input
    std::string helpFilePath;
};

RunningViewer viewer;

bool StillRunning() {
    return viewer.pid > 0 && waitpid(viewer.pid, nullptr, WNOHANG) == 0;
}

// The viewer reads its end of input and closes itself.
void LetGo() {
    if (viewer.requests >= 0)
        close(viewer.requests);
    if (viewer.pid > 0)
        waitpid(viewer.pid, nullptr, WNOHANG);
    viewer = RunningViewer();
}

bool Start(const std::string& helpFilePath) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    const std::string program = ExecutableDirectory() + "/tunvex-help";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    const char* arguments[] = {program.c_str(), "--listen", helpFilePath.c_str(), nullptr};
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr,
                                  const_cast<char**>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (error != 0) {
        close(ends[0]);
        return false;
    }
    viewer = RunningViewer{pid, ends[0], helpFilePath};
    return true;
}

bool Send(const std::string& request) {
    return send(viewer.requests, request.data(), request.size(), MSG_NOSIGNAL) ==
           ssize_t(request.size());
}

}  // namespace

bool ShowHtmlHelp(const std::string& helpFilePath, const std::string& topic) {
    const std::string show = topic.empty() ? "show\n" : "show " + topic + "\n";
    if (StillRunning() && viewer.helpFilePath == helpFilePath && Send(show))
        return true;
    LetGo();
    // A new viewer opens at the default topic by itself.
    return Start(helpFilePath) && (topic.empty() || Send(show));
}

}  // namespace tunvex
