// tunvex installed: by cmake --install into a scratch prefix and by the Debian package unpacked
// into a scratch root. The programs find their library, help file and settings from there (the
// window finds its settings as tunvex-sort does).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QImageReader>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "gui/help/chm_archive.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using ::testing::HasSubstr;
using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempFolder;
using testing::WriteFile;

namespace fs = std::filesystem;

// The package that a dependency on the library program links, whose name starts with prefix,
// names: the one its holder's symbols (or shlibs) file gives, as dpkg-shlibdeps reads it. The
// names differ between releases (libtag1v5 on Debian 12, libtag2 on 13), so dpkg tells them.
std::string PackageOfLinkedLibrary(const std::string& program, const std::string& prefix) {
    std::istringstream linked(RunProcess("ldd", {program}).out);
    for (std::string line; std::getline(linked, line);) {
        std::istringstream words(line);
        std::string soname, arrow, path;
        words >> soname >> arrow >> path;
        if (!soname.starts_with(prefix))
            continue;
        std::string holder = RunProcess("dpkg-query", {"--search", path}).out;
        if (holder.empty())
            holder = RunProcess("dpkg-query", {"--search", fs::canonical(path)}).out;
        holder = holder.substr(0, holder.find_first_of(":,"));
        // "libtag.so.1 libtag1v5 #MINVER#" in symbols, "libtag 1 libtag1v5 (>= 1.13)" in shlibs.
        const std::string shlibsKey = soname.substr(0, soname.find(".so.")) + " " +
                                      soname.substr(soname.find(".so.") + 4) + " ";
        for (const auto& [file, key] :
             {std::pair{"symbols", soname + " "}, {"shlibs", shlibsKey}}) {
            std::istringstream entries(
                RunProcess("dpkg-query", {"--control-show", holder, file}).out);
            for (std::string entry; std::getline(entries, entry);) {
                if (entry.starts_with(key)) {
                    std::istringstream named(entry.substr(key.size()));
                    std::string package;
                    named >> package;
                    return package;
                }
            }
        }
        return holder;
    }
    return "no dependency for " + prefix + " of " + program;
}

class InstallTest : public ::testing::Test {
  protected:
    InstallTest() {
        fs::create_directories(in / "Album");
        fixtures::WriteMp3(in / "Album/one.mp3", std::nullopt,
                           fixtures::TagValues{"One", "Artist", "Album", "1"});
    }

    // Runs an installed tunvex-sort on its default settings file and expects the song where
    // WriteSettings put it.
    void ExpectSortedBy(const std::string& program, const std::string& configHome) {
        ProcessResult sort = RunProcess(program, {in.path()},
                                        {"HOME=" + temp.path(), "XDG_CONFIG_HOME=" + configHome,
                                         "XDG_DATA_HOME=" + (temp / "data"), "LD_LIBRARY_PATH="});
        EXPECT_EQ(sort.exitStatus, 0) << sort.err;
        EXPECT_TRUE(fs::exists(out / "Artist/Album/01.One.mp3")) << sort.out << sort.err;
    }

    void WriteSettings(const std::string& iniPath) {
        fs::create_directories(fs::path(iniPath).parent_path());
        WriteFile(iniPath, "[TunvexOption]\nBaseFolderPath=" + out.path() +
                               "\nFolderNamingMode=2\nFileNamingMode=3\n");
    }

    ~InstallTest() override { chmod(programs.c_str(), 0755); }

    TempFolder temp;
    TempFolder in;
    TempFolder out;
    std::string prefix = temp / "prefix";
    std::string programs = prefix + "/lib/tunvex";
};

