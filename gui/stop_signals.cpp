#include "gui/stop_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <utility>

namespace tunvex {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
int wakeFds[2] = {-1, -1};

void OnStopSignal(int) {
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = write(wakeFds[1], &byte, 1);
}

}  // namespace

StopSignals::StopSignals(std::function<void()> onStop) {
    if (wakeFds[0] < 0 && pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(wakeFds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [onStop = std::move(onStop)] {
        char byte;
        while (read(wakeFds[0], &byte, 1) == 1) {
        }
        onStop();
    });
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int stop : kStopSignals)
        sigaction(stop, &action, nullptr);
}

StopSignals::~StopSignals() {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int stop : kStopSignals)
        sigaction(stop, &action, nullptr);
}

}  // namespace tunvex
