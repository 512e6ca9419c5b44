// An undo acts only on what its run provably made, whatever its journal says or the disk holds
// now: through the real tunvex-sort, one sorted run meddled with per case.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "core/base/paths.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/support/mount_namespace.h"
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

void Replace(std::string& text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

class UndoRefusalsTest : public ::testing::Test {
  public:
    // Copies one song over an older file (which goes to the trash), or moves it out of in/a.
    void SortOne(bool move) {
        for (const std::string& folder : {out.path(), in.path(), home.path()}) {
            for (const auto& entry : fs::directory_iterator(folder))
                fs::remove_all(entry.path());
        }
        WriteFile(ini,
                  "[TunvexOption]\nBaseFolderPath=" + out.path() +
                      "\nFolderNamingMode=2\nFileNamingMode=3\nCopyMode=" + (move ? "1" : "0"));
        fs::create_directories(in / "a");
        fixtures::WriteMp3(song, std::nullopt, fixtures::TagValues{"One", "Artist", "Album", "1"});
        if (!move)
            WriteFile(placed, "older");
        ASSERT_EQ(Run({"--yes", song}).exitStatus, 0);
        journal = fs::directory_iterator(home / ".local/state/tunvex")->path();
    }
    ProcessResult Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-s", "KILL", "60", program, "--settings", ini});
        return RunProcess("/usr/bin/timeout", arguments,
                          {"HOME=" + home.path(), "XDG_DATA_HOME=" + (home / "data"),
                           "XDG_STATE_HOME=", "LANG=C.UTF-8"});
    }

    std::string program = ExecutableDirectory() + "/tunvex-sort";
    TempFolder in;
    TempFolder out;
    TempFolder home;
    TempFolder settings;
    std::string ini = settings / "tunvex.ini";
    std::string song = in / "a/one.mp3";
    std::string placed = out / "Artist/Album/01.One.mp3";
    std::string trashed = home / "data/Trash/files/01.One.mp3";
    std::string journal;
};

