#include "core/sorting/sort_batch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>

#include "core/base/paths.h"
#include "core/files/temporaries.h"
#include "core/transfer/journal.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/fixtures/stream_bytes.h"
#include "tests/mp3infp/format_cases.h"
#include "tests/support/bound_tag_library.h"
#include "tests/support/mount_namespace.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace tunvex {
namespace {

using fixtures::TagValues;
using ::testing::ElementsAre;
using testing::ReadFile;
using testing::TempFolder;

class RecordingDelegate : public TransferDelegate {
  public:
    CollisionAnswer AskReplace(const std::string&, const std::string&) override {
        return CollisionAnswer::Skip;
    }
    void OnFileDone(const FileReport& report) override { reports.push_back(report); }
    std::vector<FileReport> reports;
};

std::vector<std::string> NotSortedPaths(const SortBatchPlan& plan) {
    std::vector<std::string> paths;
    for (const NotSorted& file : plan.notSorted)
        paths.push_back(file.path);
    return paths;
}

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
        std::string path = in / name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        fixtures::WriteMp3(path, std::nullopt, TagValues{title, "Artist", "Album", "1"});
        return path;
    }

    testing::BoundTagLibrary library;
    TempFolder in;
    TempFolder out;
    TempFolder state;
    testing::ScopedEnvironment stateHome{"XDG_STATE_HOME", state.path()};
    Settings settings;
};

TEST(MakeTransferRequestTest, CopyModeAndCollisionModeChooseOperationAndFlags) {
    struct Case {
        int copyMode;
        int collisionMode;
        TransferOperation operation;
        unsigned flags;
    };
    const Case cases[] = {
        {0, 0, TransferOperation::Copy, 0x0241},
        {1, 1, TransferOperation::Move, 0x0249},
        {7, 2, TransferOperation::Move, 0x0241},
        {-1, -1, TransferOperation::Move, 0x0241},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.CopyMode = c.copyMode;
        settings.CollisionMode = c.collisionMode;
        TransferRequest request = MakeTransferRequest(settings);
        EXPECT_EQ(request.operation, c.operation) << c.copyMode;
        EXPECT_EQ(request.flags, c.flags) << c.collisionMode;
    }
}

TEST_F(SortBatchTest, RefusedFilesLeaveTheListsAlignedAndDuplicatesStay) {
    std::string one = Song("album/one.mp3", "One");
    std::string two = Song("album/sub/two.mp3", "Two");
    fixtures::WriteTextFile(in / "album/notes.txt", "not audio");
    std::string bar = Song("a|b.mp3", "Bar");

    SortBatchPlan plan = PlanSortBatch(Context(), {in / "album", one, in / "missing.mp3", bar});

    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i < plan.request.sources.size(); ++i) {
        pairs.emplace_back(plan.request.sources[i], plan.request.destinations[i]);
    }
    std::string folder = out / "Artist/Album/";
    EXPECT_THAT(pairs, ::testing::UnorderedElementsAre(std::pair(one, folder + "01.One.mp3"),
                                                       std::pair(two, folder + "01.Two.mp3"),
                                                       std::pair(one, folder + "01.One.mp3"),
                                                       std::pair(bar, folder + "01.Bar.mp3")));
    EXPECT_EQ(plan.request.sources.back(), bar);  // drop order
    EXPECT_THAT(NotSortedPaths(plan),
                ::testing::UnorderedElementsAre(in / "album/notes.txt", in / "missing.mp3"));
    EXPECT_FALSE(plan.notSorted[0].failed);
}

