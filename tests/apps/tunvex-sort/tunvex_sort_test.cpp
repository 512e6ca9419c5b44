// tunvex-sort through its binary: options, output, exit statuses and the undo's refusals.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
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
#include "tests/support/deep_folder.h"
#include "tests/support/mount_namespace.h"
#include "tests/support/process_matchers.h"
#include "tests/support/run_process.h"
#include "tests/support/songs.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using ::testing::_;
using testing::Exited;
using ::testing::HasSubstr;
using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempFolder;
using testing::WriteFile;

namespace fs = std::filesystem;

class TunvexSortTest : public ::testing::Test {
  public:
    TunvexSortTest() { Settings(""); }
    void Settings(const std::string& lines) {
        WriteFile(ini, "[TunvexOption]\nBaseFolderPath=" + out.path() +
                           "\nFolderNamingMode=2\nFileNamingMode=3\n" + lines);
    }
    // The program with the scene's settings, home and trash, killed should it hang.
    ProcessResult Sort(std::vector<std::string> arguments,
                       std::vector<std::string> environment = {}) {
        arguments.insert(arguments.begin(), {"-s", "KILL", "60", program, "--settings", ini});
        environment.insert(
            environment.begin(),
            {"HOME=" + home.path(), "XDG_DATA_HOME=" + (home / "data"), "XDG_STATE_HOME="});
        return RunProcess("/usr/bin/timeout", arguments, environment);
    }
    std::string Song(const std::string& name, const std::string& title) {
        return testing::WriteSong(in / name, title);
    }
    // A run to undo, alone in a clean scene: song copied over an older file (which goes to the
    // trash), or moved out of in/a.
    void SortOne(bool move) {
        for (const std::string& folder : {out.path(), in.path(), home.path()}) {
            for (const auto& entry : fs::directory_iterator(folder))
                fs::remove_all(entry.path());
        }
        Settings(move ? "CopyMode=1" : "");
        Song("a/one.mp3", "One");
        if (!move)
            WriteFile(placed, "older");
        ASSERT_EQ(Sort({"--yes", song}).exitStatus, 0);
        journal = fs::directory_iterator(home / ".local/state/tunvex")->path();
    }
    void EditJournal(const std::string& from, const std::string& to) {
        std::string text = ReadFile(journal);
        ASSERT_NE(text.find(from), std::string::npos) << from;
        WriteFile(journal, text.replace(text.find(from), from.size(), to));
    }

    std::string program = ExecutableDirectory() + "/tunvex-sort";
    TempFolder in, out, home, settings;
    std::string ini = settings / "tunvex.ini";
    std::string album = out / "Artist/Album/";
    std::string song = in / "a/one.mp3";
    std::string placed = album + "01.One.mp3";
    std::string trashed = home / "data/Trash/files/01.One.mp3", journal;
};

TEST_F(TunvexSortTest, UsageErrorsExitWithTwo) {
    // clang-format off
    const std::vector<std::vector<std::string>> cases = {
        {}, {"--bogus", in.path()}, {"--set", "NoSuchKey=1", in.path()}, {"--settings"},
        {"--set", "CopyMode", in.path()}, {"--dry-run=yes", in.path()}, {in / "no-such-file.mp3"},
        {"--settings", "--dry-run", in.path()}, {"--settings", "/dev/null", in.path()},
        {"--undo", "one.journal", "two.journal"}, {"--undo", "--list-runs"},
        {"--list-runs", in.path()}, {"--preview", "--dry-run", in.path()},
    };
    // clang-format on
    for (const auto& arguments : cases) {
        ProcessResult result = RunProcess(program, arguments);
        EXPECT_EQ(result.exitStatus, 2) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(result.err.empty());
    }
    fs::copy_file(program, home / "tunvex-sort");  // with no tag library beside it
    EXPECT_THAT(RunProcess(home / "tunvex-sort", {"--settings", ini, Song("one.mp3", "One")},
                           {"HOME=" + home.path(), "LD_LIBRARY_PATH="}),
                Exited(2, "", "mp3infp.dll をロードできませんでした\n"));
    EXPECT_EQ(RunProcess(program, {"--help"}).exitStatus, 0);
    EXPECT_THAT(RunProcess(program, {"--version"}).out, HasSubstr("2.2.0"));
}

