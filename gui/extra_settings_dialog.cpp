#include "gui/extra_settings_dialog.h"

#include <optional>
#include <string>

#include "gui/base/qt_text.h"
#include "gui/extra_settings_dialog_template.h"

namespace tunvex {

CExtraSettingsDlg::CExtraSettingsDlg(Settings& settings, QWidget* parent, CodePage codePage)
    : TemplateDialog(ExtraSettingsDialogTemplate(), parent),
      settings_(settings),
      codePage_(codePage) {
    Button(kIdcCarryExtras)->setChecked(settings.CarryExtraFiles == 1);
    Button(kIdcRemoveEmptied)->setChecked(settings.RemoveEmptiedFolders == 1);
    Edit(kIdcExtraPatterns)->setText(ToQString(codePage, settings.ExtraFilePatterns));
    Edit(kIdcExtraPatterns)->setCursorPosition(0);
    // The patterns matter only while extras are carried.
    Edit(kIdcExtraPatterns)->setEnabled(settings.CarryExtraFiles == 1);
    connect(Button(kIdcCarryExtras), &QAbstractButton::toggled, Edit(kIdcExtraPatterns),
            &QWidget::setEnabled);
}

// Patterns the code page cannot hold keep the stored ones.
void CExtraSettingsDlg::accept() {
    settings_.CarryExtraFiles = IsChecked(kIdcCarryExtras) ? 1 : 0;
    settings_.RemoveEmptiedFolders = IsChecked(kIdcRemoveEmptied) ? 1 : 0;
    QString patterns = Edit(kIdcExtraPatterns)->text().trimmed();
    if (patterns != ToQString(codePage_, settings_.ExtraFilePatterns)) {
        if (std::optional<std::string> stored = FromQString(codePage_, patterns))
            settings_.ExtraFilePatterns = *stored;
    }
    QDialog::accept();
}

}  // namespace tunvex
