// The settings record and its storage in the INI file.
#pragma once

#include <string>

#include "core/base/catalogue.h"

namespace tunvex {

struct Settings {
    std::string BaseFolderPath;
    int CopyMode = 0;  // 0 copy, anything else move
    int FolderNamingMode = 0;
    std::string FolderNamingFormat;
    int FileNamingMode = 0;
    std::string FileNamingFormat;
    int TagMode = 0;        // 1: ID3v2, RIFF, ID3v1; anything else: ID3v1, ID3v2, RIFF
    int CollisionMode = 0;  // 1: rename on collision; anything else: ask before replacing
    int WindowPositionX = 0;
    int WindowPositionY = 0;
    // Opt-in additions, written after the ten; 1 turns each on.
    int CarryExtraFiles = 0;        // album extras go with their folder's tracks
    std::string ExtraFilePatterns;  // ';'-separated wildcards naming the extras
    int RemoveEmptiedFolders = 0;   // a move removes the source folders it emptied
    int UseAlbumArtist = 0;         // the folder part names a track's album artist
    std::string CompilationArtist;  // ...or this, for a compilation that names none
    int PreviewBeforeSort = 0;      // a drop lists where each file goes and waits for a yes
    int PreviewWidth = 0;           // the preview window's last size; 0: its own
    int PreviewHeight = 0;
};

// One of the settings, as a table of them names it.
template <typename T>
using SettingsField = T Settings::*;

// Reads every field from the file, the defaults standing in for absent keys; the file is never
// created or changed. On failure it shows its message (613, 615, or 620 for a file that cannot
// be read whole or is larger than any settings file) and returns false; fields read before the
// failure keep their new values. The catalogue names the section and keys and gives the defaults.
bool LoadSettings(Settings& settings, const std::string& iniPath,
                  const Catalogue& catalogue = ProgramCatalogue());

// Writes every field in order in one replacement of the file; on failure one message (613 or
// 614) and the file as it was.
bool SaveSettings(const Settings& settings, const std::string& iniPath,
                  const Catalogue& catalogue = ProgramCatalogue());

// Sets the field stored under key (any letter case) from value as the INI file would read it;
// false for a key that is not stored.
bool ApplySettingOverride(Settings& settings, const std::string& key, const std::string& value);

}  // namespace tunvex