TEST_F(TunvexSortTest, DryRunAndPreviewPrintThePlanInBatchOrderAndTouchNothing) {
    std::string one = Song("a/one.mp3", "One");
    std::string two = Song("two.mp3", "Two");
    fixtures::WriteTextFile(in / "a/notes.txt", "text");
    EXPECT_THAT(Sort({"--dry-run", "--verbose", in / "a", two, "--set", "filenamingmode=2", "--set",
                      "FILENAMINGMODE=1"}),
                Exited(0, one + "\t" + album + "One.mp3\n" + two + "\t" + album + "Two.mp3\n",
                       HasSubstr(in / "a/notes.txt")));
    EXPECT_TRUE(fs::is_empty(out.path()));
    WriteFile(album + "01.One.mp3", "older");
    EXPECT_THAT(
        Sort({"--preview", in / "a", two, "--set", "CollisionMode=1"}),
        Exited(0,
               "renamed\t" + one + "\t" + album + "01.One (2).mp3\ta file of that name is there\n" +
                   "placed\t" + two + "\t" + album + "01.Two.mp3\n" + "left\t" +
                   in / "a/notes.txt\t\tits tags cannot be read\n",
               HasSubstr("preview: 1 placed, 1 renamed, 1 left where they are; nothing moved")));
    EXPECT_EQ(ReadFile(album + "01.One.mp3"), "older");
    fs::remove_all(out / "Artist");

    // An empty base folder or a folder mode out of range would sort into the working folder.
    for (const char* setting : {"BaseFolderPath=", "FolderNamingMode=4"}) {
        EXPECT_THAT(Sort({"--dry-run", "--set", setting, two}),
                    Exited(1, "", HasSubstr("no destination")));
    }
}

TEST_F(TunvexSortTest, EveryNameIsPrintedEscapedAlikeSoNoTwoPrintTheSame) {
    // clang-format off
    const std::pair<std::string, std::string> names[] = {
        {"line\nbreak\x1B[31m", "line\\x0Abreak\\x1B[31m"},
        {"a\\x09b", "a\\\\x09b"}, {"ok 漢字", "ok 漢字"}, {"bad\xFF" "byte", "bad\\xFFbyte"},
        {"c1\xC2\x85" "end", "c1\\xC2\\x85end"},  // NEL, a C1 control
        {"ls\xE2\x80\xA8" "end", "ls\\xE2\\x80\\xA8end"},  // line separator
    };
    // clang-format on
    for (const auto& [name, printed] : names) {
        std::string odd = Song(name + ".mp3", "Odd");
        EXPECT_EQ(Sort({"--dry-run", odd}).out, in / printed + ".mp3\t" + album + "01.Odd.mp3\n");
    }
    // In a Latin-1 locale 0x9B is a terminal command, 0xE9 a letter.
    const std::string localedef =
        "localedef -c -f ISO-8859-1 -i en_US " + home / "en_US.ISO-8859-1";
    ASSERT_EQ(std::system((localedef + " >/dev/null 2>&1").c_str()), 0);
    std::string latin1 = Song(std::string("caf\xE9\x9B") + "31m.mp3", "Odd");
    EXPECT_EQ(
        Sort({"--dry-run", latin1}, {"LOCPATH=" + home.path(), "LC_ALL=en_US.ISO-8859-1"}).out,
        in / "caf\xE9\\x9B31m.mp3\t" + album + "01.Odd.mp3\n");
    // A reason names a folder too; a failed file exits with one.
    Song("a/one.mp3", "One");
    WriteFile(out / "x", "a file where a folder must go");
    EXPECT_THAT(Sort({song, "--set", "BaseFolderPath=" + out / "x/new\nline"}),
                Exited(1, "", HasSubstr("cannot create the folder " + out / "x/new\\x0Aline")));
}

TEST_F(TunvexSortTest, AnOutputThatCannotBeWrittenExitsWithOne) {
    Song("a/one.mp3", "One");
    for (const char* run : {"--dry-run", "--yes"}) {
        EXPECT_THAT(RunProcess("/bin/sh",
                               {"-c", "exec \"$0\" \"$@\" >/dev/full", program, "--settings", ini,
                                run, song},
                               {"HOME=" + home.path()}),
                    Exited(1, "", HasSubstr("No space left on device")));
    }
}

