#include "core/sorting/sort_batch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/base/paths.h"
#include "core/files/file_copy.h"
#include "core/transfer/journal.h"
#include "tests/fixtures/audio_fixtures.h"
#include "tests/fixtures/stream_bytes.h"
#include "tests/mp3infp/format_cases.h"
#include "tests/support/bound_tag_library.h"
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
        EXPECT_THAT(delegate.reports[0].reason, ::testing::HasSubstr("longer than"));
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
            struct stat read {};
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
            EXPECT_EQ(delegate.reports[0].reason,
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
