// The main drop window: a small captioned window whose client area shows the background picture.
// Files and folders dropped on it are sorted; its menu opens the settings dialog, the help and
// the version box; its context menu carries the system-menu item of the version box and the undo
// of the last run. It
// remembers its position through the settings record.
#pragma once

#include <QBrush>
#include <QIcon>
#include <QPixmap>

#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/catalogue.h"
#include "core/settings/settings.h"
#include "core/tags/tag_library.h"
#include "gui/dialogs/template_dialog.h"

class QAction;
class QMenu;

namespace tunvex {

class CDropDlg : public TemplateDialog {
  public:
    // settings: read for every sort, changed by the settings dialog and the window's position.
    // The catalogue gives the label of the version item.
    CDropDlg(Settings& settings, const TagLibrary& library, std::function<void()> showHelp,
             const Catalogue& catalogue = ProgramCatalogue(), QWidget* parent = nullptr);

    // The sort batch for one drop, in drop order, on a thread of its own; returns when it has
    // ended. The window takes no other drop meanwhile.
    void OnDropFiles(const std::vector<std::string>& paths);
    // Undoes the newest run that can still be undone, asked first. The window takes no drop
    // meanwhile.
    void OnUndoRecentRun(std::size_t age);
    // A system command: ids 16 to 31 open the version box.
    void OnSysCommand(unsigned id);
    // A stop signal: ends the dialogs above the window and then the window like Esc, after
    // cancelling a sort under way.
    void OnStopRequested();

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool OnInitDialog(const Catalogue& catalogue);
    void PlaceWindow();
    void OnCommand(int id);
    void RunBusy(const std::function<void()>& work);

    Settings& settings_;
    const TagLibrary& library_;
    std::function<void()> showHelp_;
    QIcon icon_;
    QPixmap background_;
    QBrush brush_;
    QPixmap sharpBackground_;  // at the last pixel ratio other than 1
    QMenu* systemMenu_;
    QAction* undoAction_;
    QAction* undoBeforeAction_;
    // Initialisation reached the position restore; otherwise the window opens centred.
    bool restorePosition_ = false;
    bool placed_ = false;
    bool busy_ = false;
    std::atomic<bool> stopRequested_ = false;          // read by the sort's thread
    std::atomic<bool> sortCancelled_ = false;          // Esc on the window while it sorts
    std::optional<std::vector<std::string>> offered_;  // by the drag now over the window
};

}  // namespace tunvex
