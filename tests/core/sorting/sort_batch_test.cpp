#include "core/sorting/sort_batch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "core/base/owned_fd.h"
#include "core/base/paths.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/support/bound_tag_library.h"
#include "tests/support/folder_attributes.h"
#include "tests/support/folder_state.h"
#include "tests/support/songs.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

namespace fs = std::filesystem;

class SortBatchTest : public ::testing::Test {
  protected:
    SortBatchTest() {
        settings.BaseFolderPath = out.path();
        settings.FolderNamingMode = 2;
        settings.FileNamingMode = 3;
        settings.TagMode = 1;
    }
    SortBatchContext Context() { return {settings, library.get(), CodePage::Utf8}; }
    std::string Song(const std::string& name, const std::string& title) {
        return testing::WriteSong(in / name, title);
    }

    testing::BoundTagLibrary library;
    TempFolder in, out, state;
    testing::ScopedEnvironment stateHome{"XDG_STATE_HOME", state.path()};
    Settings settings;
    RecordingDelegate delegate;
};

TEST_F(SortBatchTest, NothingAcceptedMeansNoTransfer) {
    fixtures::WriteTextFile(in / "notes.mp3", "not audio");
    EXPECT_FALSE(RunSortPlan(PlanSortBatch(Context(), {in / "notes.mp3", in.path()}), delegate));
    EXPECT_TRUE(delegate.reports.empty());
    EXPECT_TRUE(fs::is_empty(out.path()) && fs::is_empty(state.path()));
}

// A base folder of exactly length bytes, in elements a file system takes.
std::string BaseOfLength(std::string base, std::size_t length) {
    while (base.size() < length)
        base += "/" + std::string(std::min<std::size_t>(200, length - base.size() - 1), 'b');
    return base;
}

// With nowhere to go or a destination too long to build whole, a file fails, never sorted or cut.
TEST_F(SortBatchTest, AFileWithNowhereWholeToGoFails) {
    const std::string nowhere = "the naming settings give it no destination",
                      tooLong = "its destination would be longer than the path limit";
    const struct {
        int folderMode, fileMode;
        const char* fileFormat;
        std::size_t baseLength;
        std::string name;
        const std::string& reason;
    } cases[] = {
        {9, 9, "?t", 0, "one.mp3", nowhere},
        {0, 4, "", 0, "one.mp3", nowhere},
        {2, 3, "?t", kMaxPath - 20, "one.mp3", tooLong},  // "Artist/Album" fits, the file not
        {0, 1, "?t", kMaxPath - 6, "one.mp3", tooLong},   // "/One" fits, ".mp3" not
    };
    for (const auto& c : cases) {
        settings.FolderNamingMode = c.folderMode;
        settings.FileNamingMode = c.fileMode;
        settings.FileNamingFormat = c.fileFormat;
        settings.BaseFolderPath = BaseOfLength(out.path(), c.baseLength);
        std::string song = Song(c.name, "One");
        delegate.reports.clear();
        EXPECT_EQ(RunSortPlan(PlanSortBatch(Context(), {song}), delegate)
                      .value_or(SortSummary{})
                      .transfer.failed,
                  1u);
        ASSERT_EQ(delegate.reports.size(), 1u) << c.fileMode;  // and nothing transferred
        EXPECT_EQ(delegate.reports[0].outcome, FileOutcome::Failed);
        EXPECT_EQ(EnglishReason(delegate.reports[0].reason), c.reason);
    }
}

