#include "gui/dialogs/message_box.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>
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

void KeepLinesWhole(QMessageBox& box, const QString& informative) {
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    if (label == nullptr)
        return;
    int widest = 0;
    for (const QString& line : informative.split('\n'))
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
    const QScreen* screen = box.screen();
    const int room = screen != nullptr ? screen->availableGeometry().width() * 3 / 4 : widest;
    label->setMinimumWidth(std::min(widest + label->fontMetrics().averageCharWidth(), room));
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
