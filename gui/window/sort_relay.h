// A sort's reports carried from its thread to the window's: the replace question waits for the
// answer; the progress is passed on latest first; the files that failed or were skipped are
// posted, as many as the summary lists. What it keeps is its own, written by the sort's thread
// alone.
#pragma once

#include <cstddef>

#include "core/transfer/transfer.h"
#include "gui/window/off_ui_thread.h"

namespace tunvex {

class SortProgress;

class SortRelay : public TransferDelegate {
  public:
    // progress lives on the UI thread and outlives the relay's posted calls (RunOffUiThread).
    explicit SortRelay(SortProgress& progress);

    // The reading hook of the sort batch: false once the user cancelled.
    bool OnReading(std::size_t read, std::size_t total);

    CollisionAnswer AskReplace(const std::string& source, const std::string& destination) override;
    void OnProgress(const TransferProgress& progress) override;
    void OnFileDone(const FileReport& report) override;
    bool CancelRequested() override;

  private:
    struct Shown {
        bool reading = true;
        std::size_t read = 0;
        std::size_t total = 0;
        TransferProgress transfer;
    };

    SortProgress& progress_;
    LatestOnUiThread<Shown> shown_;
    std::size_t problemsPosted_ = 0;
};

}  // namespace tunvex
