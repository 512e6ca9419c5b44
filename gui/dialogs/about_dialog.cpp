#include "gui/dialogs/about_dialog.h"

#include <QLabel>

#include "gui/dialogs/window_templates.h"

namespace tunvex {

CAboutDlg::CAboutDlg(unsigned tagLibraryVersion, QWidget* parent)
    : TemplateDialog(AboutDialogTemplate(), parent) {
    QString line = QStringLiteral("mp3infp ver.%1.%2 / Qt %3")
                       .arg(tagLibraryVersion >> 8, 0, 16)
                       .arg(tagLibraryVersion & 0xFF, 2, 16, QLatin1Char('0'))
                       .arg(QString::fromLatin1(qVersion()));
    auto* label = qobject_cast<QLabel*>(Item(kIdcSecondLine));
    label->setText(line);
    label->setAccessibleName(line);
}

}  // namespace tunvex
