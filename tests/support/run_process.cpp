#include "tests/support/run_process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace tunvex::testing {
namespace {

void DrainPipes(int outFd, int errFd, ProcessResult& result) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

void ApplyEnvironment(const std::vector<std::string>& environment) {
    for (const std::string& entry : environment) {
        std::size_t equals = entry.find('=');
        std::string name = entry.substr(0, equals);
        std::string value = entry.substr(equals + 1);
        if (value.empty()) {
            unsetenv(name.c_str());
        } else {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
}

[[noreturn]] void Execute(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(program.c_str(), argv.data());
    _exit(127);
}

int ExitStatusOf(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return {};
    pid_t child = fork();
    if (child == 0) {
        int nullFd = open("/dev/null", O_RDONLY);
        dup2(nullFd, STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        ApplyEnvironment(environment);
        Execute(program, arguments);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    ProcessResult result;
    DrainPipes(outPipe[0], errPipe[0], result);
    result.exitStatus = ExitStatusOf(child);
    return result;
}

ProcessResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, const std::string& prompt,
                            const std::function<std::string(int pid)>& respond) {
    int terminal = -1;
    pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0)
        return {};
    if (child == 0) {
        ApplyEnvironment(environment);
        Execute(program, arguments);
    }
    ProcessResult result;
    std::size_t answered = 0;
    char buffer[4096];
    while (true) {
        ssize_t n = read(terminal, buffer, sizeof buffer);
        if (n <= 0)
            break;  // EIO once the program has closed the terminal
        result.out.append(buffer, static_cast<std::size_t>(n));
        if (result.out.size() >= prompt.size() + answered &&
            result.out.compare(result.out.size() - prompt.size(), prompt.size(), prompt) == 0) {
            answered = result.out.size();
            std::string typed = respond(child);
            if (!typed.empty() && write(terminal, typed.data(), typed.size()) < 0)
                break;
        }
    }
    close(terminal);
    result.exitStatus = ExitStatusOf(child);
    return result;
}

int KillWhenStalled(const std::function<void(const std::function<void()>& stall)>& work) {
    int pipes[2];
    if (pipe(pipes) != 0)
        return -1;
    pid_t child = fork();
    if (child == 0) {
        work([&] {
            char stalled = 1;
            if (write(pipes[1], &stalled, 1) != 1)
                _exit(2);
            while (true)
                pause();
        });
        _exit(1);
    }
    close(pipes[1]);
    char stalled = 0;
    bool didStall = read(pipes[0], &stalled, 1) == 1;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipes[0]);
    return didStall ? status : -1;
}

BackgroundProcess::BackgroundProcess(const std::string& program,
                                     const std::vector<std::string>& arguments,
                                     const std::vector<std::string>& environment) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        int nullFd = open("/dev/null", O_RDONLY);
        dup2(nullFd, STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        ApplyEnvironment(environment);
        Execute(program, arguments);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
}

BackgroundProcess::~BackgroundProcess() {
    if (pid_ > 0 && Running())
        kill(pid_, SIGKILL);
    if (outFd_ >= 0)
        Wait();
}

bool BackgroundProcess::Running() {
    if (reaped_ || pid_ <= 0)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0)
        return true;
    reaped_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
}

ProcessResult BackgroundProcess::Wait() {
    ProcessResult result;
    if (outFd_ >= 0)
        DrainPipes(outFd_, errFd_, result);
    outFd_ = errFd_ = -1;
    if (!reaped_) {
        status_ = ExitStatusOf(pid_);
        reaped_ = true;
    }
    result.exitStatus = status_;
    return result;
}

}  // namespace tunvex::testing