// The summary counts what was not sorted (a folder past the path limit too) and emptied folders.
TEST_F(TunvexSortTest, TheSummaryCountsWhatWasNotSortedAndVerboseListsIt) {
    Song("d/kept/one.mp3", "One");
    WriteFile(in / "d/kept/notes.txt", "text");
    Song("d/gone/two.mp3", "Two");
    testing::DeepFolder deep(in / "d", kMaxPath + 1);
    close(openat(deep.fd(), "song.mp3", O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    EXPECT_THAT(Sort({"--dry-run", in / "d"}), Exited(0, _, HasSubstr("2 not sorted")));
    ProcessResult result =
        Sort({"--verbose", "--set", "CopyMode=1", "--set", "RemoveEmptiedFolders=1", in / "d"});
    EXPECT_FALSE(fs::exists(in / "d/gone"));
    EXPECT_THAT(result.err, HasSubstr(deep.path()));
    EXPECT_THAT(result, Exited(0, _,
                               HasSubstr("folder kept: " + in / "d/kept: it is not empty\n" +
                                         "folder kept: " + in / "d: it is not empty\n" +
                                         "tunvex-sort: 2 done, 0 renamed, 0 skipped, 0 failed, 2 "
                                         "not sorted, 1 emptied folders removed, 2 emptied "
                                         "folders kept\n")));
}

TEST_F(TunvexSortTest, CopyAndMovePrintWhatReachedItsDestination) {
    std::string one = Song("one.mp3", "One");
    EXPECT_THAT(Sort({one}), Exited(0, one + "\t" + placed + "\n",
                                    HasSubstr("1 done, 0 renamed, 0 skipped, 0 failed")));
    // Sorted again where it is, it is not done again.
    EXPECT_THAT(Sort({album}).err, HasSubstr("0 done, 0 renamed, 0 skipped, 0 failed, 0 not "
                                             "sorted, 1 already in place\n"));

    // A journal that cannot be kept is said, and the files go on, not all done as asked.
    EXPECT_THAT(
        Sort({"--set", "CopyMode=1", "--set", "CollisionMode=1", one}, {"XDG_STATE_HOME=" + ini}),
        Exited(1, one + "\t" + album + "01.One (2).mp3\n",
               HasSubstr("the undo journal is missing or incomplete: cannot create " + ini +
                         "/tunvex: Not a directory")));
    EXPECT_FALSE(fs::exists(one));
}

TEST_F(TunvexSortTest, AFileSwappedForAPipeJustBeforeItIsOpenedNeverHangsTheRun) {
    Song("a/one.mp3", "One");
    std::string pipe = in / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    // 137: the run hung until the timeout killed it.
    EXPECT_THAT(
        Sort({"--dry-run", song}, {"LD_PRELOAD=" + ExecutableDirectory() + "/libswap_on_open.so",
                                   "SWAP_ON_OPEN=" + song, "SWAP_WITH=" + pipe}),
        Exited(0, "", _));
}

TEST_F(TunvexSortTest, ACopySortWithAReplaceIsUndoneWhileAFileEditedSinceStays) {
    std::string one = Song("one.mp3", "One");
    std::string two = Song("two.mp3", "Two");
    std::string three = Song("three.mp3", "Three");
    WriteFile(album + "01.One.mp3", "older");
    // Without a terminal an existing file is skipped unless --yes.
    EXPECT_THAT(Sort({one}), Exited(1, "", _));
    EXPECT_EQ(ReadFile(album + "01.One.mp3"), "older");
    ASSERT_EQ(Sort({"--yes", one, two, three}).exitStatus, 0);
    WriteFile(album + "01.Three.mp3", "edited after the sort");
    EXPECT_THAT(Sort({"--list-runs"}).out,
                ::testing::MatchesRegex("[-.0-9]+\\.journal\t[-: 0-9]+\tcopy\t3 files\tdone\n"));

    std::string trash = home / "data/Trash/files/";
    EXPECT_THAT(
        Sort({"--undo"}),
        Exited(1,
               "trash\t" + album + "01.Two.mp3\t" + trash + "01.Two.mp3\n" + "trash\t" + album +
                   "01.One.mp3\t" + trash + "01.One (2).mp3\n" + "restore\t" + trash +
                   "01.One.mp3\t" + album + "01.One.mp3\n",
               HasSubstr("left alone: " + album + "01.Three.mp3: it changed after the run\n")));
    EXPECT_EQ(ReadFile(album + "01.One.mp3"), "older");
    EXPECT_EQ(ReadFile(album + "01.Three.mp3"), "edited after the sort");
    EXPECT_THAT(Sort({"--list-runs"}).out, HasSubstr("\tpartly undone\n"));
}

// On a terminal Ctrl-C at the question stops cleanly, and replace all answers for the rest too.
TEST_F(TunvexSortTest, OnATerminalTheUserAnswersForEachExistingFile) {
    std::string one = Song("one.mp3", "One");
    std::string two = Song("two.mp3", "Two");
    WriteFile(album + "01.Two.mp3", "older two");
    const auto run = [&](const std::function<std::string(int)>& respond) {
        return testing::RunOnTerminal(program, {"--settings", ini, one, two},
                                      {"HOME=" + home.path(), "XDG_DATA_HOME=" + (home / "data")},
                                      "[s]kip, [c]ancel: ", respond);
    };
    ProcessResult cancelled = run([](int pid) {
        kill(pid, SIGINT);
        return std::string();
    });
    EXPECT_EQ(cancelled.exitStatus, 1) << cancelled.out;
    EXPECT_THAT(cancelled.out, HasSubstr("cancelled"));
    EXPECT_TRUE(ReadFile(album + "01.One.mp3") == ReadFile(one));
    EXPECT_EQ(ReadFile(album + "01.Two.mp3"), "older two");
    for (const auto& entry : fs::directory_iterator(album))
        EXPECT_EQ(entry.path().extension(), ".mp3") << entry.path();
    int asked = 0;
    ProcessResult replaced = run([&](int) {
        ++asked;
        return std::string("a\n");
    });
    EXPECT_EQ(replaced.exitStatus, 0) << replaced.out;
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(ReadFile(album + "01.Two.mp3") == ReadFile(two));
    EXPECT_EQ(ReadFile(home / "data/Trash/files/01.Two.mp3"), "older two");
}

TEST_F(TunvexSortTest, AJournalOrADiskMeddledWithSinceTheRunIsRefusedOrLeftAlone) {
    using Step = std::function<void(TunvexSortTest&)>;
    struct Case {
        const char* name;
        bool move;
        Step meddle;
        int exitStatus;
        const char* said;
        Step check;
    };
    // clang-format off
    const Case cases[] = {
        {"the trash emptied, then another file trashed under the name", false,
         [](auto& t) { fs::remove(t.trashed); WriteFile(t.trashed, "someone else's"); },
         1, "it is not the file the run replaced", [](auto& t) {
             EXPECT_EQ(ReadFile(t.trashed), "someone else's");
             EXPECT_TRUE(fs::exists(t.home / "data/Trash/info/01.One.mp3.trashinfo")); }},
        {"a trashed record pointed at a file outside the trash", false, [](auto& t) {
             WriteFile(t.home / "victim.mp3", "mine");
             t.EditJournal("\t" + t.trashed + "\t", "\t" + t.home / "victim.mp3" + "\t"); },
         1, "it is not in the trash",
         [](auto& t) { EXPECT_EQ(ReadFile(t.home / "victim.mp3"), "mine"); }},
        {"folder records the run did not write, one without identity", false, [](auto& t) {
             fs::create_directories(t.home / "empty");
             fs::create_directories(t.home / "other");
             t.EditJournal("\nend\t", "\nfolder\t" + t.home / "empty" + "\nfolder\t" +
                                          t.home / "other" + "\t1:1\nend\t"); },
         1, "not the folder the run made",
         [](auto& t) { EXPECT_TRUE(fs::exists(t.home / "empty") && fs::exists(t.home / "other"));}},
        // The sound records are still undone, and the run is not taken for undone.
        {"a damaged line and relative or dotted paths in the middle", false, [](auto& t) {
             t.EditJournal("\nfile\t", "\ngarbage\nfolder\trelative/x\t1:2\nfolder\t" +
                                           t.out.path() + "/../x\t1:2\nfile\t"); },
         1, ".journal:2: a damaged record", [](auto& t) {
             EXPECT_EQ(ReadFile(t.placed), "older");
             EXPECT_THAT(ReadFile(t.journal), HasSubstr("\ngarbage\n"));
             EXPECT_THAT(t.Sort({"--list-runs"}).out, HasSubstr("\tpartly undone\n")); }},
        {"a journal others may write to", false, [](auto& t) { chmod(t.journal.c_str(), 0666); },
         2, "others may write to it", [](auto& t) { EXPECT_NE(ReadFile(t.placed), "older"); }},
        {"the emptied source folder swapped for a link", true, [](auto& t) {
             fs::create_directories(t.home / "elsewhere");
             fs::remove(t.in / "a");
             fs::create_directory_symlink(t.home / "elsewhere", t.in / "a"); },
         1, "a link stands on its path now",
         [](auto& t) { EXPECT_TRUE(fs::is_empty(t.home / "elsewhere") && fs::exists(t.placed)); }},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SortOne(c.move);
        c.meddle(*this);
        EXPECT_THAT(Sort({"--undo", journal}), Exited(c.exitStatus, _, HasSubstr(c.said)));
        c.check(*this);
    }
}

TEST_F(TunvexSortTest, OnlyARegularFileIsReadAndAHugeOneCostsTimeNotMemory) {
    SortOne(false);
    std::string pipe = home / "pipe.journal";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_THAT(Sort({"--undo", pipe}).err, HasSubstr("not a regular file"));
    EXPECT_THAT(RunProcess("/usr/bin/timeout",
                           {"-s", "KILL", "60", program, "--settings", pipe, "--dry-run", song}),
                Exited(2, _, _));
    fs::rename(pipe, fs::path(journal).parent_path() / "zzz.journal");
    EXPECT_EQ(Sort({"--list-runs"}).exitStatus, 0);
    EXPECT_EQ(Sort({"--undo", "--dry-run"}).exitStatus, 0);

    // A header, then a hole: read as a stream, under a bound the whole file would break.
    std::string sparse = home / "sparse.journal";
    WriteFile(sparse, "tunvex-journal\t2\tcopy\t1\n");
    fs::resize_file(sparse, std::uintmax_t{1} << 30);
    chmod(sparse.c_str(), 0600);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const char* bound = "--as=unlimited";  // a sanitizer's shadow memory needs more
#else
    const char* bound = "--as=400000000";
#endif
    EXPECT_THAT(RunProcess("/usr/bin/prlimit", {bound, program, "--undo", "--dry-run", sparse}),
                Exited(0, _, _));

    // A stop signal ends the reading of an endless one.
    fs::resize_file(sparse, std::uintmax_t{1} << 42);
    testing::BackgroundProcess reading(program, {"--undo", sparse});
    usleep(300000);
    kill(reading.pid(), SIGTERM);
    EXPECT_THAT(reading.Wait(), Exited(1, _, HasSubstr("cancelled")));
}

// Nothing goes back onto the bare mount point of an unmounted source disk; once back, all does.
TEST_F(TunvexSortTest, NothingGoesBackOntoTheBareMountPointOfAnUnmountedSourceDisk) {
    std::string whyNot = EnterPrivateMountNamespace();
    if (!whyNot.empty())
        GTEST_SKIP() << whyNot;
    // mountinfo escapes the space.
    const std::string disk = in / "my disk", aside = home / "aside";
    fs::create_directories(disk);
    fs::create_directories(aside);
    ASSERT_EQ(mount("tmpfs", disk.c_str(), "tmpfs", 0, nullptr), 0) << std::strerror(errno);
    Settings("CopyMode=1\nRemoveEmptiedFolders=1");
    std::string source = testing::WriteSong(disk + "/Album/one.mp3", "One");
    ASSERT_EQ(Sort({"--yes", disk + "/Album"}).exitStatus, 0);
    ASSERT_FALSE(fs::exists(disk + "/Album"));
    ASSERT_EQ(mount(disk.c_str(), aside.c_str(), nullptr, MS_BIND, nullptr), 0);
    ASSERT_EQ(umount(disk.c_str()), 0);

    EXPECT_THAT(Sort({"--undo"}), Exited(1, _, HasSubstr("is not on the disk its folder was on")));
    EXPECT_TRUE(fs::is_empty(disk));
    EXPECT_TRUE(fs::exists(placed));

    ASSERT_EQ(mount(aside.c_str(), disk.c_str(), nullptr, MS_BIND, nullptr), 0);
    EXPECT_THAT(Sort({"--undo"}), Exited(0, _, _));
    EXPECT_TRUE(fs::exists(source));
    EXPECT_FALSE(fs::exists(placed));
    umount(disk.c_str());
    umount(aside.c_str());
}

TEST_F(TunvexSortTest, ABaseFolderHoldingANulByteGivesNoDestination) {
    Song("a/one.mp3", "One");
    WriteFile(ini, "[TunvexOption]\nBaseFolderPath=" + out.path() + "/cut" + std::string(1, '\0') +
                       "rest\n");
    EXPECT_THAT(Sort({song}), Exited(1, "", HasSubstr("NUL byte")));
    EXPECT_FALSE(fs::exists(out / "cut"));
}

}  // namespace
}  // namespace tunvex
