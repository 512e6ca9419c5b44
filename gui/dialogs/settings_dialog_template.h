// Dialog template 133, the settings dialog, and the ids of its controls.
#pragma once

#include "gui/dialogs/dialog_template.h"

namespace tunvex {

enum SettingsControlId : int {
    kIdcBaseFolder = 1003,
    kIdcBrowse = 1004,
    kIdcFolderPattern = 1005,
    kIdcCopy = 1006,
    kIdcMove = 1007,
    kIdcFolderBase = 1008,
    kIdcFolderArtist = 1009,
    kIdcFolderArtistAlbum = 1010,
    kIdcFolderUser = 1011,
    kIdcFilePattern = 1012,
    kIdcFileOwnName = 1013,
    kIdcFileTitle = 1014,
    kIdcFileArtistTitle = 1015,
    kIdcFileUser = 1016,
    kIdcTagId3v1 = 1017,
    kIdcTagId3v2 = 1018,
    kIdcCollisionAsk = 1020,
    kIdcCollisionRename = 1021,
    kIdcFileTrackTitle = 1022,
};

const DialogTemplate& SettingsDialogTemplate();

}  // namespace tunvex
