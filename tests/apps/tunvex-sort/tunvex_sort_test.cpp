#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/base/paths.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/support/mount_namespace.h"
#include "tests/support/run_process.h"
#include "tests/support/songs.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempFolder;
using testing::WriteFile;

namespace fs = std::filesystem;

class TunvexSortTest : public ::testing::Test {
  protected:
    TunvexSortTest() {
        WriteFile(ini, "[TunvexOption]\nBaseFolderPath=" + out.path() +
                           "\nFolderNamingMode=2\nFileNamingMode=3\n");
    }
    ProcessResult Sort(std::vector<std::string> arguments,
                       std::vector<std::string> environment = {}) {
        arguments.insert(arguments.begin(), {"--settings", ini});
        environment.insert(
            environment.begin(),
            {"HOME=" + home.path(), "XDG_DATA_HOME=" + (home / "data"), "XDG_STATE_HOME="});
        return RunProcess(program, arguments, environment);
    }
    std::string Song(const std::string& name, const std::string& title) {
        return testing::WriteSong(in / name, title);
    }

    std::string program = ExecutableDirectory() + "/tunvex-sort";
    TempFolder in;
    TempFolder out;
    TempFolder home;
    std::string ini = home / "tunvex.ini";
    std::string album = out / "Artist/Album/";
};

TEST_F(TunvexSortTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--bogus", in.path()},
        {"--set", "NoSuchKey=1", in.path()},
        {"--set", "CopyMode", in.path()},
        {"--dry-run=yes", in.path()},
        {"--settings"},
        {"--settings", "--dry-run", in.path()},
        {"--settings", "/dev/null", in.path()},
        {in / "no-such-file.mp3"},
        {"--undo", "one.journal", "two.journal"},
        {"--undo", "--list-runs"},
        {"--list-runs", in.path()},
    };
    for (const auto& arguments : cases) {
        ProcessResult result = RunProcess(program, arguments);
        EXPECT_EQ(result.exitStatus, 2) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_EQ(RunProcess(program, {"--help"}).exitStatus, 0);
    EXPECT_THAT(RunProcess(program, {"--version"}).out, HasSubstr("2.2.0"));
}

