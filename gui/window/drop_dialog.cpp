#include "gui/window/drop_dialog.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

#include "core/base/catalogue.h"
#include "core/base/messages.h"
#include "core/sorting/sort_batch.h"
#include "core/sorting/sort_preview.h"
#include "gui/base/qt_text.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/extra_settings_dialog.h"
#include "gui/dialogs/modal_dialogs.h"
#include "gui/dialogs/settings_dialog.h"
#include "gui/dialogs/window_templates.h"
#include "gui/window/dropped_paths.h"
#include "gui/window/off_ui_thread.h"
#include "gui/window/preview_window.h"
#include "gui/window/sort_progress.h"
#include "gui/window/sort_relay.h"
#include "gui/window/undo_last_run.h"

namespace tunvex {
namespace {

constexpr unsigned kSysCommandMask = 0xFFF0;
constexpr const char* kUriList = "text/uri-list";
constexpr int kFramePollMilliseconds = 20;
constexpr int kFramePolls = 50;

// Menu 129. No text carries a mnemonic.
QMenuBar* MakeMenuBar() {
    auto* bar = new QMenuBar;
    auto add = [](QMenu* menu, const char* text, int id) {
        menu->addAction(QString::fromUtf8(text))->setData(id);
    };
    QMenu* options = bar->addMenu(QStringLiteral("オプション"));
    add(options, "設定", kCommandSettings);
    QMenu* help = bar->addMenu(QStringLiteral("ヘルプ"));
    add(help, "tunvex のヘルプ", kCommandHelp);
    add(help, "tunvex のバージョン情報", kCommandAbout);
    return bar;
}

// The sort decides between copy and move; the source is told a copy whatever it proposed, so
// that it never deletes what it dragged, as a Windows drop target of files answers.
void AcceptAsCopy(QDropEvent& event) {
    event.setDropAction(Qt::CopyAction);
    event.accept();
}

std::optional<std::vector<std::string>> DroppedPaths(const QMimeData* data) {
    if (data == nullptr || !data->hasFormat(kUriList))
        return std::nullopt;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return LocalPathsFromUriList(data->data(kUriList), host);
}

// In 64 bits: a stored position may lie anywhere in the int range, where its far corner does not.
bool AnyScreenShows(QPoint topLeft, QSize size) {
    const qint64 left = topLeft.x(), top = topLeft.y();
    for (const QScreen* each : QGuiApplication::screens()) {
        const QRect area = each->availableGeometry();
        if (left < area.x() + qint64(area.width()) && area.x() < left + size.width() &&
            top < area.y() + qint64(area.height()) && area.y() < top + size.height())
            return true;
    }
    return false;
}

// The background's SVG source drawn at size (in device-independent pixels) times ratio; null
// when it cannot be read.
QPixmap DrawBackground(QSize size, qreal ratio) {
    QSvgRenderer source(QString::fromUtf8(kBackgroundSource));
    if (!source.isValid() || size.isEmpty())
        return {};
    QPixmap picture(size * ratio);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    source.render(&painter);
    picture.setDevicePixelRatio(ratio);
    return picture;
}

}  // namespace

CDropDlg::CDropDlg(Settings& settings, const TagLibrary& library, std::function<void()> showHelp,
                   const Catalogue& catalogue, QWidget* parent)
    : TemplateDialog(DropDialogTemplate(), parent, MakeMenuBar()),
      settings_(settings),
      library_(library),
      showHelp_(std::move(showHelp)),
      icon_(kIconResource),
      systemMenu_(new QMenu(this)) {
    setAcceptDrops(true);
    // What a screen reader tells first: the area that takes the drop, focused. It takes neither
    // keys nor drops nor clicks itself; they reach the window.
    auto* dropArea = new QWidget(this);
    dropArea->setGeometry(ClientRect());
    dropArea->setAccessibleName(QStringLiteral("ファイルのドロップ先"));
    dropArea->setAccessibleDescription(
        QStringLiteral("振り分けるファイルやフォルダをここにドロップしてください"));
    dropArea->setFocusPolicy(Qt::StrongFocus);
    dropArea->setFocus();
    findChild<QMenuBar*>()->installEventFilter(this);
    connect(findChild<QMenuBar*>(), &QMenuBar::triggered, this,
            [this](QAction* action) { OnCommand(action->data().toInt()); });
    connect(systemMenu_, &QMenu::triggered, this,
            [this](QAction* action) { OnSysCommand(action->data().toUInt()); });
    OnInitDialog(catalogue);
    systemMenu_->addSeparator();
    undoAction_ = systemMenu_->addAction(QStringLiteral("最後の振り分けを元に戻す..."));
    connect(undoAction_, &QAction::triggered, this, [this] { OnUndoRecentRun(0); });
    undoBeforeAction_ = systemMenu_->addAction(QStringLiteral("その前の振り分けを元に戻す..."));
    connect(undoBeforeAction_, &QAction::triggered, this, [this] { OnUndoRecentRun(1); });
    connect(systemMenu_->addAction(QStringLiteral("詳細設定...")), &QAction::triggered, this,
            [this] {
                CExtraSettingsDlg extra(settings_, this);
                extra.exec();
            });
    connect(systemMenu_, &QMenu::aboutToShow, this, [this] {
        RunsOffered offered = RunsToOffer();
        undoAction_->setEnabled(offered.last);
        undoBeforeAction_->setEnabled(offered.before);
    });
}

// A step that fails shows its message and leaves the later steps undone; the window still
// works, opening centred.
bool CDropDlg::OnInitDialog(const Catalogue& catalogue) {
    std::string label;
    if (!LoadCatalogueString(kVersionMenuLabel, label, catalogue)) {
        ShowMessage(kMsgStringResourceMissing);
        return false;
    }
    systemMenu_->addAction(ToQString(SystemCodePage(), label))->setData(kSysCommandAbout);
    setWindowIcon(icon_);
    if (!background_.load(kBitmapResource)) {
        ShowMessage(kMsgBitmapMissing);
        return false;
    }
    brush_ = QBrush(background_);
    if (brush_.style() != Qt::TexturePattern) {
        ShowMessage(kMsgBrushNotCreated);
        return false;
    }
    restorePosition_ = true;
    return true;
}

void CDropDlg::showEvent(QShowEvent* event) {
    TemplateDialog::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    PlaceWindow();
    // The frame is known only once the window manager has put it around the window: place the
    // window again then, frame included.
    auto* framePoll = new QTimer(this);
    connect(framePoll, &QTimer::timeout, this, [this, framePoll, polls = 0]() mutable {
        if (!windowHandle()->frameMargins().isNull() || ++polls > kFramePolls) {
            PlaceWindow();
            framePoll->deleteLater();
        }
    });
    framePoll->start(kFramePollMilliseconds);
}

// The stored position 0, 0 is where the window is created, so it opens centred on the work
// area, as after an initialisation that stopped early; any other position is applied as it is,
// unless no screen would show any of the window (one stored on a monitor since unplugged).
// Both place the outer rectangle, frame included, as Windows does.
void CDropDlg::PlaceWindow() {
    QMargins frame = windowHandle()->frameMargins();
    QPoint position(settings_.WindowPositionX, settings_.WindowPositionY);
    QSize outer = size().grownBy(frame);
    if (!restorePosition_ || position.isNull() || !AnyScreenShows(position, outer)) {
        QRect workArea = screen()->availableGeometry();
        position = workArea.topLeft() + QPoint((workArea.width() - outer.width()) / 2,
                                               (workArea.height() - outer.height()) / 2);
    }
    windowHandle()->setPosition(position + QPoint(frame.left(), frame.top()));
}

// At 1x the bitmap itself; at any other pixel ratio of the screen, tiles drawn from its SVG source
// at that ratio, so that the picture stays sharp instead of being scaled up.
void CDropDlg::paintEvent(QPaintEvent*) {
    if (brush_.style() != Qt::TexturePattern)
        return;
    QPainter painter(this);
    // Of what is painted on: the screen's backing store, or an image the window is rendered to.
    const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
    if (ratio != 1 && sharpBackground_.devicePixelRatio() != ratio)
        sharpBackground_ = DrawBackground(background_.size(), ratio);
    if (ratio == 1 || sharpBackground_.isNull()) {
        painter.setBrushOrigin(ClientRect().topLeft());
        painter.fillRect(ClientRect(), brush_);
        return;
    }
    painter.setClipRect(ClientRect());
    for (int y = ClientRect().top(); y <= ClientRect().bottom(); y += background_.height()) {
        for (int x = ClientRect().left(); x <= ClientRect().right(); x += background_.width())
            painter.drawPixmap(x, y, sharpBackground_);
    }
}

// The close button, Alt+F4: the position is recorded, in memory.
void CDropDlg::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    settings_.WindowPositionX = frameGeometry().x();
    settings_.WindowPositionY = frameGeometry().y();
    TemplateDialog::closeEvent(event);
}

