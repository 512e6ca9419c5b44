#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "app/messages.h"
#include "platform/paths.h"
#include "ui/qt_text.h"

namespace tunvex {

QString ProgramCaption(CodePage codePage) {
    return ToQString(codePage, ExecutableBaseName());
}

void InstallWindowMessageSink(CodePage codePage) {
    SetMessageSink([codePage](unsigned, const std::string& text) {
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            PrintProgramMessage(text);
            return;
        }
        QMessageBox box(QMessageBox::Warning, ProgramCaption(codePage), ToQString(codePage, text),
                        QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    });
}

}  // namespace tunvex