TEST_F(SortBatchTest, ReadingOnSeveralThreadsGivesTheSamePlanAsOne) {
    // Every container kind, each with several files of the same tags (duplicate destinations),
    // a damaged copy of each, files that are no music, and a temporary of a killed run.
    const std::string artists[] = {"Aa", "Bb", "日本"};
    for (const testing::FormatCase& format : testing::AllFormats()) {
        for (int copy = 0; copy < 10; ++copy) {
            const std::string path =
                in / (std::to_string(copy % 4) + "/" + std::to_string(copy) + format.fileName);
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            format.write(path, TagValues{format.name, artists[copy % 3], "Album", "3"});
        }
        const std::string whole = ReadFile(in / ("0/0" + std::string(format.fileName)));
        fixtures::WriteBytes(in / ("1/damaged" + std::string(format.fileName)),
                             whole.substr(0, whole.size() / 3));
    }
    fixtures::WriteTextFile(in / "2/notes.mp3", "not audio");
    fixtures::WriteTextFile(in / "2/cover.jpg", "not audio either");
    fixtures::WriteTextFile(
        in / (std::string("3/") + kTemporaryPrefix + "abcdef" + kTemporarySuffix), "");
    settings.FileNamingMode = 2;

    const auto plan = [&](std::size_t threads) {
        SortBatchContext context = Context();
        context.readerThreads = threads;
        return PlanSortBatch(context, {in.path(), in / "0"});
    };
    const SortBatchPlan one = plan(1);
    ASSERT_GT(one.request.sources.size(), 150U);
    ASSERT_GT(one.notSorted.size(), 3U);
    for (std::size_t threads : {std::size_t{2}, std::size_t{5}}) {
        const SortBatchPlan many = plan(threads);
        EXPECT_EQ(many.request.sources, one.request.sources) << threads;
        EXPECT_EQ(many.request.destinations, one.request.destinations) << threads;
        ASSERT_EQ(many.notSorted.size(), one.notSorted.size()) << threads;
        for (std::size_t i = 0; i < one.notSorted.size(); ++i) {
            EXPECT_EQ(many.notSorted[i].path, one.notSorted[i].path);
            EXPECT_EQ(many.notSorted[i].reason, one.notSorted[i].reason);
            EXPECT_EQ(many.notSorted[i].failed, one.notSorted[i].failed);
        }
    }
}

TEST_F(SortBatchTest, NothingAcceptedMeansNoTransfer) {
    fixtures::WriteTextFile(in / "notes.mp3", "not audio");
    RecordingDelegate delegate;
    EXPECT_FALSE(RunSortBatch(Context(), {in / "notes.mp3", in.path()}, delegate));
    EXPECT_TRUE(delegate.reports.empty());
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    EXPECT_TRUE(std::filesystem::is_empty(state.path()));
}

TEST_F(SortBatchTest, BothNamingModesOutOfRangeGiveNowhereToGo) {
    settings.FolderNamingMode = 9;
    settings.FileNamingMode = 9;
    std::string one = Song("one.mp3", "One");
    SortBatchPlan plan = PlanSortBatch(Context(), {one});
    EXPECT_TRUE(plan.request.sources.empty());
    EXPECT_THAT(NotSortedPaths(plan), ElementsAre(one));
}

TEST_F(SortBatchTest, AFileNameThatComesOutEmptyNeverLandsBesideTheBaseFolder) {
    settings.FolderNamingMode = 0;
    settings.FileNamingMode = 4;
    settings.FileNamingFormat = "";
    std::string one = Song("one.mp3", "One");
    EXPECT_THAT(NotSortedPaths(PlanSortBatch(Context(), {one})), ElementsAre(one));

    settings.FolderNamingMode = 3;  // the album folder's name with the extension, as designed
    settings.FolderNamingFormat = "?a";
    SortBatchPlan plan = PlanSortBatch(Context(), {one});
    EXPECT_THAT(plan.request.destinations, ElementsAre(out / "Album.mp3"));
}

// A base folder of exactly length bytes, in elements a file system takes.
std::string BaseOfLength(std::string base, std::size_t length) {
    while (base.size() < length)
        base += "/" + std::string(std::min<std::size_t>(200, length - base.size() - 1), 'b');
    return base;
}

TEST_F(SortBatchTest, ADestinationThatCannotBeBuiltWholeFailsNeverCut) {
    struct Case {
        int folderMode;
        int fileMode;
        std::size_t baseLength;
        std::string name;
    };
    const Case cases[] = {
        {2, 3, kMaxPath - 20, "one.mp3"},  // "Artist/Album" fits, the file not
        {1, 0, kMaxPath - 220, std::string(230, 'o') + ".mp3"},  // own name past the limit
        {0, 1, kMaxPath - 6, "one.mp3"},                         // "/One" fits, ".mp3" not
    };
    for (const Case& c : cases) {
        settings.FolderNamingMode = c.folderMode;
        settings.FileNamingMode = c.fileMode;
        settings.BaseFolderPath = BaseOfLength(out.path(), c.baseLength);
        std::string song = Song(c.name, "One");
        SortBatchPlan plan = PlanSortBatch(Context(), {song});
        EXPECT_THAT(plan.request.destinations, ElementsAre()) << c.fileMode;
        ASSERT_EQ(plan.notSorted.size(), 1u);
        EXPECT_EQ(plan.notSorted[0].path, song);
        EXPECT_TRUE(plan.notSorted[0].failed);

        RecordingDelegate delegate;
        std::optional<TransferSummary> summary = RunSortBatch(Context(), {song}, delegate);
        ASSERT_TRUE(summary);
        EXPECT_EQ(summary->failed, 1u);
        ASSERT_EQ(delegate.reports.size(), 1u);
        EXPECT_EQ(delegate.reports[0].outcome, FileOutcome::Failed);
        EXPECT_THAT(EnglishReason(delegate.reports[0].reason), ::testing::HasSubstr("longer than"));
    }
}

