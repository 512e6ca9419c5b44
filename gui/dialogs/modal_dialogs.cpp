#include "gui/dialogs/modal_dialogs.h"

#include <QApplication>
#include <QDialog>

namespace tunvex {

void EndModalDialogs(const QWidget* except) {
    for (QWidget* modal;
         (modal = QApplication::activeModalWidget()) != nullptr && modal != except;) {
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        // One that will not go (a progress dialog keeps showing its cancel) ends the walk.
        if (QApplication::activeModalWidget() == modal)
            return;
    }
}

}  // namespace tunvex
