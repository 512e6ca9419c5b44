#include "gui/window/sort_relay.h"

#include "gui/window/sort_progress.h"

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

// A stop or cancel that came while the sort was on its way to the question is its answer: a
// question asked after it could still replace a file.
CollisionAnswer SortRelay::AskReplace(const std::string& source, const std::string& destination) {
    if (CancelRequested())
        return CollisionAnswer::Cancel;
    return AskOnUiThread([&] {
        return CancelRequested() ? CollisionAnswer::Cancel
                                 : progress_.AskReplace(source, destination);
    });
}

void SortRelay::OnFileDone(const FileReport& report) {
    bool problem = report.outcome == FileOutcome::Failed || report.outcome == FileOutcome::Skipped;
    if (!problem || problemsPosted_++ >= kProblemsListed)
        return;
    PostToUiThread([&progress = progress_, report] { progress.OnFileDone(report); });
}

bool SortRelay::CancelRequested() {
    return progress_.window().CancelRequested();
}

}  // namespace tunvex