TEST_F(SortBatchTest, TemporariesOfAKilledRunAreNoMusicAndGoWhenTheirFolderIsWrittenTo) {
    std::string one = Song("one.mp3", "One");
    std::string album = out / "Artist/Album/";
    std::string stale = album + ".tunvex-AbC123.part";  // left by a killed run
    std::string live = album + ".tunvex-dEf456.part";   // another run still writes it
    for (const std::string& temporary : {stale, live}) {
        std::filesystem::create_directories(album);
        fixtures::WriteMp3(temporary, std::nullopt, TagValues{"T16", "Artist", "Album", "16"});
    }
    int liveFd = open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(liveFd, LOCK_EX), 0);

    SortBatchPlan plan = PlanSortBatch(Context(), {one, album});
    EXPECT_THAT(plan.request.sources, ElementsAre(one));
    EXPECT_THAT(NotSortedPaths(plan), ::testing::UnorderedElementsAre(stale, live));

    RecordingDelegate delegate;
    RunSortBatch(Context(), {one, album}, delegate);
    EXPECT_EQ(ReadFile(album + "01.One.mp3"), ReadFile(one));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live));
    close(liveFd);
}

TEST_F(SortBatchTest, ACopySortPutsEveryFileInItsFolder) {
    std::string one = Song("x/one.mp3", "One");
    std::string two = Song("y/two.mp3", "Two");
    RecordingDelegate delegate;
    std::optional<TransferSummary> summary = RunSortBatch(Context(), {in.path()}, delegate);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->transferred, 2u);
    EXPECT_EQ(ReadFile(out / "Artist/Album/01.One.mp3"), ReadFile(one));
    EXPECT_EQ(ReadFile(out / "Artist/Album/01.Two.mp3"), ReadFile(two));
    EXPECT_TRUE(std::filesystem::exists(one));

    settings.CopyMode = 1;
    settings.CollisionMode = 1;
    summary = RunSortBatch(Context(), {one}, delegate);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->renamed, 1u);
    EXPECT_TRUE(std::filesystem::exists(out / "Artist/Album/01.One (2).mp3"));
    EXPECT_FALSE(std::filesystem::exists(one));
    // Each run can be undone, as from the window so from tunvex-sort.
    EXPECT_EQ(ListJournals(state / "tunvex").size(), 2u);
}

