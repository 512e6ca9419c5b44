// The template of the "詳細設定" dialog, in the style of the settings dialog's, and the ids of its
// controls.
#pragma once

#include "gui/dialogs/dialog_template.h"

namespace tunvex {

enum ExtraSettingsControlId : int {
    kIdcCarryExtras = 1101,
    kIdcExtraPatterns = 1102,
    kIdcRemoveEmptied = 1103,
    kIdcExtraPatternsLabel = 1104,
    kIdcExtraPatternsHint = 1105,
    kIdcUseAlbumArtist = 1106,
    kIdcPreviewBeforeSort = 1107,
};

const DialogTemplate& ExtraSettingsDialogTemplate();

}  // namespace tunvex
