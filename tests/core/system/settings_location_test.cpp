#include "core/system/settings_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using testing::TempFolder;

// Sets or (nullptr) clears an environment variable for one scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnvironment() { old_.empty() ? unsetenv(name_) : setenv(name_, old_.c_str(), 1); }

  private:
    const char* name_;
    std::string old_;
};

TEST(SettingsFilePathTest, BesideAWritableProgramFolderElseUnderTheConfigHome) {
    TempFolder temp;
    const std::string program = temp / "program";
    const std::string config = temp / "config";
    const std::string home = temp / "home";
    ASSERT_EQ(mkdir(program.c_str(), 0755), 0);
    struct Case {
        mode_t programMode;
        const char* configHome;
        const char* home;
        std::string expected;
    };
    const Case cases[] = {
        {0755, config.c_str(), home.c_str(), program + "/tunvex.ini"},
        {0555, config.c_str(), home.c_str(), config + "/tunvex/tunvex.ini"},
        {0555, nullptr, home.c_str(), home + "/.config/tunvex/tunvex.ini"},
        {0555, "relative/config", home.c_str(), home + "/.config/tunvex/tunvex.ini"},
        {0555, nullptr, nullptr, program + "/tunvex.ini"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(chmod(program.c_str(), c.programMode), 0);
        ScopedEnvironment configHome("XDG_CONFIG_HOME", c.configHome);
        ScopedEnvironment homeVariable("HOME", c.home);
        EXPECT_EQ(SettingsFilePath(program, "tunvex.ini"), c.expected)
            << std::oct << c.programMode << " " << (c.configHome ? c.configHome : "-");
    }
    chmod(program.c_str(), 0755);
}

TEST(SettingsFilePathTest, SettingsFolderIsCreatedForTheUserAlone) {
    TempFolder temp;
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
