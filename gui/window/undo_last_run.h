// The window's undo of a recent run that can still be undone: asked first, naming the run; then
// the undo tunvex-sort --undo does, on a thread of its own under the progress dialog; then a box
// of what was put back and what was left alone, and why.
#pragma once

#include <cstddef>
#include <functional>

#include "core/base/text.h"

class QWidget;

namespace tunvex {

// Which runs the menu offers: the newest that can still be undone, and the one before it, which
// a run that cannot be undone whole would otherwise hide. A run still going, or being undone by
// another program, is not offered.
struct RunsOffered {
    bool last = false;
    bool before = false;
};
RunsOffered RunsToOffer();

// age: 0 for the newest run that can still be undone, 1 for the one before it.
// stopRequested: a stop that comes from outside; called from the undo's thread too.
void UndoRecentRun(QWidget* owner, CodePage codePage, std::size_t age,
                   const std::function<bool()>& stopRequested);

}  // namespace tunvex
