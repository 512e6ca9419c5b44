// The version box: the program's icon, its version line, and a line that says which tag library
// and toolkit it runs on.
#pragma once

#include "gui/dialogs/template_dialog.h"

namespace tunvex {

class CAboutDlg : public TemplateDialog {
  public:
    // tagLibraryVersion: what the bound library reports (0x255 reads "2.55").
    explicit CAboutDlg(unsigned tagLibraryVersion, QWidget* parent = nullptr);
};

}  // namespace tunvex
