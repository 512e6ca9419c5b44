// The single-instance guard: a lock on a file named after the program, held for the whole run.
#pragma once

#include <string>

namespace tunvex {

enum class GuardState {
    Taken,        // this process is the one instance
    AlreadyHeld,  // another instance of the same name runs
    Unguarded,    // no lock could be made; the program runs without one
};

class InstanceGuard {
  public:
    // $XDG_RUNTIME_DIR/<name>.lock, or <temp folder>/<name>-<uid>.lock without a runtime folder.
    explicit InstanceGuard(const std::string& name);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    GuardState state() const { return state_; }

  private:
    int fd_ = -1;
    GuardState state_ = GuardState::Unguarded;
};

}  // namespace tunvex
