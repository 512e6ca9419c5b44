#include "gui/dialogs/single_line_edit.h"

#include <QRegularExpression>

#include <algorithm>

namespace tunvex {

// Every way text comes in (keys, the context menu's paste, a middle click, a drop, an input
// method) arrives as an event; text set by the program does not, and is kept as it is.
bool SingleLineEdit::event(QEvent* event) {
    const QString before = text();
    bool handled = QLineEdit::event(event);
    if (text() != before) {
        int cursor = cursorPosition();
        QString kept = KeepFirstInsertedLine(before, text(), cursor);
        if (kept != text()) {
            setText(kept);
            setCursorPosition(cursor);
        }
    }
    return handled;
}

QString KeepFirstInsertedLine(const QString& before, const QString& after, int& cursor) {
    const qsizetype end = std::clamp<qsizetype>(cursor, 0, after.size());
    const qsizetype kept = after.size() - end;  // what followed the insertion
    qsizetype start = 0;
    while (start < end && start < before.size() - kept && before[start] == after[start])
        ++start;
    const QString inserted = after.mid(start, end - start);
    const qsizetype lineBreak = inserted.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    if (lineBreak < 0)
        return after;
    cursor = static_cast<int>(start + lineBreak);
    return after.left(start) + inserted.left(lineBreak) + after.right(kept);
}

}  // namespace tunvex