TEST_F(UndoRefusalsTest, AJournalOrADiskMeddledWithSinceTheRunIsRefusedOrLeftAlone) {
    struct Case {
        const char* name;
        bool move;
        std::function<void(UndoRefusalsTest&)> meddle;
        int exitStatus;
        const char* said;
        std::function<void(UndoRefusalsTest&)> check;
    };
    auto edit = [](UndoRefusalsTest& t, const std::function<void(std::string&)>& change) {
        std::string text = ReadFile(t.journal);
        change(text);
        WriteFile(t.journal, text);
    };
    const Case cases[] = {
        {"the trash emptied, then another file trashed under the name", false,
         [](UndoRefusalsTest& t) {
             fs::remove(t.trashed);
             WriteFile(t.trashed, "someone else's");
         },
         1, "it is not the file the run replaced",
         [](UndoRefusalsTest& t) {
             EXPECT_EQ(ReadFile(t.trashed), "someone else's");
             EXPECT_TRUE(fs::exists(t.home / "data/Trash/info/01.One.mp3.trashinfo"));
         }},
        {"a trashed record pointed at a file outside the trash", false,
         [&](UndoRefusalsTest& t) {
             std::string victim = t.home / "victim.mp3";
             WriteFile(victim, "mine");
             edit(t, [&](std::string& text) {
                 Replace(text, "\t" + t.trashed + "\t", "\t" + victim + "\t");
             });
         },
         1, "it is not in the trash",
         [](UndoRefusalsTest& t) { EXPECT_EQ(ReadFile(t.home / "victim.mp3"), "mine"); }},
        {"folder records the run did not write, one without identity", false,
         [&](UndoRefusalsTest& t) {
             fs::create_directories(t.home / "empty");
             fs::create_directories(t.home / "other");
             edit(t, [&](std::string& text) {
                 Replace(text, "\nend\t",
                         "\nfolder\t" + t.home / "empty" + "\nfolder\t" + t.home / "other" +
                             "\t1:1\nend\t");
             });
         },
         1, "not the folder the run made",
         [](UndoRefusalsTest& t) {
             EXPECT_TRUE(fs::exists(t.home / "empty"));
             EXPECT_TRUE(fs::exists(t.home / "other"));
         }},
        {"a damaged line and relative or dotted paths in the middle", false,
         [&](UndoRefusalsTest& t) {
             edit(t, [&](std::string& text) {
                 Replace(text, "\nfile\t",
                         "\ngarbage\nfolder\trelative/x\t1:2\nfolder\t" + t.out.path() +
                             "/../x\t1:2\nfile\t");
             });
         },
         1, ".journal:2: a damaged record",
         [](UndoRefusalsTest& t) {
             // The sound records are still undone, and the run is not taken for undone.
             EXPECT_EQ(ReadFile(t.placed), "older");
             EXPECT_THAT(ReadFile(t.journal), HasSubstr("\ngarbage\n"));
             EXPECT_THAT(t.Run({"--list-runs"}).out, HasSubstr("\tpartly undone\n"));
         }},
        {"a journal others may write to", false,
         [](UndoRefusalsTest& t) { chmod(t.journal.c_str(), 0666); }, 2, "others may write to it",
         [](UndoRefusalsTest& t) { EXPECT_NE(ReadFile(t.placed), "older"); }},
        {"the emptied source folder swapped for a link", true,
         [](UndoRefusalsTest& t) {
             fs::create_directories(t.home / "elsewhere");
             fs::remove(t.in / "a");
             fs::create_directory_symlink(t.home / "elsewhere", t.in / "a");
         },
         1, "a link stands on its path now",
         [](UndoRefusalsTest& t) {
             EXPECT_TRUE(fs::is_empty(t.home / "elsewhere"));
             EXPECT_TRUE(fs::exists(t.placed));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SortOne(c.move);
        c.meddle(*this);
        ProcessResult undo = Run({"--undo", journal});
        EXPECT_EQ(undo.exitStatus, c.exitStatus) << undo.err;
        EXPECT_THAT(undo.err, HasSubstr(c.said));
        c.check(*this);
    }
}

TEST_F(UndoRefusalsTest, OnlyARegularFileIsReadAndAHugeOneCostsTimeNotMemory) {
    SortOne(false);
    std::string pipe = home / "pipe.journal";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_THAT(Run({"--undo", pipe}).err, HasSubstr("not a regular file"));
    ProcessResult settingsPipe = RunProcess(
        "/usr/bin/timeout", {"-s", "KILL", "60", program, "--settings", pipe, "--dry-run", song});
    EXPECT_EQ(settingsPipe.exitStatus, 2) << settingsPipe.err;
    fs::rename(pipe, fs::path(journal).parent_path() / "zzz.journal");
    EXPECT_EQ(Run({"--list-runs"}).exitStatus, 0);
    EXPECT_EQ(Run({"--undo", "--dry-run"}).exitStatus, 0);

    // A header, then a hole: read as a stream, under a bound the whole file would break.
    std::string sparse = home / "sparse.journal";
    WriteFile(sparse, "tunvex-journal\t2\tcopy\t1\n");
    fs::resize_file(sparse, std::uintmax_t{1} << 30);
    chmod(sparse.c_str(), 0600);
#ifdef __SANITIZE_ADDRESS__
    // The bound leaves AddressSanitizer no room for its shadow memory: the checked build reads
    // it unbounded.
    ProcessResult bounded = RunProcess(program, {"--undo", "--dry-run", sparse});
#else
    ProcessResult bounded =
        RunProcess("/usr/bin/prlimit", {"--as=400000000", program, "--undo", "--dry-run", sparse});
#endif
    EXPECT_EQ(bounded.exitStatus, 0) << bounded.err;

    // A stop signal ends the reading of an endless one.
    fs::resize_file(sparse, std::uintmax_t{1} << 42);
    testing::BackgroundProcess reading(program, {"--undo", sparse});
    usleep(300000);
    kill(reading.pid(), SIGTERM);
    ProcessResult stopped = reading.Wait();
    EXPECT_EQ(stopped.exitStatus, 1) << stopped.err;
    EXPECT_THAT(stopped.err, HasSubstr("cancelled"));
}

// While the disk a move took its files from is unmounted, its bare mount point is another folder:
// nothing goes back there, and no folder is made there. With the disk back, the undo is whole.
TEST_F(UndoRefusalsTest, NothingGoesBackOntoTheBareMountPointOfAnUnmountedSourceDisk) {
    std::string whyNot = EnterPrivateMountNamespace();
    if (!whyNot.empty())
        GTEST_SKIP() << whyNot;
    std::string disk = in / "disk";
    std::string aside = home / "aside";
    fs::create_directories(disk);
    fs::create_directories(aside);
    ASSERT_EQ(mount("tmpfs", disk.c_str(), "tmpfs", 0, nullptr), 0) << std::strerror(errno);
    WriteFile(ini,
              "[TunvexOption]\nBaseFolderPath=" + out.path() +
                  "\nFolderNamingMode=2\nFileNamingMode=3\nCopyMode=1\nRemoveEmptiedFolders=1");
    std::string source = disk + "/Album/one.mp3";
    fs::create_directories(disk + "/Album");
    fixtures::WriteMp3(source, std::nullopt, fixtures::TagValues{"One", "Artist", "Album", "1"});
    ASSERT_EQ(Run({"--yes", disk + "/Album"}).exitStatus, 0);
    ASSERT_FALSE(fs::exists(disk + "/Album"));
    ASSERT_EQ(mount(disk.c_str(), aside.c_str(), nullptr, MS_BIND, nullptr), 0);
    ASSERT_EQ(umount(disk.c_str()), 0);

    ProcessResult unmounted = Run({"--undo"});
    EXPECT_EQ(unmounted.exitStatus, 1);
    EXPECT_THAT(unmounted.err, HasSubstr("is not on the disk its folder was on"));
    EXPECT_TRUE(fs::is_empty(disk));
    EXPECT_TRUE(fs::exists(placed));

    ASSERT_EQ(mount(aside.c_str(), disk.c_str(), nullptr, MS_BIND, nullptr), 0);
    ProcessResult back = Run({"--undo"});
    EXPECT_EQ(back.exitStatus, 0) << back.err;
    EXPECT_TRUE(fs::exists(source));
    EXPECT_FALSE(fs::exists(placed));
    umount(disk.c_str());
    umount(aside.c_str());
}

TEST_F(UndoRefusalsTest, ABaseFolderHoldingANulByteGivesNoDestination) {
    SortOne(false);
    WriteFile(ini, "[TunvexOption]\nBaseFolderPath=" + out.path() + "/cut" + std::string(1, '\0') +
                       "rest\n");
    ProcessResult result = Run({song});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.err, HasSubstr("NUL byte"));
    EXPECT_FALSE(fs::exists(out / "cut"));
}

}  // namespace
}  // namespace tunvex
