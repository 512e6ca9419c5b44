// SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C in the terminal that started the program)
// end the window in an orderly way, so the settings are still saved.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tunvex {

class StopSignals {
  public:
    // onStop runs on the UI thread, from the event loop, once per signal.
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tunvex