TEST_F(TunvexSortTest, DryRunPrintsThePlanInBatchOrderAndTouchesNothing) {
    std::string one = Song("a/one.mp3", "One");
    std::string two = Song("two.mp3", "Two");
    fixtures::WriteTextFile(in / "a/notes.txt", "text");
    ProcessResult result = Sort({"--dry-run", "--verbose", in / "a", two, "--set",
                                 "filenamingmode=2", "--set", "FILENAMINGMODE=1"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, one + "\t" + album + "One.mp3\n" + two + "\t" + album + "Two.mp3\n");
    EXPECT_THAT(result.err, HasSubstr(in / "a/notes.txt"));
    EXPECT_TRUE(fs::is_empty(out.path()));

    // An empty base folder or a folder mode out of range would sort into the working folder.
    for (const char* setting : {"BaseFolderPath=", "FolderNamingMode=4"}) {
        ProcessResult nowhere = Sort({"--dry-run", "--set", setting, two});
        EXPECT_EQ(nowhere.exitStatus, 1) << setting;
        EXPECT_EQ(nowhere.out, "") << setting;
        EXPECT_THAT(nowhere.err, HasSubstr("no destination")) << setting;
    }
}

TEST_F(TunvexSortTest, EveryNameIsPrintedEscapedAlikeSoNoTwoPrintTheSame) {
    // clang-format off
    const std::pair<std::string, std::string> names[] = {
        {"line\nbreak\x1B[31m", "line\\x0Abreak\\x1B[31m"}, {"a\tb", "a\\x09b"},
        {"a\\x09b", "a\\\\x09b"}, {"ok 漢字", "ok 漢字"}, {"bad\xFF" "byte", "bad\\xFFbyte"},
        {"c1\xC2\x85" "end", "c1\\xC2\\x85end"},  // NEL, a C1 control
        {"ls\xE2\x80\xA8" "end", "ls\\xE2\\x80\\xA8end"},  // line separator
    };
    // clang-format on
    for (const auto& [name, printed] : names) {
        std::string song = Song(name + ".mp3", "Odd");
        EXPECT_EQ(Sort({"--dry-run", song}).out, in / printed + ".mp3\t" + album + "01.Odd.mp3\n");
        fs::remove(song);
    }
    // In a Latin-1 locale 0x9B is a terminal command, 0xE9 a letter.
    ASSERT_EQ(std::system(("localedef -c -f ISO-8859-1 -i en_US " + (home / "en_US.ISO-8859-1") +
                           " >/dev/null 2>&1")
                              .c_str()),
              0);
    std::string latin1 = Song(std::string("caf\xE9\x9B") + "31m.mp3", "Odd");
    ProcessResult latin1Result =
        Sort({"--dry-run", latin1}, {"LOCPATH=" + home.path(), "LC_ALL=en_US.ISO-8859-1"});
    EXPECT_EQ(latin1Result.out, in / "caf\xE9\\x9B31m.mp3\t" + album + "01.Odd.mp3\n");
    // A reason names a folder too; a failed file exits with one.
    std::string song = Song("one.mp3", "One");
    WriteFile(out / "x", "a file where a folder must go");
    ProcessResult result = Sort({song, "--set", "BaseFolderPath=" + out / "x/new\nline"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot create the folder " + out / "x/new\\x0Aline"));
}

TEST_F(TunvexSortTest, AnOutputThatCannotBeWrittenExitsWithOne) {
    std::string song = Song("one.mp3", "One");
    for (const char* run : {"--dry-run", "--yes"}) {
        ProcessResult result = RunProcess(
            "/bin/sh",
            {"-c", "exec \"$0\" \"$@\" >/dev/full", program, "--settings", ini, run, song},
            {"HOME=" + home.path()});
        EXPECT_EQ(result.exitStatus, 1) << run;
        EXPECT_THAT(result.err, HasSubstr("No space left on device")) << run;
    }
}

TEST_F(TunvexSortTest, TheSummaryCountsWhatWasNotSortedAndVerboseListsIt) {
    std::string song = Song("one.mp3", "One");
    fixtures::WriteTextFile(in / "notes.txt", "text");
    // A folder whose path is past the limit cannot be read at all, nor the file in it.
    std::string deep = in.path();
    std::vector<int> levels = {open(in.path().c_str(), O_RDONLY | O_DIRECTORY)};
    const std::string element(200, 'd');
    while (deep.size() <= kMaxPath) {
        mkdirat(levels.back(), element.c_str(), 0755);
        levels.push_back(openat(levels.back(), element.c_str(), O_RDONLY | O_DIRECTORY));
        deep += "/" + element;
    }
    close(openat(levels.back(), "song.mp3", O_CREAT | O_WRONLY, 0644));
    for (const char* run : {"--dry-run", "--verbose"}) {
        ProcessResult result = Sort({run, in.path()});
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_THAT(result.err, HasSubstr("2 not sorted")) << run;
        EXPECT_EQ(result.err.find(deep) != std::string::npos, std::string(run) == "--verbose");
    }
    unlinkat(levels.back(), "song.mp3", 0);
    for (std::size_t i = levels.size() - 1; i > 0; --i) {
        close(levels[i]);
        unlinkat(levels[i - 1], element.c_str(), AT_REMOVEDIR);
    }
    close(levels[0]);
}

// A missing settings file gives the defaults; a failed start-up says why and exits with two.
TEST_F(TunvexSortTest, StartUp) {
    std::string one = Song("one.mp3", "One");
    ProcessResult result = RunProcess(program, {"--settings", home / "none.ini", "--dry-run", one},
                                      {"HOME=" + home.path(), "XDG_CONFIG_HOME=" + (home / "cfg")});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, one + "\t" + home / "Desktop/one.mp3\n");
    EXPECT_FALSE(fs::exists(home / "none.ini"));
    ProcessResult noHome = RunProcess(program, {"--settings", ini, one}, {"HOME="});
    EXPECT_EQ(noHome.exitStatus, 2);
    EXPECT_EQ(noHome.err, "デスクトップパスを取得できませんでした\n設定の読み込みに失敗しました\n");

    // A copy of the program with no tag library beside it.
    fs::copy_file(program, home / "tunvex-sort");
    ProcessResult noLibrary = RunProcess(home / "tunvex-sort", {"--settings", ini, one},
                                         {"HOME=" + home.path(), "LD_LIBRARY_PATH="});
    EXPECT_EQ(noLibrary.exitStatus, 2);
    EXPECT_EQ(noLibrary.err, "mp3infp.dll をロードできませんでした\n");
}

TEST_F(TunvexSortTest, CopyAndMovePrintWhatReachedItsDestination) {
    std::string one = Song("one.mp3", "One");
    ProcessResult copy = Sort({one});
    EXPECT_EQ(copy.exitStatus, 0) << copy.err;
    EXPECT_EQ(copy.out, one + "\t" + album + "01.One.mp3\n");
    EXPECT_THAT(copy.err, HasSubstr("1 done, 0 renamed, 0 skipped, 0 failed"));
    EXPECT_TRUE(ReadFile(album + "01.One.mp3") == ReadFile(one));
    // Sorted again where it is, it is not done again.
    EXPECT_THAT(Sort({album}).err, HasSubstr("0 done, 0 renamed, 0 skipped, 0 failed, 0 not "
                                             "sorted, 1 already in place\n"));

    // A journal that cannot be kept is said, and the files go on, not all done as asked.
    ProcessResult move =
        Sort({"--set", "CopyMode=1", "--set", "CollisionMode=1", one}, {"XDG_STATE_HOME=" + ini});
    EXPECT_EQ(move.exitStatus, 1) << move.err;
    EXPECT_EQ(move.out, one + "\t" + album + "01.One (2).mp3\n");
    EXPECT_THAT(move.err, HasSubstr("the undo journal is missing or incomplete: cannot create " +
                                    ini + "/tunvex: Not a directory"));
    EXPECT_FALSE(fs::exists(one));
}

TEST_F(TunvexSortTest, AMoveCountsTheEmptiedFoldersItRemovedAndKeptAndVerboseSaysWhy) {
    Song("d/kept/one.mp3", "One");
    WriteFile(in / "d/kept/notes.txt", "text");
    Song("d/gone/two.mp3", "Two");
    for (const char* run : {"--dry-run", "--verbose"}) {
        ProcessResult result =
            Sort({run, "--set", "CopyMode=1", "--set", "RemoveEmptiedFolders=1", in / "d"});
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        bool moved = std::string(run) == "--verbose";
        EXPECT_EQ(fs::exists(in / "d/gone"), !moved);
        EXPECT_EQ(result.err.find("folder kept: ") != std::string::npos, moved) << result.err;
        if (!moved)
            continue;
        EXPECT_THAT(result.err, HasSubstr("folder kept: " + in / "d/kept" +
                                          ": it is not empty\n"
                                          "folder kept: " +
                                          in / "d" + ": it is not empty\n"));
        EXPECT_THAT(result.err, HasSubstr("2 done, 0 renamed, 0 skipped, 0 failed, 1 not sorted, "
                                          "1 emptied folders removed, 2 emptied folders kept\n"));
    }
}

TEST_F(TunvexSortTest, AMoveFromAReadOnlyFolderLeavesNoCopiesBehind) {
    std::string view = home / "view";
    fs::create_directory(view);
    Song("one.mp3", "One");
    Song("two.mp3", "Two");
    std::string whyNot = MountReadOnlyView(in.path(), view);
    if (!whyNot.empty())
        GTEST_SKIP() << whyNot;
    ProcessResult result = Sort({"--set", "CopyMode=1", view});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.out, "");
    for (auto [file, title] : {std::pair{"one", "One"}, std::pair{"two", "Two"}}) {
        EXPECT_THAT(result.err,
                    HasSubstr("failed: " + view + "/" + file + ".mp3 -> " + album + "01." + title +
                              ".mp3: the source cannot be removed, so it was not "
                              "moved: Read-only file system\n"));
    }
    EXPECT_THAT(result.err, HasSubstr("0 done, 0 renamed, 0 skipped, 2 failed"));
    EXPECT_TRUE(fs::is_empty(album));
    EXPECT_TRUE(fs::exists(in / "one.mp3") && fs::exists(in / "two.mp3"));
    umount2(view.c_str(), MNT_DETACH);
}

TEST_F(TunvexSortTest, AFileSwappedForAPipeJustBeforeItIsOpenedNeverHangsTheRun) {
    std::string song = Song("song.mp3", "Song");
    std::string pipe = in / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    ProcessResult result = RunProcess(
        "/usr/bin/timeout", {"-s", "KILL", "30", program, "--settings", ini, "--dry-run", song},
        {"HOME=" + home.path(), "LD_PRELOAD=" + ExecutableDirectory() + "/libswap_on_open.so",
         "SWAP_ON_OPEN=" + song, "SWAP_WITH=" + pipe});
    EXPECT_EQ(result.exitStatus, 0) << "137: the run hung until the timeout killed it";
    EXPECT_EQ(result.out, "");
}

TEST_F(TunvexSortTest, ACopySortWithAReplaceIsUndoneWhileAFileEditedSinceStays) {
    std::string one = Song("one.mp3", "One");
    std::string two = Song("two.mp3", "Two");
    std::string three = Song("three.mp3", "Three");
    WriteFile(album + "01.One.mp3", "older");
    // Without a terminal an existing file is skipped unless --yes.
    ProcessResult skipped = Sort({one});
    EXPECT_EQ(skipped.exitStatus, 1);
    EXPECT_EQ(skipped.out, "");
    EXPECT_EQ(ReadFile(album + "01.One.mp3"), "older");
    ASSERT_EQ(Sort({"--yes", one, two, three}).exitStatus, 0);
    WriteFile(album + "01.Three.mp3", "edited after the sort");
    EXPECT_THAT(Sort({"--list-runs"}).out,
                MatchesRegex("[-.0-9]+\\.journal\t[-: 0-9]+\tcopy\t3 files\tdone\n"));

    std::string trash = home / "data/Trash/files/";
    ProcessResult dryRun = Sort({"--undo", "--dry-run"});
    EXPECT_EQ(dryRun.exitStatus, 1);
    EXPECT_EQ(dryRun.out, "trash\t" + album + "01.Two.mp3\ntrash\t" + album + "01.One.mp3\n" +
                              "restore\t" + trash + "01.One.mp3\t" + album + "01.One.mp3\n");
    EXPECT_TRUE(ReadFile(album + "01.One.mp3") == ReadFile(one));

    ProcessResult undo = Sort({"--undo"});
    EXPECT_EQ(undo.exitStatus, 1);
    EXPECT_EQ(undo.out, "trash\t" + album + "01.Two.mp3\t" + trash + "01.Two.mp3\n" + "trash\t" +
                            album + "01.One.mp3\t" + trash + "01.One (2).mp3\n" + "restore\t" +
                            trash + "01.One.mp3\t" + album + "01.One.mp3\n");
    EXPECT_THAT(undo.err,
                HasSubstr("left alone: " + album + "01.Three.mp3: it changed after the run\n"));
    EXPECT_EQ(ReadFile(album + "01.One.mp3"), "older");
    EXPECT_TRUE(ReadFile(trash + "01.One (2).mp3") == ReadFile(one));
    EXPECT_TRUE(ReadFile(trash + "01.Two.mp3") == ReadFile(two));
    EXPECT_EQ(ReadFile(album + "01.Three.mp3"), "edited after the sort");
    EXPECT_THAT(Sort({"--list-runs"}).out, HasSubstr("\tpartly undone\n"));

    ProcessResult again = Sort({"--undo"});
    EXPECT_EQ(again.exitStatus, 1);
    EXPECT_EQ(again.out, "");
}

const char kPrompt[] = "[s]kip, [c]ancel: ";

TEST_F(TunvexSortTest, OnATerminalTheUserAnswersForEachExistingFile) {
    std::string one = Song("one.mp3", "One");
    std::string two = Song("two.mp3", "Two");
    WriteFile(album + "01.One.mp3", "older one");
    WriteFile(album + "01.Two.mp3", "older two");
    int asked = 0;
    ProcessResult result = testing::RunOnTerminal(
        program, {"--settings", ini, one, two},
        {"HOME=" + home.path(), "XDG_DATA_HOME=" + (home / "data")}, kPrompt, [&](int) {
            ++asked;
            return std::string("a\n");
        });
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(asked, 1);  // replace all answers for the second file too
    EXPECT_TRUE(ReadFile(album + "01.Two.mp3") == ReadFile(two));
    EXPECT_EQ(ReadFile(home / "data/Trash/files/01.Two.mp3"), "older two");
}

TEST_F(TunvexSortTest, CtrlCAtAQuestionStopsCleanly) {
    std::string one = Song("one.mp3", "One");
    std::string two = Song("two.mp3", "Two");
    WriteFile(album + "01.Two.mp3", "older two");
    ProcessResult result = testing::RunOnTerminal(program, {"--settings", ini, one, two},
                                                  {"HOME=" + home.path()}, kPrompt, [](int pid) {
                                                      kill(pid, SIGINT);
                                                      return std::string();
                                                  });
    EXPECT_EQ(result.exitStatus, 1) << result.out;
    EXPECT_THAT(result.out, HasSubstr("cancelled"));
    EXPECT_TRUE(ReadFile(album + "01.One.mp3") == ReadFile(one));
    EXPECT_EQ(ReadFile(album + "01.Two.mp3"), "older two");
    EXPECT_TRUE(fs::exists(two));
    for (const auto& entry : fs::directory_iterator(album)) {
        EXPECT_EQ(entry.path().extension(), ".mp3") << entry.path();
    }
}

}  // namespace
}  // namespace tunvex
