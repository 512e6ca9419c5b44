// The settings dialog: edits the eight sorting fields of the record in memory. Apply checks the
// base folder and the active user patterns and stores all eight at once; Cancel, Esc and the
// close box store nothing.
#pragma once

#include <optional>
#include <string>

#include "core/base/text.h"
#include "core/settings/settings.h"
#include "gui/dialogs/settings_dialog_template.h"
#include "gui/dialogs/template_dialog.h"

namespace tunvex {

class CSettingsDlg : public TemplateDialog {
  public:
    explicit CSettingsDlg(Settings& settings, QWidget* parent = nullptr,
                          CodePage codePage = SystemCodePage());

    void accept() override { OnOK(); }

  private:
    void OnInitDialog();
    std::optional<std::string> EditText(int id, const std::string& shown) const;
    void OnOK();
    void OnBrowse();
    void OnFolderModeFixed() { Edit(kIdcFolderPattern)->setEnabled(false); }
    void OnFolderModeUser() { Edit(kIdcFolderPattern)->setEnabled(true); }
    void OnFileModeFixed() { Edit(kIdcFilePattern)->setEnabled(false); }
    void OnFileModeUser() { Edit(kIdcFilePattern)->setEnabled(true); }

    Settings& settings_;
    CodePage codePage_;
};

}  // namespace tunvex
