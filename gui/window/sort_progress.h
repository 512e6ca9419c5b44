// The shell's part of a drop, done by us: a modal progress dialog while the drop is read and
// transferred (files, bytes, cancel), shown once the work lasts more than a moment; the replace
// question in ask mode; and one summary box at the end when a file failed or was skipped.
// It lives on the UI thread; the sort's thread reaches it through a SortRelay.
#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/base/text.h"
#include "core/sorting/sort_batch.h"
#include "core/transfer/transfer.h"
#include "gui/dialogs/progress_window.h"

namespace tunvex {

// Every member is the UI thread's; the sort's thread reaches them through a SortRelay only, which
// asks the window itself whether to stop.
class SortProgress {
  public:
    // stopRequested: polled with the cancel button, for a stop that comes from outside; from the
    // sort's thread too.
    SortProgress(QWidget* owner, CodePage codePage, TransferOperation operation,
                 std::function<bool()> stopRequested);

    void OnReading(std::size_t read, std::size_t total);
    // Until the work goes on under another SortProgress: a dialog once shown stays hidden.
    void Hide();
    void OnProgress(const TransferProgress& progress);
    CollisionAnswer AskReplace(const std::string& source, const std::string& destination);
    // A file that failed or was skipped, for the summary; the first kProblemsListed are kept.
    void OnFileDone(const FileReport& report);

    // The summary box, when a file failed or was skipped, an album extra or a source folder the
    // move emptied was kept, attributes were lost or the run cannot be undone.
    void ShowSummary(const TransferSummary& summary, const std::vector<KeptExtra>& extrasKept = {});

    const ProgressWindow& window() const { return window_; }

  private:
    QWidget* owner_;
    CodePage codePage_;
    TransferOperation operation_;
    ProgressWindow window_;
    std::vector<QString> problems_;
};

QString WhyExtraKept(ExtraKeptBecause because);

// The summary's details list this many files at most, and count the rest.
constexpr std::size_t kProblemsListed = 1000;

}  // namespace tunvex