// Every entry under root, folders with a trailing slash, links not followed.
std::vector<std::string> Entries(const std::filesystem::path& root) {
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string name = entry.path().lexically_relative(root);
        entries.push_back(entry.is_directory() && !entry.is_symlink() ? name + "/" : name);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Undoes, when it goes, what was done to the scene that a removal of its folder would not undo.
class SceneCleanUp {
  public:
    SceneCleanUp() = default;
    SceneCleanUp(const SceneCleanUp&) = delete;
    SceneCleanUp& operator=(const SceneCleanUp&) = delete;
    ~SceneCleanUp() {
        for (auto step = steps_.rbegin(); step != steps_.rend(); ++step)
            (*step)();
    }
    void Add(std::function<void()> step) { steps_.push_back(std::move(step)); }

  private:
    std::vector<std::function<void()>> steps_;
};

// Sets or clears a flag of the file (FS_IOC_SETFLAGS); false where it cannot.
bool SetInodeFlag(const std::string& path, int flag, bool on) {
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | flag : flags & ~flag;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        close(fd);
    return done;
}

// Gives the folder what a row asks for ("d/e/ owner"); false, with why, when this machine
// cannot. owner and group: another user's or group's; setgid: a third group's, set-group-ID, so
// that the folders made in it are that group's too; acl: an ACL for nobody; xattr: a user
// extended attribute; mount: a file system mounted on it; append: only added to, so that a
// folder in it cannot be removed.
bool GiveFolder(const std::string& folder, const std::string& what, SceneCleanUp& cleanUp,
                std::string& whyNot) {
    if (what == "owner" || what == "group" || what == "setgid") {
        uid_t owner = what == "owner" ? 12345 : uid_t(-1);
        gid_t group = what == "group" ? 12346 : what == "setgid" ? 12345 : gid_t(-1);
        if (chown(folder.c_str(), owner, group) != 0 ||
            (what == "setgid" && chmod(folder.c_str(), 02755) != 0)) {
            whyNot = std::string("cannot chown: ") + std::strerror(errno);
            return false;
        }
    } else if (what == "acl") {
        std::system(("setfacl -m u:nobody:rx '" + folder + "' 2>/dev/null").c_str());
        if (getxattr(folder.c_str(), "system.posix_acl_access", nullptr, 0) <= 0) {
            whyNot = "cannot set an ACL";
            return false;
        }
    } else if (what == "xattr") {
        if (setxattr(folder.c_str(), "user.comment", "mine", 4, 0) != 0) {
            whyNot = std::string("cannot set an extended attribute: ") + std::strerror(errno);
            return false;
        }
    } else if (what == "mount") {
        whyNot = EnterPrivateMountNamespace();
        if (!whyNot.empty())
            return false;
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=4m") != 0) {
            whyNot = std::string("cannot mount: ") + std::strerror(errno);
            return false;
        }
        cleanUp.Add([folder] { umount2(folder.c_str(), MNT_DETACH); });
    } else if (what == "append") {
        if (!SetInodeFlag(folder, FS_APPEND_FL, true)) {
            whyNot = std::string("cannot make a folder append-only: ") + std::strerror(errno);
            return false;
        }
        cleanUp.Add([folder] { SetInodeFlag(folder, FS_APPEND_FL, false); });
    } else {
        ADD_FAILURE() << "no such folder attribute: " << what;
    }
    return true;
}

