#include "gui/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include <iostream>

#include "core/base/messages.h"
#include "core/base/paths.h"
#include "gui/base/qt_text.h"

namespace tunvex {

QString ProgramCaption(CodePage codePage) {
    return ToQString(codePage, ExecutableBaseName());
}

QString ShownAsText(const QString& text) {
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped());
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