// Enter (either key) ends the window like OK, Esc like Cancel, neither recording the position;
// F10 opens the menu bar, Shift+F10 the context menu, as on Windows.
// While a sort runs the window takes no keys, as under the shell's transfer, but Esc: before
// the progress dialog shows (or after a click gave the window the keyboard) it cancels the sort.
void CDropDlg::keyPressEvent(QKeyEvent* event) {
    if (busy_) {
        if (event->key() == Qt::Key_Escape)
            sortCancelled_ = true;
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::NoModifier) {
        auto* menuBar = findChild<QMenuBar*>();
        menuBar->setActiveAction(menuBar->actions().value(0));
        return;
    }
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QPoint centre = ClientRect().center();
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, centre, mapToGlobal(centre));
        contextMenuEvent(&menuKey);
        return;
    }
    TemplateDialog::keyPressEvent(event);
}

// A menu bar left with the focus after keyboard use, no menu open and nothing highlighted, would
// swallow the window's keys (Esc among them): they go to the window.
bool CDropDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* menuBar = qobject_cast<QMenuBar*>(watched);
    if (menuBar != nullptr && event->type() == QEvent::KeyPress &&
        menuBar->activeAction() == nullptr) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    return TemplateDialog::eventFilter(watched, event);
}

void CDropDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!busy_ && !systemMenu_->isEmpty())
        systemMenu_->exec(event->globalPos());
}

