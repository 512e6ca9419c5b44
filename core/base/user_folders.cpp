#include "core/base/user_folders.h"

#include <cstdlib>
#include <fstream>

#include "core/base/text.h"

namespace tunvex {
namespace {

// The XDG_DESKTOP_DIR line of user-dirs.dirs: XDG_DESKTOP_DIR="$HOME/Desk top"
std::string DesktopFromUserDirs(const std::string& home) {
    std::ifstream in(XdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::string line;
    const std::string prefix = "XDG_DESKTOP_DIR=";
    while (std::getline(in, line)) {
        TrimWhiteSpace(CodePage::SingleByte, line);
        if (line.rfind(prefix, 0) != 0)
            continue;
        std::string value = line.substr(prefix.size());
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            return {};
        value = value.substr(1, value.size() - 2);
        if (value == "$HOME" || value.starts_with("$HOME/"))
            value.replace(0, 5, home);
        return value.empty() || value.front() != '/' ? std::string() : value;
    }
    return {};
}

}  // namespace

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? home : "";
}

std::string XdgFolder(const char* variable, const char* underHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/')
        return value;
    std::string home = HomeFolder();
    return home.empty() ? "" : home + "/" + underHome;
}

std::string DesktopFolder() {
    std::string home = HomeFolder();
    if (home.empty())
        return {};
    std::string desktop = DesktopFromUserDirs(home);
    return desktop.empty() ? home + (home.back() == '/' ? "" : "/") + "Desktop" : desktop;
}

}  // namespace tunvex
