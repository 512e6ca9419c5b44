// The user's home and the XDG base folders beneath it.
#pragma once

#include <string>

namespace tunvex {

// $HOME when it is absolute, else the home folder of the user's account; empty when neither
// can be found.
std::string HomeFolder();

// $variable when it is absolute (XDG_DATA_HOME, say), else underHome inside the home folder
// (".local/share"); empty when there is no home folder.
std::string XdgFolder(const char* variable, const char* underHome);

}  // namespace tunvex
