// A sort's reports carried from its thread to the window's: the replace question waits for the
// answer; the progress is passed on latest first, never queued deeper than one report, so a fast
// transfer does not flood the event loop.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>

#include "core/transfer/transfer.h"

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
    void Show(const Shown& latest);

    SortProgress& progress_;
    std::mutex latestLock_;
    Shown latest_;
    std::atomic<bool> posted_ = false;
};

}  // namespace tunvex
