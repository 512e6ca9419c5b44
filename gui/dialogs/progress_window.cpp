#include "gui/dialogs/progress_window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include <algorithm>

#include "gui/dialogs/message_box.h"

namespace tunvex {
namespace {

constexpr int kShowAfterMilliseconds = 500;
constexpr int kRefreshMilliseconds = 50;

}  // namespace

ProgressWindow::ProgressWindow(QWidget* owner, CodePage codePage,
                               std::function<bool()> stopRequested)
    : stopRequested_(std::move(stopRequested)), dialog_(owner) {
    dialog_.setWindowTitle(ProgramCaption(codePage));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setCancelButtonText(QStringLiteral("キャンセル"));
    dialog_.setMinimumDuration(kShowAfterMilliseconds);
    dialog_.setAutoReset(false);
    dialog_.setAutoClose(false);
    dialog_.setRange(0, 1000);
    dialog_.setMinimumWidth(360);
    QObject::connect(&dialog_, &QProgressDialog::canceled, [this] { cancelled_ = true; });
    sinceRefresh_.start();
}

void ProgressWindow::Update(const QString& label, int permille) {
    if (sinceRefresh_.elapsed() < kRefreshMilliseconds && permille < 1000)
        return;
    sinceRefresh_.restart();
    dialog_.setLabelText(label);
    dialog_.setValue(permille);
}

void ProgressWindow::Hide() {
    dialog_.hide();
}

bool ProgressWindow::CancelRequested() const {
    return cancelled_ || (stopRequested_ && stopRequested_());
}

void ShowSummaryBox(QWidget* owner, CodePage codePage, bool warning, const QString& text,
                    const QStringList& lines) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information,
                    ProgramCaption(codePage), text, QMessageBox::Ok, owner);
    QStringList shown = lines.mid(0, kSummaryLinesShown);
    if (lines.size() > kSummaryLinesShown) {
        shown << QStringLiteral("ほか %1 件 (すべては「詳細」に表示します)")
                     .arg(lines.size() - kSummaryLinesShown);
        box.setDetailedText(lines.join('\n'));
    }
    if (!shown.isEmpty())
        box.setInformativeText(ShownAsText(shown.join('\n')));
    // Ctrl+C takes the whole summary, every line, for a report or a search.
    QShortcut copy(QKeySequence::Copy, &box);
    QObject::connect(&copy, &QShortcut::activated, [&] {
        QGuiApplication::clipboard()->setText(text + '\n' + lines.join('\n'));
    });
    // However many lines, the box and its button stay on the screen it opens on.
    QTimer::singleShot(0, &box, [&box] {
        if (const QScreen* screen = box.screen()) {
            const QRect room = screen->availableGeometry();
            box.setMaximumSize(room.size());
            box.move(
                std::clamp(box.x(), room.left(), std::max(room.left(), room.right() - box.width())),
                std::clamp(box.y(), room.top(),
                           std::max(room.top(), room.bottom() - box.height())));
        }
    });
    box.exec();
}

}  // namespace tunvex
