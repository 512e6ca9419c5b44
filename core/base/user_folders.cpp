#include "core/base/user_folders.h"

#include <cstdlib>
#include <fstream>
#include <utility>

#include "core/base/text.h"

namespace tunvex {
namespace {

// The value of the first XDG_..._DIR line of user-dirs.dirs for key, e.g.
// XDG_DESKTOP_DIR="$HOME/Desk top": empty when there is none or it names no absolute folder.
std::string FromUserDirs(const std::string& home, const std::string& key) {
    std::ifstream in(XdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::string line;
    const std::string prefix = key + "=";
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

// The user folders of user-dirs.dirs and the names they have when it does not set them.
constexpr std::pair<const char*, const char*> kUserFolders[] = {
    {"XDG_DESKTOP_DIR", "Desktop"},     {"XDG_DOWNLOAD_DIR", "Downloads"},
    {"XDG_TEMPLATES_DIR", "Templates"}, {"XDG_PUBLICSHARE_DIR", "Public"},
    {"XDG_DOCUMENTS_DIR", "Documents"}, {"XDG_MUSIC_DIR", "Music"},
    {"XDG_PICTURES_DIR", "Pictures"},   {"XDG_VIDEOS_DIR", "Videos"},
};

std::string InHome(const std::string& home, const char* name) {
    return home + (home.back() == '/' ? "" : "/") + name;
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
    std::string desktop = FromUserDirs(home, "XDG_DESKTOP_DIR");
    return desktop.empty() ? InHome(home, "Desktop") : desktop;
}

std::vector<std::string> UserFolders() {
    std::string home = HomeFolder();
    if (home.empty())
        return {};
    std::vector<std::string> folders{home};
    for (const auto& [key, name] : kUserFolders) {
        folders.push_back(InHome(home, name));
        if (std::string set = FromUserDirs(home, key); !set.empty())
            folders.push_back(std::move(set));
    }
    return folders;
}

}  // namespace tunvex
