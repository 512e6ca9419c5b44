// The modal progress dialog of long work (a sort, an undo): shown once the work lasts more than
// a moment, refreshed at most every 50 ms, with a cancel button. It lives on the UI thread; the
// work's thread may ask whether to stop.
#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>

#include <atomic>
#include <functional>

#include "core/base/text.h"

namespace tunvex {

class ProgressWindow {
  public:
    // stopRequested: a stop that comes from outside; called from the work's thread too.
    ProgressWindow(QWidget* owner, CodePage codePage, std::function<bool()> stopRequested);

    // permille: how far the work is, 0 to 1000.
    void Update(const QString& label, int permille);
    void Hide();
    // From any thread.
    bool CancelRequested() const;

  private:
    std::function<bool()> stopRequested_;
    QProgressDialog dialog_;
    QElapsedTimer sinceRefresh_;
    std::atomic<bool> cancelled_ = false;
};

// Lines of a summary box shown at once; the rest are counted, and all of them are in its details.
constexpr qsizetype kSummaryLinesShown = 8;

// The summary box at the end of long work: text, then lines shown as they are (a few, and all in
// its details when there are more); warning chooses the icon.
void ShowSummaryBox(QWidget* owner, CodePage codePage, bool warning, const QString& text,
                    const QStringList& lines);

}  // namespace tunvex