// Files: "d/a.mp3 X" a song of album X titled a, "d/l -> t" a link, "d/e/" a folder (followed
// by what GiveFolder gives it), else a file of its own name. Moved, unless a row says otherwise.
// foldersKept: each folder the move emptied, or took files out of, and kept, with why.
TEST_F(SortBatchTest, AlbumExtrasFollowTracksToOneFolderAndAMoveRemovesTheFoldersItEmptied) {
    struct Row {
        const char* what;
        std::vector<std::string> files;
        std::vector<std::string> dropped;
        std::vector<std::string> leftIn;
        std::vector<std::string> sorted;
        std::vector<ExtraKeptBecause> kept = {};
        std::vector<std::string> foldersKept = {};
        int copyMode = 1;
        int carry = 1;
        int remove = 1;
        std::string patterns = "*.jpg;*.jpeg;*.png;*.cue;*.log;*.lrc;*.txt";
    };
    const std::string x = "Artist/X/", y = "Artist/Y/";
    const Row rows[] = {
        {"all tracks to one folder, with a cover and notes",
         {"d/a.mp3 X", "d/b.mp3 X", "d/cover.jpg", "d/NOTES.Txt", "d/sub/readme"},
         {"d"},
         {"d/", "d/sub/", "d/sub/readme"},
         {x + "01.a.mp3", x + "01.b.mp3", x + "NOTES.Txt", x + "cover.jpg"},
         {},
         {"d: it is not empty"}},
        {"tracks to two folders",
         {"d/a.mp3 X", "d/b.mp3 Y", "d/cover.jpg"},
         {"d"},
         {"d/", "d/cover.jpg"},
         {x + "01.a.mp3", y + "01.b.mp3"},
         {ExtraKeptBecause::TracksGoToSeveralFolders},
         {"d: it is not empty"}},
        {"an extra that is a music file",
         {"d/a.mp3 X", "d/b.mp3 X"},
         {"d"},
         {},
         {x + "01.a.mp3", x + "01.b.mp3"},
         {},
         {},
         1,
         1,
         1,
         "*.mp3"},
        {"an extra whose name the request gives already",
         {"d/q/b.mp3 X", "d/q/cover.jpg", "d/p/a.mp3 X", "d/p/cover.jpg"},
         {"d/q", "d/p"},
         {"d/", "d/p/", "d/p/cover.jpg"},
         {x + "01.a.mp3", x + "01.b.mp3", x + "cover.jpg"},
         {ExtraKeptBecause::NameTakenAtDestination},
         {"d/p: it is not empty"}},
        {"nested folders emptied, the dropped one too",
         {"d/e/f/a.mp3 X", "d/e/b.mp3 X"},
         {"d"},
         {},
         {x + "01.a.mp3", x + "01.b.mp3"}},
        {"a folder that holds an empty folder the run did not empty",
         {"d/a.mp3 X", "d/e/"},
         {"d"},
         {"d/", "d/e/"},
         {x + "01.a.mp3"},
         {},
         {"d: it is not empty"}},
        {"a dropped file: its folder stays, its cover goes with it",
         {"d/a.mp3 X", "d/cover.jpg"},
         {"d/a.mp3"},
         {"d/"},
         {x + "01.a.mp3", x + "cover.jpg"}},
        {"one dropped track of a folder of two albums takes no extras",
         {"d/a.mp3 X", "d/b.mp3 Y", "d/cover.jpg", "d/taxes.txt"},
         {"d/a.mp3"},
         {"d/", "d/b.mp3", "d/cover.jpg", "d/taxes.txt"},
         {x + "01.a.mp3"},
         {ExtraKeptBecause::TracksGoToSeveralFolders, ExtraKeptBecause::TracksGoToSeveralFolders}},
        {"whatever the patterns, another album's track is no extra",
         {"d/a.mp3 X", "d/b.mp3 Y", "d/c.txt"},
         {"d/a.mp3"},
         {"d/", "d/b.mp3", "d/c.txt"},
         {x + "01.a.mp3"},
         {ExtraKeptBecause::TracksGoToSeveralFolders},
         {},
         1,
         1,
         1,
         "*"},
        {"an extra dropped under a second spelling of its folder",
         {"d/a.mp3 X", "d/cover.jpg"},
         {"d/a.mp3", "d/../d/cover.jpg"},
         {"d/"},
         {x + "01.a.mp3", x + "cover.jpg"}},
        {"a dropped folder's parent stays", {"d/e/a.mp3 X"}, {"d/e"}, {"d/"}, {x + "01.a.mp3"}},
        {"the dropped home folder stays, and a user folder in it",
         {"home/e/a.mp3 X", "home/Music/b.mp3 X"},
         {"home"},
         {"home/", "home/Music/"},
         {x + "01.a.mp3", x + "01.b.mp3"}},
        {"a dropped user folder stays, by its identity",
         {"home/Music/a.mp3 X"},
         {"home/../home/Music"},
         {"home/", "home/Music/"},
         {x + "01.a.mp3"}},
        {"a folder reached through a link stays, and so does the link",
         {"d/a.mp3 X", "d/l -> ../t", "t/b.mp3 X"},
         {"d"},
         {"d/", "d/l", "t/"},
         {x + "01.a.mp3", x + "01.b.mp3"},
         {},
         {"d/l: a link stands on its path", "d: it is not empty"}},
        {"a link above the dropped folder is followed, and folders that held only folders go",
         {"real/d/e/f/a.mp3 X", "real/d/e/g/b.mp3 X", "m -> real"},
         {"m/d"},
         {"m", "real/"},
         {x + "01.a.mp3", x + "01.b.mp3"}},
        {"a dropped link to a folder stays, and so does that folder",
         {"real/a.mp3 X", "l -> real"},
         {"l"},
         {"l", "real/"},
         {x + "01.a.mp3"},
         {},
         {"l: a link stands on its path"}},
        {"a folder of another user or group stays; one of the group it would get again goes",
         {"d/ setgid", "d/o/ owner", "d/o/a.mp3 X", "d/g/ group", "d/g/b.mp3 X", "d/s/c.mp3 X"},
         {"d"},
         {"d/", "d/g/", "d/o/"},
         {x + "01.a.mp3", x + "01.b.mp3", x + "01.c.mp3"},
         {},
         {"d/g: an undo could not give back its group",
          "d/o: an undo could not give back its owner", "d: it is not empty"}},
        {"a folder with an ACL or extended attributes stays",
         {"d/c/ acl", "d/c/a.mp3 X", "d/x/ xattr", "d/x/b.mp3 X"},
         {"d"},
         {"d/", "d/c/", "d/x/"},
         {x + "01.a.mp3", x + "01.b.mp3"},
         {},
         {"d/c: an undo could not give back its ACL",
          "d/x: an undo could not give back its extended attributes"}},
        {"a mount point stays",
         {"d/e/ mount", "d/e/a.mp3 X"},
         {"d"},
         {"d/", "d/e/"},
         {x + "01.a.mp3"},
         {},
         {"d/e: it is a mount point"}},
        {"a folder that cannot be removed stays",
         {"d/ append", "d/e/a.mp3 X"},
         {"d"},
         {"d/", "d/e/"},
         {x + "01.a.mp3"},
         {},
         {"d/e: cannot remove it: Operation not permitted"}},
        {"a copy takes the extras and removes nothing",
         {"d/a.mp3 X", "d/cover.jpg"},
         {"d"},
         {"d/", "d/a.mp3", "d/cover.jpg"},
         {x + "01.a.mp3", x + "cover.jpg"},
         {},
         {},
         0},
        {"both settings off",
         {"d/a.mp3 X", "d/cover.jpg"},
         {"d"},
         {"d/", "d/cover.jpg"},
         {x + "01.a.mp3"},
         {},
         {},
         1,
         0,
         0},
    };
    settings.CollisionMode = 1;
    int number = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::filesystem::path from = in / std::to_string(++number);
        std::filesystem::path to = out / std::to_string(number);
        SceneCleanUp cleanUp;
        std::string whyNot;
        for (const std::string& file : row.files) {
            std::string name = file.substr(0, file.find(' '));
            std::filesystem::path path = from / name;
            std::filesystem::create_directories(path.parent_path());
            if (name.ends_with('/')) {
                std::filesystem::create_directories(path);
                if (name != file &&
                    !GiveFolder(path.parent_path(), file.substr(name.size() + 1), cleanUp, whyNot))
                    break;
            } else if (file.find(" -> ") != std::string::npos)
                std::filesystem::create_directory_symlink(file.substr(file.find(" -> ") + 4), path);
            else if (file.find(' ') != std::string::npos)
                fixtures::WriteMp3(
                    path, std::nullopt,
                    TagValues{path.stem(), "Artist", file.substr(file.find(' ') + 1), "1"});
            else
                fixtures::WriteTextFile(path, file);
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
        std::vector<std::string> notSorted;
        for (const NotSorted& file : plan.notSorted)
            notSorted.push_back(file.path);

        RecordingDelegate delegate;
        std::optional<TransferSummary> summary = RunSortBatch(Context(), dropped, delegate);
        ASSERT_TRUE(summary);
        EXPECT_EQ(summary->failed + summary->skipped, 0u);
        EXPECT_EQ(summary->extrasKept, row.kept.size());
        std::vector<std::string> foldersKept;
        for (const KeptFolder& folder : summary->foldersKept) {
            foldersKept.push_back(
                std::filesystem::path(folder.path).lexically_relative(from).string() + ": " +
                EnglishReason(folder.reason));
        }
        EXPECT_EQ(foldersKept, row.foldersKept);
        EXPECT_EQ(Entries(from), row.leftIn);
        for (const std::string& path : notSorted)
            EXPECT_TRUE(std::filesystem::exists(path)) << path << " is reported left but went";
        std::vector<std::string> sorted;
        for (const std::string& entry : Entries(to)) {
            if (!entry.ends_with('/'))
                sorted.push_back(entry);
        }
        EXPECT_EQ(sorted, row.sorted);
        // The first cover of the request is the one that travels.
        auto cover = std::ranges::find_if(
            row.files, [](const std::string& file) { return file.ends_with("cover.jpg"); });
        if (std::ranges::count(row.sorted, x + "cover.jpg") != 0) {
            EXPECT_EQ(ReadFile(to / (x + "cover.jpg")), *cover);
        }
        for (const NotSorted& file : plan.notSorted)
            EXPECT_THAT(plan.request.sources, ::testing::Not(::testing::Contains(file.path)));
    }
}

