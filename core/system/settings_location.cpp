#include "core/system/settings_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "core/base/user_folders.h"

namespace tunvex {
namespace {

bool IsWritableFolder(const std::string& folder) {
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && access(folder.c_str(), W_OK) == 0;
}

}  // namespace

std::string SettingsFilePath(const std::string& programFolder, const std::string& fileName) {
    std::string beside = programFolder + "/" + fileName;
    if (IsWritableFolder(programFolder))
        return beside;
    const std::string configHome = XdgFolder("XDG_CONFIG_HOME", ".config");
    return configHome.empty() ? beside : configHome + "/tunvex/" + fileName;
}

bool CreateSettingsFolder(const std::string& iniPath) {
    const std::filesystem::path folder = std::filesystem::path(iniPath).parent_path();
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return true;
    const mode_t previous = umask(077);
    std::filesystem::create_directories(folder, error);
    umask(previous);
    return std::filesystem::is_directory(folder, error);
}

}  // namespace tunvex
