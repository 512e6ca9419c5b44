#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "app/messages.h"
#include "platform/paths.h"
#include "ui/qt_text.h"

namespace tunvex {

void InstallWindowMessageSink(CodePage codePage) {
    SetMessageSink([codePage](unsigned, const std::string& text) {
        QMessageBox box(QMessageBox::Warning, ToQString(codePage, ExecutableBaseName()),
                        ToQString(codePage, text), QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    });
}

}  // namespace tunvex
