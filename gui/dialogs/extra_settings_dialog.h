// The "詳細設定" dialog, reached from the window's context menu: the opt-in settings that the
// settings dialog's template has no room for (album extras and their patterns, emptied source
// folders). Apply stores all three at once; Cancel, Esc and the close box store nothing.
#pragma once

#include "core/base/text.h"
#include "core/settings/settings.h"
#include "gui/dialogs/template_dialog.h"

namespace tunvex {

class CExtraSettingsDlg : public TemplateDialog {
  public:
    explicit CExtraSettingsDlg(Settings& settings, QWidget* parent = nullptr,
                               CodePage codePage = SystemCodePage());

    void accept() override;

  private:
    Settings& settings_;
    CodePage codePage_;
};

}  // namespace tunvex
