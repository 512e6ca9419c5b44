// Runs a program of the build, with no terminal, and collects what it printed.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tunvex::testing {

struct ProcessResult {
    int exitStatus = -1;  // -1: ended by a signal
    std::string out;
    std::string err;
};

// program: a path or a name on PATH; environment entries ("NAME=value") add to ours, or remove.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});

// Runs work in a child, SIGKILLed when it calls the stall it is given; its wait status.
int KillWhenStalled(const std::function<void(const std::function<void()>& stall)>& work);

// Runs program on a pseudo-terminal as its standard input, output and error. Whenever what it
// printed so far ends with prompt, respond is called with the process id and returns the text
// to type (empty: type nothing). Everything printed is returned in out.
ProcessResult RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, const std::string& prompt,
                            const std::function<std::string(int pid)>& respond);

}  // namespace tunvex::testing

namespace tunvex::testing {

// A program running in the background without a terminal, killed if still running at the end.
class BackgroundProcess {
  public:
    BackgroundProcess(const std::string& program, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment = {});
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    int pid() const { return pid_; }
    // True while the process has not ended.
    bool Running();
    ProcessResult Wait();

  private:
    int pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    bool reaped_ = false;
    int status_ = -1;
};

}  // namespace tunvex::testing
