#include "gui/sort_relay.h"

#include "gui/sort_progress.h"

namespace tunvex {

SortRelay::SortRelay(SortProgress& progress)
    : progress_(progress), shown_([&progress](const Shown& shown) {
          if (shown.reading) {
              progress.OnReading(shown.read, shown.total);
          } else {
              progress.OnProgress(shown.transfer);
          }
      }) {}

bool SortRelay::OnReading(std::size_t read, std::size_t total) {
    shown_.Pass({.reading = true, .read = read, .total = total, .transfer = {}});
    return !CancelRequested();
}

void SortRelay::OnProgress(const TransferProgress& progress) {
    shown_.Pass({.reading = false, .transfer = progress});
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
