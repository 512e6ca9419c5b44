#include "core/system/settings_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tunvex {
namespace {

bool IsWritableFolder(const std::string& folder) {
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && access(folder.c_str(), W_OK) == 0;
}

std::string AbsoluteEnvironmentPath(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? value : "";
}

std::string ConfigHome() {
    std::string configHome = AbsoluteEnvironmentPath("XDG_CONFIG_HOME");
    if (!configHome.empty())
        return configHome;
    std::string home = AbsoluteEnvironmentPath("HOME");
    return home.empty() ? home : home + "/.config";
}

}  // namespace

std::string SettingsFilePath(const std::string& programFolder, const std::string& fileName) {
    const std::string beside = programFolder + "/" + fileName;
    if (IsWritableFolder(programFolder))
        return beside;
    const std::string configHome = ConfigHome();
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
