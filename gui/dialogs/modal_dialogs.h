// What a stop signal does to the dialogs open at that moment.
#pragma once

class QWidget;

namespace tunvex {

// Ends every modal dialog above except, topmost first, as its Cancel or Esc would: the version
// box, the settings dialog storing nothing, a message box, the replace question (answered
// Cancel) and the progress dialog (the transfer is cancelled).
void EndModalDialogs(const QWidget* except = nullptr);

}  // namespace tunvex
