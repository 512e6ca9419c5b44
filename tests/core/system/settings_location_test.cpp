#include "core/system/settings_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using testing::ScopedEnvironment;

TEST(SettingsFilePathTest, BesideAWritableProgramFolderElseUnderTheConfigHome) {
    testing::TempFolder temp;
    const std::string program = temp / "program", config = temp / "config", home = temp / "home";
    ASSERT_EQ(mkdir(program.c_str(), 0755), 0);
    const std::tuple<mode_t, const char*, const char*, std::string> cases[] = {
        {0755, config.c_str(), home.c_str(), program + "/tunvex.ini"},
        {0555, config.c_str(), home.c_str(), config + "/tunvex/tunvex.ini"},
        {0555, nullptr, home.c_str(), home + "/.config/tunvex/tunvex.ini"},
        {0555, "relative/config", home.c_str(), home + "/.config/tunvex/tunvex.ini"},
        {0555, nullptr, nullptr, program + "/tunvex.ini"},
    };
    for (const auto& [programMode, configHome, homeValue, expected] : cases) {
        ASSERT_EQ(chmod(program.c_str(), programMode), 0);
        ScopedEnvironment configVariable("XDG_CONFIG_HOME", configHome);
        ScopedEnvironment homeVariable("HOME", homeValue);
        EXPECT_EQ(SettingsFilePath(program, "tunvex.ini"), expected) << std::oct << programMode;
    }
    chmod(program.c_str(), 0755);
}

TEST(SettingsFilePathTest, SettingsFolderIsCreatedForTheUserAlone) {
    testing::TempFolder temp;
    const std::string ini = temp / "config/tunvex/tunvex.ini";
    ASSERT_TRUE(CreateSettingsFolder(ini));
    struct stat info;
    ASSERT_EQ(stat((temp / "config/tunvex").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(CreateSettingsFolder(ini));
    EXPECT_FALSE(CreateSettingsFolder("/proc/none/tunvex.ini"));
}

}  // namespace
}  // namespace tunvex
