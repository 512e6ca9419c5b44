// A one-line edit as Windows has it: of text with line breaks that the user pastes, drops or
// types in, only the first line is taken.
#pragma once

#include <QLineEdit>

namespace tunvex {

class SingleLineEdit : public QLineEdit {
  public:
    explicit SingleLineEdit(QWidget* parent) : QLineEdit(parent) {}

  protected:
    bool event(QEvent* event) override;
};

// What an edit that turned before into after, with the cursor at the end of what it inserted,
// leaves: the text around the insertion and the first line of it. cursor moves to the end of
// what is kept.
QString KeepFirstInsertedLine(const QString& before, const QString& after, int& cursor);

}  // namespace tunvex
