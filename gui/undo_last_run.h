// The window's undo of the newest run that can still be undone: asked first, naming the run; then
// the undo tunvex-sort --undo does, on a thread of its own under the progress dialog; then a box
// of what was put back and what was left alone, and why.
#pragma once

#include <functional>

#include "core/base/text.h"

class QWidget;

namespace tunvex {

bool HasRunToUndo();

// stopRequested: a stop that comes from outside; called from the undo's thread too.
void UndoLastRun(QWidget* owner, CodePage codePage, const std::function<bool()>& stopRequested);

}  // namespace tunvex