// An album's extras go after its tracks and only when every one of them was placed: a track
// skipped at the question, or changed after the plan, keeps them in their folder, told why.
TEST_F(SortBatchTest, AlbumExtrasStayWhenTheirTracksDoNotAllGo) {
    settings.CarryExtraFiles = 1;
    settings.ExtraFilePatterns = "*.jpg";
    settings.CopyMode = 1;
    settings.CollisionMode = 0;
    for (bool skipped : {true, false}) {
        SCOPED_TRACE(skipped ? "a track skipped at the question"
                             : "a track changed after the plan");
        const std::string album = skipped ? "skipped/" : "changed/";
        Song(album + "a.mp3", "a");
        std::string second = Song(album + "b.mp3", "b");
        fixtures::WriteTextFile(in / (album + "cover.jpg"), "cover");
        settings.BaseFolderPath = out / album;
        if (skipped) {
            std::filesystem::create_directories(out / (album + "Artist/Album"));
            fixtures::WriteTextFile(out / (album + "Artist/Album/01.b.mp3"), "there already");
        }
        SortBatchPlan plan = PlanSortBatch(Context(), {in / album});
        ASSERT_EQ(plan.request.sources.size(), 3u);
        if (!skipped)
            fixtures::WriteTextFile(second, "rewritten");
        RecordingDelegate delegate;
        RunTransfer(plan.request, delegate);
        ASSERT_EQ(delegate.reports.size(), 3u);
        // The tracks in the order the folder lists them, the extra after them.
        const auto first = std::ranges::find_if(delegate.reports, [&](const FileReport& report) {
            return report.source == in / (album + "a.mp3");
        });
        ASSERT_NE(first, delegate.reports.end());
        EXPECT_EQ(first->outcome, FileOutcome::Transferred);
        EXPECT_EQ(delegate.reports[2].source, in / (album + "cover.jpg"));
        EXPECT_EQ(delegate.reports[2].outcome, FileOutcome::Skipped);
        EXPECT_EQ(delegate.reports[2].reason.kind, FailureKind::TracksNotAllPlaced);
        EXPECT_EQ(ReadFile(in / (album + "cover.jpg")), "cover");
        EXPECT_FALSE(std::filesystem::exists(out / (album + "Artist/Album/cover.jpg")));
    }
}