void CDropDlg::OnSysCommand(unsigned id) {
    if ((id & kSysCommandMask) == kSysCommandAbout)
        OnCommand(kCommandAbout);
}

void CDropDlg::OnCommand(int id) {
    if (id == kCommandAbout) {
        CAboutDlg about(library_.getVer != nullptr ? library_.getVer() : 0, this);
        about.exec();
    } else if (id == kCommandHelp) {
        if (showHelp_)
            showHelp_();
    } else if (id == kCommandSettings) {
        CSettingsDlg settings(settings_, this);
        settings.exec();
    }
}

// Only local files and folders are taken; anything else is refused at the cursor.
void CDropDlg::dragEnterEvent(QDragEnterEvent* event) {
    offered_ = busy_ ? std::nullopt : DroppedPaths(event->mimeData());
    if (offered_) {
        AcceptAsCopy(*event);
    } else {
        event->ignore();
    }
}

void CDropDlg::dragLeaveEvent(QDragLeaveEvent*) {
    offered_.reset();
}

// The drop is answered at once, so the source is not kept waiting; the sort runs after. The
// paths are those offered when the drag entered: a drag carries one list from start to end, some
// sources (Qt's own, driven through XTEST) no longer answer for it at the drop, and a list of a
// whole collection is read once.
void CDropDlg::dropEvent(QDropEvent* event) {
    std::optional<std::vector<std::string>> paths = std::move(offered_);
    if (!paths)
        paths = DroppedPaths(event->mimeData());
    offered_.reset();
    if (busy_ || !paths) {
        event->ignore();
        return;
    }
    AcceptAsCopy(*event);
    busy_ = true;
    QTimer::singleShot(0, this, [this, dropped = std::move(*paths)] { OnDropFiles(dropped); });
}

void CDropDlg::OnDropFiles(const std::vector<std::string>& paths) {
    RunBusy([this, &paths] {
        CodePage codePage = SystemCodePage();
        // The sort's own copy: nothing the window does meanwhile reaches it.
        const Settings settings = settings_;
        sortCancelled_ = false;
        auto stop = [this] { return stopRequested_.load() || sortCancelled_.load(); };
        std::optional<SortProgress> progress(std::in_place, this, codePage, OperationOf(settings),
                                             stop);
        const bool previewed = settings.PreviewBeforeSort == 1;
        SortBatchPlan plan;
        SortPreview preview;
        {
            SortRelay relay(*progress);
            SortBatchContext context{settings, library_, codePage};
            context.reading = [&relay](std::size_t read, std::size_t total) {
                return relay.OnReading(read, total);
            };
            RunOffUiThread([&] {
                plan = PlanSortBatch(context, paths);
                if (previewed && !plan.cancelled)
                    preview = PreviewSortPlan(plan, codePage);
            });
        }
        std::optional<SortSummary> summary = SortSummary{.transfer = {.cancelled = true}};
        if (!plan.cancelled && previewed && !stopRequested_ && !preview.rows.empty()) {
            progress->Hide();
            std::vector<bool> chosen;
            if (!ShowSortPreview(this, settings_, codePage, plan, preview, paths, chosen))
                return;
            KeepChosenRows(plan, preview, chosen);
            progress.emplace(this, codePage, OperationOf(settings), stop);
        }
        if (!plan.cancelled) {
            SortRelay relay(*progress);
            RunOffUiThread([&] { summary = RunSortPlan(std::move(plan), relay); });
        }
        if (summary && !stopRequested_)
            progress->ShowSummary(summary->transfer, summary->extrasKept);
    });
}

void CDropDlg::OnUndoRecentRun(std::size_t age) {
    RunBusy([this, age] {
        UndoRecentRun(this, SystemCodePage(), age, [this] { return stopRequested_.load(); });
    });
}

// The window takes no drop, menu, key or close meanwhile; a stop that came ends it after.
void CDropDlg::RunBusy(const std::function<void()>& work) {
    busy_ = true;
    setAcceptDrops(false);
    findChild<QMenuBar*>()->setEnabled(false);
    work();
    findChild<QMenuBar*>()->setEnabled(true);
    setAcceptDrops(true);
    busy_ = false;
    if (stopRequested_)
        reject();
}

// Dialogs opened from the window end first; a sort is cancelled and the window ends after it.
void CDropDlg::OnStopRequested() {
    stopRequested_ = true;
    EndModalDialogs(this);
    if (!busy_)
        reject();
}

}  // namespace tunvex
