// A RecordingDelegate that shows a test each report, progress report and cancel poll.
#pragma once

#include <functional>
#include <utility>

#include "tests/support/transfer_scene.h"

namespace tunvex {

class WatchingDelegate : public RecordingDelegate {
  public:
    explicit WatchingDelegate(std::function<void(const RecordingDelegate&)> watch)
        : watch_(std::move(watch)) {}
    void OnFileDone(const FileReport& report) override {
        RecordingDelegate::OnFileDone(report);
        watch_(*this);
    }
    void OnProgress(const TransferProgress& report) override {
        RecordingDelegate::OnProgress(report);
        watch_(*this);
    }
    bool CancelRequested() override {
        watch_(*this);
        return RecordingDelegate::CancelRequested();
    }

  private:
    std::function<void(const RecordingDelegate&)> watch_;
};

}  // namespace tunvex
