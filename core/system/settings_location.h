// Where the program keeps its INI file: beside the executable when that folder can be written
// (a portable copy), else under $XDG_CONFIG_HOME/tunvex/ (an installed program), much as
// Windows redirects writes under Program Files.
#pragma once

#include <string>

namespace tunvex {

// programFolder/fileName when programFolder is writable; a folder without write permission bits
// counts as read-only, for root too. Otherwise $XDG_CONFIG_HOME/tunvex/fileName, with
// $HOME/.config when XDG_CONFIG_HOME is not an absolute path; programFolder/fileName again when
// there is no home either (a save there then fails and says so).
std::string SettingsFilePath(const std::string& programFolder, const std::string& fileName);

// Creates the folder that iniPath lies in, with its parents, for the user alone. False when it
// is missing afterwards.
bool CreateSettingsFolder(const std::string& iniPath);

}  // namespace tunvex