// Sorted under the tags read, a file re-tagged since would land under names it no longer has:
// whether the tagger saves a new file over it, or rewrites it in place and sets its time back.
TEST_F(SortBatchTest, AFileRetaggedAfterItsTagsWereReadIsLeftWhereItIs) {
    for (int copyMode : {0, 1}) {
        for (bool inPlace : {false, true}) {
            std::string run = std::to_string(copyMode) + (inPlace ? "-in-place" : "-new-file");
            SCOPED_TRACE(run);
            settings.CopyMode = copyMode;
            settings.BaseFolderPath = out / run;
            std::string first = Song(run + "/first.mp3", "Old");
            std::string second = Song(run + "/second.mp3", "Second");
            struct stat read = {};
            SortBatchContext context = Context();
            context.readerThreads = 1;
            context.reading = [&](std::size_t index, std::size_t) {
                if (index != 1)
                    return true;
                fixtures::WriteMp3(first + ".new", std::nullopt,
                                   TagValues{"New", "Artist", "Album", "1"});
                if (!inPlace) {
                    std::filesystem::rename(first + ".new", first);
                    return true;
                }
                // Within the clock's tick the change time would not move.
                usleep(20000);
                stat(first.c_str(), &read);
                // The tag keeps its length: the file keeps its size.
                EXPECT_EQ(std::filesystem::file_size(first + ".new"), read.st_size);
                std::filesystem::copy_file(first + ".new", first,
                                           std::filesystem::copy_options::overwrite_existing);
                const struct timespec times[2] = {read.st_atim, read.st_mtim};
                utimensat(AT_FDCWD, first.c_str(), times, 0);
                std::filesystem::remove(first + ".new");
                return true;
            };
            RecordingDelegate delegate;
            std::optional<TransferSummary> summary =
                RunSortBatch(context, {first, second}, delegate);
            ASSERT_TRUE(summary);
            EXPECT_EQ(summary->failed, 1u);
            ASSERT_EQ(delegate.reports.size(), 2u);
            EXPECT_EQ(EnglishReason(delegate.reports[0].reason),
                      "it is no longer the file that was planned: it changed or was replaced");
            std::string album = settings.BaseFolderPath + "/Artist/Album/";
            EXPECT_FALSE(std::filesystem::exists(album + "01.Old.mp3"));
            EXPECT_TRUE(std::filesystem::exists(first));
            EXPECT_TRUE(std::filesystem::exists(album + "01.Second.mp3"));
        }
    }
}

}  // namespace
}  // namespace tunvex
