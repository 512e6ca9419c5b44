#include "core/settings/settings.h"

#include <strings.h>
#include <cstdlib>
#include <vector>

#include "core/base/catalogue.h"
#include "core/base/messages.h"
#include "core/base/text.h"
#include "core/base/user_folders.h"
#include "core/system/profile.h"

namespace tunvex {
namespace {

// The stored entries in the order they are read and written, with their defaults.
struct StoredField {
    unsigned keyId;
    SettingsField<std::string> text;
    SettingsField<int> number;
    int defaultNumber;
    unsigned defaultTextId;  // a text's default in the catalogue; 0: the desktop folder
};
const StoredField kStoredFields[] = {
    {kKeyBaseFolderPath, &Settings::BaseFolderPath, nullptr, 0, 0},
    {kKeyCopyMode, nullptr, &Settings::CopyMode, 0, 0},
    {kKeyFolderNamingMode, nullptr, &Settings::FolderNamingMode, 0, 0},
    {kKeyFolderNamingFormat, &Settings::FolderNamingFormat, nullptr, 0, kDefaultFolderPattern},
    {kKeyFileNamingMode, nullptr, &Settings::FileNamingMode, 0, 0},
    {kKeyFileNamingFormat, &Settings::FileNamingFormat, nullptr, 0, kDefaultFilePattern},
    {kKeyTagMode, nullptr, &Settings::TagMode, 1, 0},
    {kKeyCollisionMode, nullptr, &Settings::CollisionMode, 0, 0},
    {kKeyWindowPositionX, nullptr, &Settings::WindowPositionX, 0, 0},
    {kKeyWindowPositionY, nullptr, &Settings::WindowPositionY, 0, 0},
    {kKeyCarryExtraFiles, nullptr, &Settings::CarryExtraFiles, 0, 0},
    {kKeyExtraFilePatterns, &Settings::ExtraFilePatterns, nullptr, 0, kDefaultExtraFilePatterns},
    {kKeyRemoveEmptiedFolders, nullptr, &Settings::RemoveEmptiedFolders, 0, 0},
    {kKeyUseAlbumArtist, nullptr, &Settings::UseAlbumArtist, 0, 0},
    {kKeyCompilationArtist, &Settings::CompilationArtist, nullptr, 0, kDefaultCompilationArtist},
    {kKeyPreviewBeforeSort, nullptr, &Settings::PreviewBeforeSort, 0, 0},
    {kKeyPreviewWidth, nullptr, &Settings::PreviewWidth, 0, 0},
    {kKeyPreviewHeight, nullptr, &Settings::PreviewHeight, 0, 0},
};

}  // namespace

bool LoadSettings(Settings& settings, const std::string& iniPath, const Catalogue& catalogue) {
    std::string section;
    if (!LoadCatalogueString(kIniSection, section, catalogue)) {
        ShowMessage(kMsgStringResourceMissing);
        return false;
    }
    const std::string desktop = DesktopFolder();
    if (desktop.empty()) {
        ShowMessage(kMsgDesktopPathUnknown);
        return false;
    }
    std::optional<ProfileContent> read = ReadProfile(iniPath);
    if (!read) {
        ShowMessage(kMsgIniReadFailed);
        return false;
    }
    // Each field is assigned as soon as it is read, so a failure leaves the later ones untouched.
    for (const StoredField& field : kStoredFields) {
        std::string key;
        std::string fallback = desktop;
        if (!LoadCatalogueString(field.keyId, key, catalogue) ||
            (field.defaultTextId != 0 &&
             !LoadCatalogueString(field.defaultTextId, fallback, catalogue))) {
            ShowMessage(kMsgStringResourceMissing);
            return false;
        }
        if (field.number)
            settings.*field.number = ReadProfileInt(*read, section, key, field.defaultNumber);
        else
            settings.*field.text = ReadProfileString(*read, section, key, fallback);
    }
    return true;
}

// Every key and value is gathered before the file is touched, and the file is replaced once:
// a failed save leaves the previous settings whole.
bool SaveSettings(const Settings& settings, const std::string& iniPath,
                  const Catalogue& catalogue) {
    std::string section;
    if (!LoadCatalogueString(kIniSection, section, catalogue)) {
        ShowMessage(kMsgStringResourceMissing);
        return false;
    }
    std::vector<ProfileEntry> entries;
    for (const StoredField& field : kStoredFields) {
        std::string key;
        if (!LoadCatalogueString(field.keyId, key, catalogue)) {
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
