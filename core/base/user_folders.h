// The user's home, the XDG base folders beneath it and the desktop: the one place they are found.
#pragma once

#include <string>
#include <vector>

namespace tunvex {

// $HOME when it is absolute; empty otherwise, and then no folder below it is known either.
std::string HomeFolder();

// $variable when it is absolute (XDG_DATA_HOME, say), else underHome inside the home folder
// (".local/share"); empty when there is no home folder.
std::string XdgFolder(const char* variable, const char* underHome);

// XDG_DESKTOP_DIR of user-dirs.dirs in the config home when it names an absolute folder, else
// Desktop in the home folder; empty when there is no home folder. Never created.
std::string DesktopFolder();

// The home folder and the user folders in it (desktop, downloads, music, ...), both where
// user-dirs.dirs sets them and by their usual names; empty when there is no home folder.
std::vector<std::string> UserFolders();

}  // namespace tunvex
