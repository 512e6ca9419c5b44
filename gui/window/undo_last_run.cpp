#include "gui/window/undo_last_run.h"

#include <QDateTime>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "core/base/failure_reason.h"
#include "core/transfer/journal.h"
#include "core/transfer/journal_glance.h"
#include "core/transfer/undo.h"
#include "gui/base/qt_text.h"
#include "gui/dialogs/message_box.h"
#include "gui/dialogs/progress_window.h"
#include "gui/window/off_ui_thread.h"

namespace tunvex {
namespace {

constexpr std::size_t kLeftAloneListed = 10;

bool Confirmed(QWidget* owner, CodePage codePage, const JournalGlance& run, std::size_t age) {
    QMessageBox question(QMessageBox::Question, ProgramCaption(codePage),
                         age == 0 ? QStringLiteral("最後の振り分けを元に戻しますか?")
                                  : QStringLiteral("その前の振り分けを元に戻しますか?"),
                         QMessageBox::NoButton, owner);
    const QString when =
        QDateTime::fromSecsSinceEpoch(run.started).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    const QString done = run.operation == TransferOperation::Move ? QStringLiteral("移動した")
                                                                  : QStringLiteral("コピーした");
    QString what = QStringLiteral("%1 に%2ファイル %3 個").arg(when, done).arg(run.files);
    if (run.filesUndone > 0) {
        what += QStringLiteral("\n一部は元に戻してあり、%1 個のファイルが残っています。")
                    .arg(run.files - std::min(run.files, run.filesUndone));
    }
    what += QStringLiteral("\n\nその後に変更されたファイルはそのままにします。");
    question.setInformativeText(ShownAsText(what));
    KeepLinesWhole(question, what);
    QPushButton* undo = question.addButton(QStringLiteral("元に戻す(&U)"), QMessageBox::YesRole);
    QPushButton* cancel =
        question.addButton(QStringLiteral("キャンセル(&C)"), QMessageBox::RejectRole);
    question.setDefaultButton(undo);
    question.setEscapeButton(cancel);
    question.exec();
    return question.clickedButton() == undo;
}

// On the undo's thread: counts what it did and keeps the first files it left alone, which the
// UI thread reads once the undo has ended.
class UndoRelay : public UndoDelegate {
  public:
    UndoRelay(ProgressWindow& window, std::size_t files)
        : window_(window), shown_([&window, files](const std::size_t& done) {
              window.Update(
                  QStringLiteral("元に戻しています... %1 / %2 ファイル").arg(done).arg(files),
                  files == 0 ? 1000 : int(std::min(done, files) * 1000 / files));
          }) {}

    void OnUndo(const UndoReport& report) override {
        if (report.action == UndoAction::LeftAlone && leftAlone.size() < kLeftAloneListed)
            leftAlone.push_back(report);
        if (report.action != UndoAction::FolderRemoved && report.action != UndoAction::FolderMade)
            shown_.Pass(++done_);
    }
    bool CancelRequested() override { return window_.CancelRequested(); }

    std::vector<UndoReport> leftAlone;

  private:
    ProgressWindow& window_;
    LatestOnUiThread<std::size_t> shown_;
    std::size_t done_ = 0;
};

void ShowOutcome(QWidget* owner, CodePage codePage, const UndoSummary& summary,
                 const std::vector<UndoReport>& leftAlone) {
    if (!summary.refused.empty()) {
        ShowSummaryBox(owner, codePage, true, QStringLiteral("元に戻せませんでした"),
                       {ToQString(codePage, JapaneseReason(summary.refused))});
        return;
    }
    QStringList lines{
        QStringLiteral("元の場所に戻したファイル: %1 個").arg(summary.movedBack),
        QStringLiteral("ごみ箱に移動したファイル: %1 個").arg(summary.trashed),
        QStringLiteral("ごみ箱から戻したファイル: %1 個").arg(summary.restored),
        QStringLiteral("削除したフォルダ: %1 個").arg(summary.foldersRemoved),
        QStringLiteral("作り直したフォルダ: %1 個").arg(summary.foldersMade),
    };
    for (const UndoReport& report : leftAlone) {
        lines << QStringLiteral("%1: %2").arg(ToQString(codePage, report.path),
                                              ToQString(codePage, JapaneseReason(report.reason)));
    }
    QString text;
    if (summary.cancelled) {
        text = QStringLiteral(
                   "元に戻す途中でキャンセルしました。%1 個のファイルを戻し、残りはそのままです。")
                   .arg(summary.movedBack + summary.trashed + summary.restored);
    } else if (summary.leftAlone == 0) {
        text = QStringLiteral("振り分けを元に戻しました。");
    } else {
        text = QStringLiteral(
                   "振り分けを元に戻しました。%1 個は戻せなかったため、そのままにしました。")
                   .arg(summary.leftAlone);
    }
    ShowSummaryBox(owner, codePage, summary.leftAlone != 0, text, lines);
}

}  // namespace

RunsOffered RunsToOffer() {
    std::vector<JournalGlance> runs = RunsToUndo(JournalFolder(), 2, false);
    return {!runs.empty() && !IsRunHeld(runs[0].path), runs.size() > 1 && !IsRunHeld(runs[1].path)};
}

void UndoRecentRun(QWidget* owner, CodePage codePage, std::size_t age,
                   const std::function<bool()>& stopRequested) {
    std::vector<JournalGlance> runs = RunsToUndo(JournalFolder(), age + 1);
    if (runs.size() <= age || IsRunHeld(runs[age].path) ||
        !Confirmed(owner, codePage, runs[age], age))
        return;
    const JournalGlance& run = runs[age];
    const std::string& journal = run.path;
    ProgressWindow window(owner, codePage, stopRequested);
    UndoRelay relay(window, run.files - std::min(run.files, run.filesUndone));
    UndoSummary summary;
    RunOffUiThread([&] { summary = UndoRun(codePage, journal, false, relay); });
    window.Hide();
    if (!stopRequested())
        ShowOutcome(owner, codePage, summary, relay.leftAlone);
}

}  // namespace tunvex
