#include "settings/settings.h"

#include <cstdlib>
#include <fstream>
#include <functional>

#include "app/catalogue.h"
#include "app/messages.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace tunvex {
namespace {

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The XDG_DESKTOP_DIR line of user-dirs.dirs: XDG_DESKTOP_DIR="$HOME/Desk top"
std::string DesktopFromUserDirs(const std::string& home) {
    std::string configHome = EnvironmentValue("XDG_CONFIG_HOME");
    if (configHome.empty() || configHome.front() != '/')
        configHome = home + "/.config";
    std::ifstream in(configHome + "/user-dirs.dirs");
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
        if (value.rfind("$HOME", 0) == 0)
            value.replace(0, 5, home);
        return value.empty() || value.front() != '/' ? std::string() : value;
    }
    return {};
}

// Each field is assigned as soon as it is read, so a failure leaves the later ones untouched.
bool LoadKey(unsigned keyId, const std::function<void(const std::string&)>& read) {
    std::string key;
    if (!LoadCatalogueString(keyId, key)) {
        ShowMessage(kMsgStringResourceMissing);
        return false;
    }
    read(key);
    return true;
}

}  // namespace

bool GetDesktopFolderPath(std::string& path) {
    std::string home = EnvironmentValue("HOME");
    if (home.empty() || home.front() != '/')
        return false;
    path = DesktopFromUserDirs(home);
    if (path.empty())
        path = home + (home.back() == '/' ? "" : "/") + "Desktop";
    return true;
}

bool LoadSettings(Settings& settings, const std::string& iniPath) {
    std::string section;
    if (!LoadCatalogueString(kIniSection, section)) {
        ShowMessage(kMsgStringResourceMissing);
        return false;
    }
    std::string desktop;
    if (!GetDesktopFolderPath(desktop)) {
        ShowMessage(kMsgDesktopPathUnknown);
        return false;
    }
    auto text = [&](unsigned keyId, const std::string& fallback, std::string& field) {
        return LoadKey(keyId, [&](const std::string& key) {
            field = ReadProfileString(iniPath, section, key, fallback);
        });
    };
    auto integer = [&](unsigned keyId, int fallback, int& field) {
        return LoadKey(keyId, [&](const std::string& key) {
            field = ReadProfileInt(iniPath, section, key, fallback);
        });
    };
    auto pattern = [&](unsigned patternId, unsigned keyId, std::string& field) {
        std::string fallback;
        if (!LoadCatalogueString(patternId, fallback)) {
            ShowMessage(kMsgStringResourceMissing);
            return false;
        }
        return text(keyId, fallback, field);
    };
    return text(kKeyBaseFolderPath, desktop, settings.BaseFolderPath) &&
           integer(kKeyCopyMode, 0, settings.CopyMode) &&
           integer(kKeyFolderNamingMode, 0, settings.FolderNamingMode) &&
           pattern(kDefaultFolderPattern, kKeyFolderNamingFormat, settings.FolderNamingFormat) &&
           integer(kKeyFileNamingMode, 0, settings.FileNamingMode) &&
           pattern(kDefaultFilePattern, kKeyFileNamingFormat, settings.FileNamingFormat) &&
           integer(kKeyTagMode, 1, settings.TagMode) &&
           integer(kKeyCollisionMode, 0, settings.CollisionMode) &&
           integer(kKeyWindowPositionX, 0, settings.WindowPositionX) &&
           integer(kKeyWindowPositionY, 0, settings.WindowPositionY);
}

bool SaveSettings(const Settings& settings, const std::string& iniPath) {
    std::string section;
    if (!LoadCatalogueString(kIniSection, section)) {
        ShowMessage(kMsgStringResourceMissing);
        return false;
    }
    auto write = [&](unsigned keyId, const std::string& value) {
        std::string key;
        if (!LoadCatalogueString(keyId, key)) {
            ShowMessage(kMsgStringResourceMissing);
            return false;
        }
        if (!WriteProfileString(iniPath, section, key, value)) {
            ShowMessage(kMsgIniWriteFailed);
            return false;
        }
        return true;
    };
    auto number = [](int value) { return std::to_string(value); };
    return write(kKeyBaseFolderPath, settings.BaseFolderPath) &&
           write(kKeyCopyMode, number(settings.CopyMode)) &&
           write(kKeyFolderNamingMode, number(settings.FolderNamingMode)) &&
           write(kKeyFolderNamingFormat, settings.FolderNamingFormat) &&
           write(kKeyFileNamingMode, number(settings.FileNamingMode)) &&
           write(kKeyFileNamingFormat, settings.FileNamingFormat) &&
           write(kKeyTagMode, number(settings.TagMode)) &&
           write(kKeyCollisionMode, number(settings.CollisionMode)) &&
           write(kKeyWindowPositionX, number(settings.WindowPositionX)) &&
           write(kKeyWindowPositionY, number(settings.WindowPositionY));
}

}  // namespace tunvex