TEST_F(SortBatchTest, TemporariesOfAKilledRunAreNoMusicAndGoWhenTheirFolderIsWrittenTo) {
    std::string one = Song("one.mp3", "One");
    std::string album = out / "Artist/Album/";
    std::string stale = album + ".tunvex-AbC123.part";  // left by a killed run
    std::string live = album + ".tunvex-dEf456.part";   // another run still writes it
    for (const std::string& temporary : {stale, live})
        testing::WriteSong(temporary, "T16");
    OwnedFd liveFd(open(live.c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(flock(liveFd.get(), LOCK_EX), 0);
    SortBatchPlan plan = PlanSortBatch(Context(), {one, album});
    EXPECT_EQ(plan.notSorted.size(), 2u);
    RunSortPlan(PlanSortBatch(Context(), {one, album}), delegate);
    EXPECT_EQ(ReadFile(album + "01.One.mp3"), ReadFile(one));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
}

// "d/a.mp3 X": song a of album X, "l -> t": a link, "d/e/ what": a folder GiveFolder gives what.
TEST_F(SortBatchTest, AlbumExtrasFollowTracksToOneFolderAndAMoveRemovesTheFoldersItEmptied) {
    using Paths = std::vector<std::string>;
    struct Row {
        const char* what;
        Paths files, dropped, leftIn, sorted;
        std::vector<ExtraKeptBecause> kept = {};
        Paths foldersKept = {};
        int copyMode = 1, carry = 1, remove = 1;
        std::string patterns = "*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt";
    };
    const auto several = ExtraKeptBecause::TracksGoToSeveralFolders;
    const std::string notEmpty = "d: it is not empty";
    // clang-format off
    const Row rows[] = {
        {"all tracks to one folder, with a cover and notes",
         {"d/a.mp3 X", "d/b.mp3 X", "d/cover.jpg", "d/NOTES.Txt", "d/sub/readme"}, {"d"},
         {"d/", "d/sub/", "d/sub/readme"},
         {"X/01.a.mp3", "X/01.b.mp3", "X/NOTES.Txt", "X/cover.jpg"}, {}, {notEmpty}},
        {"tracks to two folders", {"d/a.mp3 X", "d/b.mp3 Y", "d/cover.jpg"}, {"d"},
         {"d/", "d/cover.jpg"}, {"X/01.a.mp3", "Y/01.b.mp3"}, {several}, {notEmpty}},
        {"an extra that is a music file", {"d/a.mp3 X", "d/b.mp3 X"}, {"d"}, {},
         {"X/01.a.mp3", "X/01.b.mp3"}, {}, {}, 1, 1, 1, "*.mp3"},
        {"an extra whose name the request gives already",
         {"d/q/b.mp3 X", "d/q/cover.jpg", "d/p/a.mp3 X", "d/p/cover.jpg"}, {"d/q", "d/p"},
         {"d/", "d/p/", "d/p/cover.jpg"}, {"X/01.a.mp3", "X/01.b.mp3", "X/cover.jpg"},
         {ExtraKeptBecause::NameTakenAtDestination}, {"d/p: it is not empty"}},
        {"a folder that holds an empty folder the run did not empty", {"d/a.mp3 X", "d/e/"}, {"d"},
         {"d/", "d/e/"}, {"X/01.a.mp3"}, {}, {notEmpty}},
        {"a dropped file: its folder stays, its cover goes with it", {"d/a.mp3 X", "d/cover.jpg"},
         {"d/a.mp3"}, {"d/"}, {"X/01.a.mp3", "X/cover.jpg"}},
        {"one dropped track of a folder of two albums takes no extras",
         {"d/a.mp3 X", "d/b.mp3 Y", "d/cover.jpg", "d/taxes.txt"}, {"d/a.mp3"},
         {"d/", "d/b.mp3", "d/cover.jpg", "d/taxes.txt"}, {"X/01.a.mp3"}, {several, several}},
        {"an extra dropped under a second spelling of its folder", {"d/a.mp3 X", "d/cover.jpg"},
         {"d/a.mp3", "d/../d/cover.jpg"}, {"d/"}, {"X/01.a.mp3", "X/cover.jpg"}},
        {"the dropped home folder stays, and a user folder in it",
         {"home/e/a.mp3 X", "home/Music/b.mp3 X"}, {"home"}, {"home/", "home/Music/"},
         {"X/01.a.mp3", "X/01.b.mp3"}},
        {"a dropped user folder stays, by its identity", {"home/Music/a.mp3 X"},
         {"home/../home/Music"}, {"home/", "home/Music/"}, {"X/01.a.mp3"}},
        {"a folder reached through a link stays, and so does the link",
         {"d/a.mp3 X", "d/l -> ../t", "t/b.mp3 X"}, {"d"}, {"d/", "d/l", "t/"},
         {"X/01.a.mp3", "X/01.b.mp3"}, {}, {"d/l: a link stands on its path", notEmpty}},
        {"a link above the dropped folder is followed, and folders that held only folders go",
         {"real/d/e/f/a.mp3 X", "real/d/e/g/b.mp3 X", "m -> real"}, {"m/d"}, {"m", "real/"},
         {"X/01.a.mp3", "X/01.b.mp3"}},
        {"a dropped link to a folder stays, and so does that folder", {"real/a.mp3 X", "l -> real"},
         {"l"}, {"l", "real/"}, {"X/01.a.mp3"}, {}, {"l: a link stands on its path"}},
        {"a folder of another user or group stays; one of the group it would get again goes",
         {"d/ setgid", "d/o/ owner", "d/o/a.mp3 X", "d/g/ group", "d/g/b.mp3 X", "d/s/c.mp3 X"},
         {"d"}, {"d/", "d/g/", "d/o/"}, {"X/01.a.mp3", "X/01.b.mp3", "X/01.c.mp3"}, {},
         {"d/g: an undo could not give back its group",
          "d/o: an undo could not give back its owner", notEmpty}},
        {"a folder with an ACL or extended attributes stays",
         {"d/c/ acl", "d/c/a.mp3 X", "d/x/ xattr", "d/x/b.mp3 X"}, {"d"}, {"d/", "d/c/", "d/x/"},
         {"X/01.a.mp3", "X/01.b.mp3"}, {},
         {"d/c: an undo could not give back its ACL",
          "d/x: an undo could not give back its extended attributes"}},
        {"a mount point stays", {"d/e/ mount", "d/e/a.mp3 X"}, {"d"}, {"d/", "d/e/"},
         {"X/01.a.mp3"}, {}, {"d/e: it is a mount point"}},
        {"a folder that cannot be removed stays", {"d/ append", "d/e/a.mp3 X"}, {"d"},
         {"d/", "d/e/"}, {"X/01.a.mp3"}, {}, {"d/e: cannot remove it: Operation not permitted"}},
        {"a copy takes the extras and removes nothing", {"d/a.mp3 X", "d/cover.jpg"}, {"d"},
         {"d/", "d/a.mp3", "d/cover.jpg"}, {"X/01.a.mp3", "X/cover.jpg"}, {}, {}, 0},
        {"both settings off", {"d/a.mp3 X", "d/cover.jpg"}, {"d"}, {"d/", "d/cover.jpg"},
         {"X/01.a.mp3"}, {}, {}, 1, 0, 0},
    };
    // clang-format on
    settings.CollisionMode = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path from = in / row.what, to = out / row.what;
        testing::CleanUp cleanUp;
        std::string whyNot;
        for (const std::string& file : row.files) {
            std::string name = file.substr(0, file.find(' '));
            fs::path path = from / name;
            fs::create_directories(path.parent_path());
            if (name.ends_with('/')) {
                fs::create_directories(path);
                if (name != file)
                    whyNot = testing::GiveFolder(path.parent_path(), file.substr(name.size() + 1),
                                                 cleanUp);
            } else if (file.find(" -> ") != std::string::npos) {
                fs::create_directory_symlink(file.substr(file.find(" -> ") + 4), path);
            } else if (name != file) {
                testing::WriteSong(path, path.stem(), file.substr(name.size() + 1));
            } else {
                fixtures::WriteTextFile(path, file);
            }
            if (!whyNot.empty())
                break;
        }
        if (!whyNot.empty()) {
            std::cout << "[ SKIPPED  ] " << row.what << ": " << whyNot << "\n";
            continue;
        }
        testing::ScopedEnvironment home{"HOME", from / "home"};
        settings.BaseFolderPath = to;
        settings.CopyMode = row.copyMode;
        settings.CarryExtraFiles = row.carry;
        settings.RemoveEmptiedFolders = row.remove;
        settings.ExtraFilePatterns = row.patterns;
        std::vector<std::string> dropped;
        for (const std::string& path : row.dropped)
            dropped.push_back(from / path);
        SortBatchPlan plan = PlanSortBatch(Context(), dropped);
        std::vector<ExtraKeptBecause> kept;
        for (const KeptExtra& extra : plan.extrasKept)
            kept.push_back(extra.because);
        EXPECT_EQ(kept, row.kept);
        std::optional<SortSummary> summary =
            RunSortPlan(PlanSortBatch(Context(), dropped), delegate);
        ASSERT_TRUE(summary);
        EXPECT_EQ(summary->transfer.failed + summary->transfer.skipped, 0u);
        std::vector<std::string> foldersKept;
        for (const KeptFolder& folder : summary->transfer.foldersKept) {
            foldersKept.push_back(fs::path(folder.path).lexically_relative(from).string() + ": " +
                                  EnglishReason(folder.reason));
        }
        EXPECT_EQ(foldersKept, row.foldersKept);
        EXPECT_EQ(testing::Entries(from), row.leftIn);
        for (const NotSorted& file : plan.notSorted) {
            EXPECT_TRUE(fs::exists(file.path)) << file.path << " is reported left but went";
            EXPECT_THAT(plan.request.sources, ::testing::Not(::testing::Contains(file.path)));
        }
        std::vector<std::string> sorted = testing::Entries(to / "Artist");
        std::erase_if(sorted, [](const std::string& entry) { return entry.ends_with('/'); });
        EXPECT_EQ(sorted, row.sorted);
        // The first cover of the request is the one that travels.
        auto cover = std::ranges::find_if(
            row.files, [](const std::string& file) { return file.ends_with("cover.jpg"); });
        if (std::ranges::count(row.sorted, "X/cover.jpg") != 0) {
            EXPECT_EQ(ReadFile(to / "Artist/X/cover.jpg"), *cover);
        }
    }
}

// Extras go after their tracks, once all are placed: a track skipped (or failed) keeps them.
TEST_F(SortBatchTest, AlbumExtrasStayWhenTheirTracksDoNotAllGo) {
    settings.CarryExtraFiles = 1;
    settings.ExtraFilePatterns = "*.jpg";
    settings.CopyMode = 1;
    settings.CollisionMode = 0;
    Song("a.mp3", "a");
    Song("b.mp3", "b");
    fixtures::WriteTextFile(in / "cover.jpg", "cover");
    WriteFile(out / "Artist/Album/01.b.mp3", "there already");
    SortBatchPlan plan = PlanSortBatch(Context(), {in.path()});
    ASSERT_EQ(plan.request.sources.size(), 3u);
    delegate.answers = {CollisionAnswer::Skip};
    RunTransfer(plan.request, delegate);
    ASSERT_EQ(delegate.reports.size(), 3u);
    // The tracks in the order the folder lists them, the extra after them.
    EXPECT_TRUE(fs::exists(out / "Artist/Album/01.a.mp3"));
    EXPECT_EQ(delegate.reports[2].source, in / "cover.jpg");
    EXPECT_EQ(delegate.reports[2].outcome, FileOutcome::Skipped);
    EXPECT_EQ(delegate.reports[2].reason.kind, FailureKind::TracksNotAllPlaced);
    EXPECT_EQ(ReadFile(in / "cover.jpg"), "cover");
    EXPECT_FALSE(fs::exists(out / "Artist/Album/cover.jpg"));
}

// Re-tagged in place after its read, its time set back, a file stays put: the change time tells.
TEST_F(SortBatchTest, AFileRetaggedAfterItsTagsWereReadIsLeftWhereItIs) {
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        settings.CopyMode = run;
        settings.BaseFolderPath = out / std::to_string(run);
        std::string first = Song(std::to_string(run) + "/first.mp3", "Old");
        std::string second = Song(std::to_string(run) + "/second.mp3", "Second");
        SortBatchContext context = Context();
        context.readerThreads = 1;
        context.reading = [&](std::size_t index, std::size_t) {
            struct stat read = {};
            if (index == 1 && stat(first.c_str(), &read) == 0) {
                usleep(20000);  // within the clock's tick the change time would not move
                testing::WriteSong(first, "New");
                EXPECT_EQ(fs::file_size(first), read.st_size);
                const struct timespec times[2] = {read.st_atim, read.st_mtim};
                utimensat(AT_FDCWD, first.c_str(), times, 0);
            }
            return true;
        };
        delegate.reports.clear();
        std::optional<SortSummary> summary =
            RunSortPlan(PlanSortBatch(context, {first, second}), delegate);
        ASSERT_TRUE(summary);
        EXPECT_EQ(summary->transfer.failed, 1u);
        ASSERT_EQ(delegate.reports.size(), 2u);
        EXPECT_EQ(EnglishReason(delegate.reports[0].reason),
                  "it is no longer the file that was planned: it changed or was replaced");
        std::string album = settings.BaseFolderPath + "/Artist/Album/";
        EXPECT_FALSE(fs::exists(album + "01.Old.mp3"));
        EXPECT_TRUE(fs::exists(first));
        EXPECT_TRUE(fs::exists(album + "01.Second.mp3"));
    }
}

}  // namespace
}  // namespace tunvex
