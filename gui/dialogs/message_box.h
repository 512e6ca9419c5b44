// The message sink of the window: a modal warning box with one OK button, captioned with the
// executable's base name and owned by the active window. On Qt's offscreen platform, where no
// one could close a box, the message goes to stderr instead.
#pragma once

#include <QMessageBox>
#include <QString>

#include "core/base/text.h"

namespace tunvex {

void InstallWindowMessageSink(CodePage codePage);

// The caption of every box of the program: the executable's base name.
QString ProgramCaption(CodePage codePage);

// Text for a box's rich-text part that is always shown as it is, never taken for markup (names
// may hold "<"), its line breaks and indents kept.
QString ShownAsText(const QString& text);

// Widens box so that each line of its informative text stays on one line, as far as its screen
// allows: Qt wraps at a fixed width, which breaks Japanese anywhere.
void KeepLinesWhole(QMessageBox& box, const QString& informative);

}  // namespace tunvex
