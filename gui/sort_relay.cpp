#include "gui/sort_relay.h"

#include "gui/off_ui_thread.h"
#include "gui/sort_progress.h"

namespace tunvex {

SortRelay::SortRelay(SortProgress& progress) : progress_(progress) {}

void SortRelay::Show(const Shown& latest) {
    {
        std::lock_guard hold(latestLock_);
        latest_ = latest;
    }
    if (posted_.exchange(true))
        return;
    PostToUiThread([this] {
        posted_ = false;
        Shown shown;
        {
            std::lock_guard hold(latestLock_);
            shown = latest_;
        }
        if (shown.reading) {
            progress_.OnReading(shown.read, shown.total);
        } else {
            progress_.OnProgress(shown.transfer);
        }
    });
}

bool SortRelay::OnReading(std::size_t read, std::size_t total) {
    Show({.reading = true, .read = read, .total = total, .transfer = {}});
    return !CancelRequested();
}

void SortRelay::OnProgress(const TransferProgress& progress) {
    Show({.reading = false, .transfer = progress});
}

CollisionAnswer SortRelay::AskReplace(const std::string& source, const std::string& destination) {
    return AskOnUiThread([&] { return progress_.AskReplace(source, destination); });
}

void SortRelay::OnFileDone(const FileReport& report) {
    progress_.OnFileDone(report);
}

bool SortRelay::CancelRequested() {
    return progress_.CancelRequested();
}

}  // namespace tunvex