// The program folder read-only, as a system installation is.
TEST_F(InstallTest, AnyPrefixGivesWorkingProgramsAndDesktopIntegration) {
    ProcessResult install = RunProcess(CMAKE_COMMAND, {"--install", BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.exitStatus, 0) << install.err;
    ASSERT_EQ(chmod(programs.c_str(), 0555), 0);
    // The settings come from XDG_CONFIG_HOME.
    WriteSettings(temp / "config/tunvex/tunvex.ini");
    ExpectSortedBy(prefix + "/bin/tunvex-sort", temp / "config");
    EXPECT_FALSE(fs::exists(programs + "/tunvex.ini"));
    EXPECT_TRUE(ChmArchive::Open(programs + "/tunvex.chm"));
    EXPECT_TRUE(fs::is_regular_file(programs + "/tunvex-help"));

    const std::string share = prefix + "/share";
    const std::string desktop = share + "/applications/io.github.tunvex.tunvex.desktop";
    ProcessResult entry = RunProcess("desktop-file-validate", {desktop});
    EXPECT_EQ(entry.exitStatus, 0);
    EXPECT_EQ(entry.out + entry.err, "");
    ProcessResult metadata = RunProcess(
        "appstreamcli",
        {"validate", "--no-net", share + "/metainfo/io.github.tunvex.tunvex.metainfo.xml"});
    // tunvex has no web site to name: appstream 1.0 warns of the missing homepage (0.16 has no
    // such check) and exits 3 for it. Any other warning or error fails.
    std::istringstream report(metadata.out);
    std::string faults;
    for (std::string line; std::getline(report, line);) {
        if ((line.starts_with("E:") || line.starts_with("W:")) &&
            line.find("url-homepage-missing") == std::string::npos)
            faults += line + "\n";
    }
    EXPECT_EQ(faults, "");
    EXPECT_TRUE(metadata.exitStatus == 0 || metadata.exitStatus == 3) << metadata.out;
    for (int size : {16, 32, 48}) {
        const std::string icon = share + "/icons/hicolor/" + std::to_string(size) + "x" +
                                 std::to_string(size) + "/apps/tunvex.png";
        EXPECT_EQ(QImageReader(QString::fromStdString(icon)).size(), QSize(size, size)) << icon;
    }
    EXPECT_THAT(ReadFile(share + "/icons/hicolor/scalable/apps/tunvex.svg"), HasSubstr("<svg"));
    ProcessResult manual = RunProcess(
        "sh", {"-c", "zcat \"$0\" | groff -man -ww -Tutf8", share + "/man/man1/tunvex-sort.1.gz"});
    EXPECT_EQ(manual.err, "");
    EXPECT_THAT(manual.out, HasSubstr("tunvex-sort"));
}

TEST_F(InstallTest, DebianPackageUnpackedIntoAScratchRootSortsFiles) {
    const std::string packages = temp / "packages";
    ProcessResult pack = RunProcess(
        CPACK_COMMAND, {"--config", BUILD_DIR "/CPackConfig.cmake", "-G", "DEB", "-B", packages});
    ASSERT_EQ(pack.exitStatus, 0) << pack.out << pack.err;
    std::string deb;
    for (const auto& entry : fs::directory_iterator(packages)) {
        if (entry.path().extension() == ".deb")
            deb = entry.path();
    }
    ASSERT_FALSE(deb.empty());

    // Found by dpkg-shlibdeps and dpkg, not written by hand, each package once; and the font
    // every label needs.
    const std::string depends = RunProcess("dpkg-deb", {"--field", deb, "Depends"}).out;
    std::vector<std::string> named;
    std::istringstream entries(depends);
    for (std::string entry; std::getline(entries, entry, ',');) {
        std::istringstream words(entry);
        words >> named.emplace_back();
    }
    const std::pair<std::string, std::string> linked[] = {{"tunvex", "libc.so"},
                                                          {"tunvex", "libQt6Widgets.so"},
                                                          {"tunvex", "libQt6Gui.so"},
                                                          {"libmp3infp.so", "libtag.so"},
                                                          {"tunvex-help", "libchm.so"}};
    std::vector<std::string> wanted{"fonts-ipafont-gothic"};
    for (const auto& [program, library] : linked)
        wanted.push_back(PackageOfLinkedLibrary(BUILD_DIR "/bin/" + program, library));
    for (const std::string& package : wanted)
        EXPECT_NE(std::find(named.begin(), named.end(), package), named.end()) << package;
    std::sort(named.begin(), named.end());
    EXPECT_EQ(std::adjacent_find(named.begin(), named.end()), named.end()) << depends;
    // The tag library is private to the programs: no ldconfig scripts.
    EXPECT_NE(RunProcess("dpkg-deb", {"--info", deb, "postinst"}).exitStatus, 0);
    ProcessResult lintian = RunProcess("lintian", {"--fail-on", "error", deb});
    EXPECT_EQ(lintian.exitStatus, 0) << lintian.out << lintian.err;

    const std::string root = temp / "root";
    ProcessResult unpack = RunProcess("dpkg", {"-x", deb, root});
    ASSERT_EQ(unpack.exitStatus, 0) << unpack.err;
    const std::string contents = RunProcess("dpkg-deb", {"--contents", deb}).out;
    for (const char* path :
         {"./usr/bin/tunvex", "./usr/lib/tunvex/tunvex.chm",
          "./usr/share/applications/io.github.tunvex.tunvex.desktop",
          "./usr/share/man/man1/tunvex.1.gz", "./usr/share/man/man1/tunvex-sort.1.gz",
          "./usr/share/doc/tunvex/copyright", "./usr/share/doc/tunvex/changelog.gz"})
        EXPECT_THAT(contents, HasSubstr(path));
    WriteSettings(root + "/usr/lib/tunvex/tunvex.ini");
    ExpectSortedBy(root + "/usr/bin/tunvex-sort", temp / "config");
}

}  // namespace
}  // namespace tunvex
