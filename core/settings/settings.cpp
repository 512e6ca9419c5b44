#include "core/settings/settings.h"

#include <strings.h>
#include <cstdlib>
#include <functional>
#include <vector>

#include "core/base/catalogue.h"
#include "core/base/messages.h"
#include "core/base/text.h"
#include "core/base/user_folders.h"
#include "core/system/profile.h"

namespace tunvex {
namespace {

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

// The stored entries in the order they are written.
struct StoredField {
    unsigned keyId;
    std::string Settings::*text;
    int Settings::*number;
};
const StoredField kStoredFields[] = {
    {kKeyBaseFolderPath, &Settings::BaseFolderPath, nullptr},
    {kKeyCopyMode, nullptr, &Settings::CopyMode},
    {kKeyFolderNamingMode, nullptr, &Settings::FolderNamingMode},
    {kKeyFolderNamingFormat, &Settings::FolderNamingFormat, nullptr},
    {kKeyFileNamingMode, nullptr, &Settings::FileNamingMode},
    {kKeyFileNamingFormat, &Settings::FileNamingFormat, nullptr},
    {kKeyTagMode, nullptr, &Settings::TagMode},
    {kKeyCollisionMode, nullptr, &Settings::CollisionMode},
    {kKeyWindowPositionX, nullptr, &Settings::WindowPositionX},
    {kKeyWindowPositionY, nullptr, &Settings::WindowPositionY},
};

}  // namespace

bool GetDesktopFolderPath(std::string& path) {
    path = DesktopFolder();
    return !path.empty();
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
    std::optional<ProfileContent> read = ReadProfile(iniPath);
    if (!read) {
        ShowMessage(kMsgIniReadFailed);
        return false;
    }
    const ProfileContent& profile = *read;
    auto text = [&](unsigned keyId, const std::string& fallback, std::string& field) {
        return LoadKey(keyId, [&](const std::string& key) {
            field = ReadProfileString(profile, section, key, fallback);
        });
    };
    auto integer = [&](unsigned keyId, int fallback, int& field) {
        return LoadKey(keyId, [&](const std::string& key) {
            field = ReadProfileInt(profile, section, key, fallback);
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

// Every key and value is gathered before the file is touched, and the file is replaced once:
// a failed save leaves the previous settings whole.
bool SaveSettings(const Settings& settings, const std::string& iniPath) {
    std::string section;
    if (!LoadCatalogueString(kIniSection, section)) {
        ShowMessage(kMsgStringResourceMissing);
        return false;
    }
    std::vector<ProfileEntry> entries;
    for (const StoredField& field : kStoredFields) {
        std::string key;
        if (!LoadCatalogueString(field.keyId, key)) {
            ShowMessage(kMsgStringResourceMissing);
            return false;
        }
        entries.push_back(
            {key, field.text ? settings.*field.text : std::to_string(settings.*field.number)});
    }
    if (!WriteProfileStrings(iniPath, section, entries)) {
        ShowMessage(kMsgIniWriteFailed);
        return false;
    }
    return true;
}

bool ApplySettingOverride(Settings& settings, const std::string& key, const std::string& value) {
    for (const StoredField& field : kStoredFields) {
        std::string name;
        if (!LoadCatalogueString(field.keyId, name) || strcasecmp(name.c_str(), key.c_str()) != 0) {
            continue;
        }
        if (field.text) {
            settings.*field.text = ParseProfileString(value);
        } else {
            settings.*field.number = ParseProfileInt(value);
        }
        return true;
    }
    return false;
}

}  // namespace tunvex
