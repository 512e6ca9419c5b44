#include "gui/progress_window.h"

#include <QMessageBox>

#include "gui/message_box.h"

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
    if (!lines.isEmpty()) {
        box.setInformativeText(ShownAsText(lines.join('\n')));
    }
    box.exec();
}

}  // namespace tunvex
