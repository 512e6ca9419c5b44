#include "core/base/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace tunvex {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    const struct passwd* user = getpwuid(getuid());
    return user != nullptr && user->pw_dir != nullptr ? user->pw_dir : "";
}

std::string XdgFolder(const char* variable, const char* underHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/')
        return value;
    std::string home = HomeFolder();
    return home.empty() ? "" : home + "/" + underHome;
}

}  // namespace tunvex
