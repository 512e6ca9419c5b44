#include "gui/dialogs/extra_settings_dialog.h"

#include <QLabel>

#include <optional>
#include <string>

#include "core/base/catalogue.h"
#include "core/base/messages.h"
#include "core/settings/pattern_rules.h"
#include "gui/base/qt_text.h"
#include "gui/dialogs/extra_settings_dialog_template.h"
#include "gui/dialogs/help_key.h"

namespace tunvex {

CExtraSettingsDlg::CExtraSettingsDlg(Settings& settings, QWidget* parent, CodePage codePage)
    : TemplateDialog(ExtraSettingsDialogTemplate(), parent),
      settings_(settings),
      codePage_(codePage) {
    SetHelpTopic(this, "advanced.html");
    QLineEdit* patterns = Edit(kIdcExtraPatterns);
    // Its own label names it, not its group, and the hint below it tells how to write it.
    patterns->setAccessibleName(Item(kIdcExtraPatternsLabel)->accessibleName());
    patterns->setAccessibleDescription(qobject_cast<QLabel*>(Item(kIdcExtraPatternsHint))->text());
    Button(kIdcCarryExtras)->setChecked(settings.CarryExtraFiles == 1);
    Button(kIdcRemoveEmptied)->setChecked(settings.RemoveEmptiedFolders == 1);
    Button(kIdcUseAlbumArtist)->setChecked(settings.UseAlbumArtist == 1);
    Button(kIdcPreviewBeforeSort)->setChecked(settings.PreviewBeforeSort == 1);
    patterns->setText(ToQString(codePage, settings.ExtraFilePatterns));
    patterns->setCursorPosition(0);
    // The patterns matter only while extras are carried.
    patterns->setEnabled(settings.CarryExtraFiles == 1);
    connect(Button(kIdcCarryExtras), &QAbstractButton::toggled, patterns, &QWidget::setEnabled);
}

// As the settings dialog checks its patterns: the first failure is shown and the dialog stays
// open, the record unchanged. The patterns are stored whatever the check box says, so a line
// break is refused either way; patterns the code page cannot hold keep the stored ones.
void CExtraSettingsDlg::accept() {
    const QString text = Edit(kIdcExtraPatterns)->text().trimmed();
    std::optional<std::string> patterns = text == ToQString(codePage_, settings_.ExtraFilePatterns)
                                              ? settings_.ExtraFilePatterns
                                              : FromQString(codePage_, text);
    const bool carry = IsChecked(kIdcCarryExtras);
    if (patterns && HasLineBreak(*patterns)) {
        ShowMessage(kMsgLineBreakInExtraPatterns);
        return;
    }
    if (patterns && carry && !AreValidExtraPatterns(codePage_, *patterns)) {
        ShowMessage(kMsgBadExtraPatterns);
        return;
    }
    settings_.CarryExtraFiles = carry ? 1 : 0;
    settings_.RemoveEmptiedFolders = IsChecked(kIdcRemoveEmptied) ? 1 : 0;
    settings_.UseAlbumArtist = IsChecked(kIdcUseAlbumArtist) ? 1 : 0;
    settings_.PreviewBeforeSort = IsChecked(kIdcPreviewBeforeSort) ? 1 : 0;
    if (patterns)
        settings_.ExtraFilePatterns = *patterns;
    QDialog::accept();
}

}  // namespace tunvex
