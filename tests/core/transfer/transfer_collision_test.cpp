#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "core/files/trash.h"
#include "core/transfer/transfer.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using Outcomes = std::vector<FileOutcome>;

const TransferOperation kOperations[] = {TransferOperation::Copy, TransferOperation::Move};

TEST(TransferCollisionTest, RenameModeTakesTheFirstFreeNumberedName) {
    struct Case {
        const char* name;
        std::vector<std::string> existing;      // files already in the destination folder
        std::vector<std::string> destinations;  // one source per destination
        std::vector<std::string> expected;      // names the sources end under
    };
    const std::string longName = Repeat("x", 250) + ".mp3";   // 254 bytes: " (2)" cannot fit
    const std::string kanjiName = Repeat("漢", 83) + ".mp3";  // 253 bytes, 3 a character
    // clang-format off
    const Case cases[] = {
        {"two taken", {"x.mp3", "x (2).mp3"}, {"x.mp3"}, {"x (3).mp3"}},
        {"gap", {"x.mp3", "x (3).mp3"}, {"x.mp3"}, {"x (2).mp3"}},
        {"own destinations", {}, {"y.mp3", "y.mp3", "y.mp3"}, {"y.mp3", "y (2).mp3", "y (3).mp3"}},
        {"own and existing", {"y.mp3"}, {"y.mp3", "y.mp3"}, {"y (2).mp3", "y (3).mp3"}},
        {"folder in the way", {"d.mp3/inside"}, {"d.mp3"}, {"d (2).mp3"}},
        {"long name", {longName}, {longName}, {Repeat("x", 247) + " (2).mp3"}},
        {"cut whole characters", {kanjiName}, {kanjiName}, {Repeat("漢", 82) + " (2).mp3"}},
    };
    // clang-format on
    for (TransferOperation operation : kOperations) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            TransferScene scene(operation, kTransferRenameOnCollision);
            for (const std::string& name : c.existing)
                WriteFile(scene.to / name, "old");
            for (std::size_t i = 0; i < c.destinations.size(); ++i)
                scene.Add(std::to_string(i), "new" + std::to_string(i), c.destinations[i]);
            EXPECT_EQ(scene.Run().failed, 0u);

            const RecordingDelegate& delegate = scene.delegate;
            EXPECT_TRUE(delegate.asked.empty());
            ASSERT_EQ(delegate.reports.size(), c.expected.size());
            for (std::size_t i = 0; i < c.expected.size(); ++i) {
                std::string final = scene.to / c.expected[i];
                EXPECT_EQ(delegate.reports[i].destination, final);
                EXPECT_EQ(delegate.reports[i].outcome, c.expected[i] == c.destinations[i]
                                                           ? FileOutcome::Transferred
                                                           : FileOutcome::Renamed);
                EXPECT_EQ(ReadFile(final), "new" + std::to_string(i));
            }
            for (const std::string& name : c.existing)
                EXPECT_EQ(ReadFile(scene.to / name), "old") << name;
        }
    }
}

TEST(TransferCollisionTest, RenameModeLeavesASourceAlreadyUnderANumberedName) {
    for (TransferOperation operation : kOperations) {
        TempFolder folder;
        WriteFile(folder / "out/x.mp3", "first");
        WriteFile(folder / "out/x (2).mp3", "second");
        RecordingDelegate delegate;
        EXPECT_EQ(RunTransfer(MakeRequest(operation, {folder / "out/x (2).mp3"},
                                          {folder / "out/x.mp3"}, kTransferRenameOnCollision),
                              delegate)
                      .sameFile,
                  1u);
        EXPECT_EQ(ReadFile(folder / "out/x (2).mp3"), "second");
        EXPECT_FALSE(Exists(folder / "out/x (3).mp3"));
        EXPECT_TRUE(Leftovers(folder.path()).empty());
    }
}

TEST(TransferCollisionTest, AskModeFollowsEachAnswer) {
    using A = CollisionAnswer;
    using O = FileOutcome;
    struct Case {
        std::vector<CollisionAnswer> answers;
        std::size_t expectedAsks;
        std::vector<FileOutcome> expected;  // for the three colliding files
    };
    // clang-format off
    const Case cases[] = {
        {{A::Replace, A::Skip, A::Replace}, 3, {O::Replaced, O::Skipped, O::Replaced}},
        {{A::ReplaceAll}, 1, {O::Replaced, O::Replaced, O::Replaced}},
        {{A::Skip, A::ReplaceAll}, 2, {O::Skipped, O::Replaced, O::Replaced}},
        {{A::Skip, A::Cancel}, 2, {O::Skipped, O::Cancelled, O::Cancelled}},
    };
    // clang-format on
    for (TransferOperation operation : kOperations) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.answers.size());
            TransferScene scene(operation);
            for (int i = 0; i < 3; ++i) {
                std::string name = std::to_string(i) + ".mp3";
                scene.Add(name, "new", name);
                WriteFile(scene.to / name, "old");
            }
            scene.delegate.answers.assign(c.answers.begin(), c.answers.end());
            EXPECT_EQ(scene.Run().cancelled, c.expected.back() == O::Cancelled);
            EXPECT_EQ(scene.delegate.asked.size(), c.expectedAsks);
            EXPECT_EQ(scene.delegate.Outcomes(), c.expected);
            for (std::size_t i = 0; i < 3; ++i) {
                bool replaced = c.expected[i] == O::Replaced;
                EXPECT_EQ(ReadFile(scene.request.destinations[i]), replaced ? "new" : "old") << i;
                bool sourceLeft = operation == TransferOperation::Copy || !replaced;
                EXPECT_EQ(Exists(scene.request.sources[i]), sourceLeft) << i;
            }
            EXPECT_TRUE(Leftovers(scene.to.path()).empty());
        }
    }
}

// A replace answer holds for its file only, across batches too.
TEST(TransferCollisionTest, AskModeTwoFilesForOneDestinationMakeACollision) {
    for (TransferOperation operation : kOperations) {
        for (auto [batchFiles, old] : {std::pair{1u, false}, {256u, false}, {256u, true}}) {
            TransferScene scene(operation, kTransferAllowUndo);
            ScopedDataHome dataHome(scene.from / "data");
            scene.Add("a.mp3", "a", "out/x.mp3");
            scene.Add("b.mp3", "b", "out/x.mp3");
            if (old)
                WriteFile(scene.to / "out/x.mp3", "old");
            scene.request.batchFiles = batchFiles;
            using A = CollisionAnswer;
            scene.delegate.answers =
                old ? std::deque{A::Replace, A::Replace, A::Skip} : std::deque{A::Skip};
            scene.Run();
            EXPECT_EQ(scene.delegate.asked.size(), old ? 3u : 1u);
            EXPECT_EQ(scene.delegate.Outcomes(),
                      (Outcomes{old ? FileOutcome::Replaced : FileOutcome::Transferred,
                                FileOutcome::Skipped}));
            EXPECT_EQ(ReadFile(scene.to / "out/x.mp3"), "a");
            EXPECT_EQ(ReadFile(scene.from / "b.mp3"), "b");
            EXPECT_EQ(Exists(scene.from / "data/Trash/files/x.mp3"), old);
        }
    }
}

TEST(TransferCollisionTest, AskModeNeverReplacesAFolder) {
    TransferScene scene(TransferOperation::Copy, kTransferAllowUndo);
    scene.Add("a.mp3", "a", "x.mp3");
    WriteFile(scene.to / "x.mp3/keep", "keep");
    scene.delegate.answers = {CollisionAnswer::Replace};
    EXPECT_EQ(scene.Run().failed, 1u);
    EXPECT_EQ(ReadFile(scene.to / "x.mp3/keep"), "keep");
    EXPECT_TRUE(Leftovers(scene.to.path()).empty());
}

// real/a.mp3 onto itself by its path, a hard link, a linked folder or a link to it, in each mode.
TEST(TransferCollisionTest, ASourceThatIsItsOwnDestinationIsLeftAlone) {
    for (TransferOperation operation : kOperations) {
        for (unsigned flags :
             {unsigned{kTransferAllowUndo}, unsigned{kTransferRenameOnCollision}, 0u}) {
            for (const char* destination :
                 {"real/a.mp3", "real/hard.mp3", "linked/a.mp3", "real/soft.mp3"}) {
                SCOPED_TRACE(destination);
                TempFolder folder;
                WriteFile(folder / "real/a.mp3", "content");
                link((folder / "real/a.mp3").c_str(), (folder / "real/hard.mp3").c_str());
                symlink((folder / "real").c_str(), (folder / "linked").c_str());
                symlink((folder / "real/a.mp3").c_str(), (folder / "real/soft.mp3").c_str());
                ScopedDataHome dataHome(folder / "data");
                RecordingDelegate delegate;
                delegate.answers = {CollisionAnswer::ReplaceAll};
                RunTransfer(
                    MakeRequest(operation, {folder / "real/a.mp3"}, {folder / destination}, flags),
                    delegate);

                EXPECT_EQ(delegate.Outcomes(), std::vector<FileOutcome>{FileOutcome::SameFile});
                EXPECT_TRUE(delegate.asked.empty());
                EXPECT_EQ(ReadFile(folder / "real/a.mp3"), "content");
                EXPECT_EQ(ReadFile(folder / destination), "content");
                EXPECT_FALSE(Exists(folder / "data"));
                EXPECT_FALSE(Exists(folder / "real/a (2).mp3"));
                EXPECT_TRUE(Leftovers(folder.path()).empty());
            }
        }
    }
}

TransferSummary ReplaceWithUndo(const std::string& source, const std::string& destination,
                                TransferOperation operation = TransferOperation::Copy) {
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Replace};
    return RunTransfer(MakeRequest(operation, {source}, {destination}, kTransferAllowUndo),
                       delegate);
}

// Each replaced file reaches the trash with its origin, a long name cut to whole characters.
TEST(TransferUndoTest, ReplacedFilesGoToTheTrashWithTheirOrigin) {
    const std::pair<std::string, std::string> names[] = {
        {"My Song%", "My%20Song%25"}, {Repeat("漢", 82), Repeat("%E6%BC%A2", 82)}};
    for (const auto& [stem, escaped] : names) {
        TempFolder folder;
        ScopedDataHome dataHome(folder / "data");
        std::string destination = folder / (stem + ".mp3");
        WriteFile(destination, "old");
        for (const char* name : {"new1.mp3", "new2.mp3"}) {
            WriteFile(folder / name, name);
            EXPECT_EQ(ReplaceWithUndo(folder / name, destination).replaced, 1u);
        }
        EXPECT_EQ(ReadFile(destination), "new2.mp3");
        std::set<std::string> trashed;
        for (const auto& file : std::filesystem::directory_iterator(folder / "data/Trash/files")) {
            std::string entry = file.path().filename().string();
            std::string kept = entry.substr(0, std::min(entry.find(" ("), entry.size() - 4));
            EXPECT_TRUE(stem.starts_with(kept) && entry.ends_with(".mp3")) << entry;
            EXPECT_TRUE(kept == stem || kept.size() % 3 == 0) << entry;
            EXPECT_THAT(ReadFile(folder / "data/Trash/info/" + entry + ".trashinfo"),
                        MatchesRegex("\\[Trash Info\\]\nPath=" + folder.path() + "/" + escaped +
                                     "\\.mp3\nDeletionDate=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:"
                                     "[0-9]{2}:[0-9]{2}\n"));
            trashed.insert(ReadFile(file.path()));
        }
        EXPECT_EQ(trashed, (std::set<std::string>{"old", "new1.mp3"}));
        struct stat info = {};
        ASSERT_EQ(stat((folder / "data/Trash").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
}

// What stood there reaches the trash as it was: a link as the link, a dangling one too.
TEST(TransferUndoTest, FromAnotherFileSystemTheTrashGetsWhatStoodThere) {
    if (OtherFileSystem().empty())
        GTEST_SKIP() << kNoOtherFileSystem;
    TempFolder home;
    TempFolder other(OtherFileSystem());
    ScopedDataHome dataHome(home / "data");
    WriteFile(other / "target.mp3", "target");
    const std::pair<std::string, std::string> victims[] = {
        {"file.mp3", ""}, {"link.mp3", other / "target.mp3"}, {"dangling.mp3", other / "gone"}};
    for (const auto& [name, linkText] : victims) {
        if (linkText.empty())
            WriteFile(other / name, "old");
        else
            ASSERT_EQ(symlink(linkText.c_str(), (other / name).c_str()), 0);
        WriteFile(other / "new.mp3", "new");
        EXPECT_EQ(ReplaceWithUndo(other / "new.mp3", other / name).replaced, 1u) << name;
        EXPECT_EQ(ReadFile(other / name), "new");
        std::string trashed = home / ("data/Trash/files/" + name);
        std::error_code notALink;
        EXPECT_EQ(std::filesystem::read_symlink(trashed, notALink).string(), linkText) << name;
        EXPECT_TRUE(!linkText.empty() || ReadFile(trashed) == "old");
    }
    EXPECT_EQ(ReadFile(other / "target.mp3"), "target");
    EXPECT_TRUE(Leftovers(home.path()).empty());
    EXPECT_TRUE(Leftovers(other.path()).empty());
}

// A version saved between the check and the trash goes back to its place, never to the trash.
TEST(TransferUndoTest, ANewVersionSavedAfterTheCheckStaysInItsPlace) {
    TempFolder folder;
    ScopedDataHome dataHome(folder / "data");
    const std::string path = folder / "song.mp3";
    WriteFile(path, "checked");
    struct stat checked = {};
    ASSERT_EQ(lstat(path.c_str(), &checked), 0);
    auto saveNewVersion = [&](const std::string&) {
        WriteFile(folder / "saving", "new version");
        rename((folder / "saving").c_str(), path.c_str());
    };
    EXPECT_EQ(MoveToTrash(path, nullptr, saveNewVersion, &checked), ESTALE);
    EXPECT_EQ(ReadFile(path), "new version");
    EXPECT_TRUE(std::filesystem::is_empty(folder / "data/Trash/files"));
    EXPECT_TRUE(std::filesystem::is_empty(folder / "data/Trash/info"));
}

TEST(TransferUndoTest, WhenTheTrashCannotTakeTheFileTheReplaceFails) {
    TempFolder folder;
    ScopedDataHome dataHome(folder / "data");
    WriteFile(folder / "data/Trash", "a file where the trash folder must go");
    WriteFile(folder / "out/a.mp3", "old");
    WriteFile(folder / "new.mp3", "new");
    TransferSummary summary =
        ReplaceWithUndo(folder / "new.mp3", folder / "out/a.mp3", TransferOperation::Move);
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_EQ(ReadFile(folder / "out/a.mp3"), "old");
    EXPECT_EQ(ReadFile(folder / "new.mp3"), "new");
    EXPECT_TRUE(Leftovers(folder.path()).empty());
}

// new.mp3 replaces sorted/old.mp3, the next source: new.mp3 is never sorted again.
TEST(TransferCollisionTest, AFileAnEarlierOneReplacedIsNoSource) {
    const std::pair<TransferOperation, std::size_t> cases[] = {
        {TransferOperation::Move, kDefaultTransferBatchFiles},
        {TransferOperation::Copy, kDefaultTransferBatchFiles},
        {TransferOperation::Copy, 1}};
    for (auto [operation, batchFiles] : cases) {
        TransferScene scene(operation, kTransferAllowUndo);
        ScopedDataHome dataHome(scene.from / "data");
        scene.Add("new.mp3", "new", "sorted/old.mp3");
        WriteFile(scene.to / "sorted/old.mp3", "retagged");
        scene.request.sources.push_back(scene.to / "sorted/old.mp3");
        scene.request.destinations.push_back(scene.to / "sorted/retagged.mp3");
        scene.request.batchFiles = batchFiles;
        scene.delegate.answers = {CollisionAnswer::ReplaceAll};
        scene.Run();

        EXPECT_EQ(scene.delegate.Outcomes(),
                  (Outcomes{FileOutcome::Replaced, FileOutcome::Failed}));
        EXPECT_THAT(EnglishReason(scene.delegate.reports.back().reason),
                    HasSubstr("replaced by an earlier file"));
        EXPECT_EQ(ReadFile(scene.to / "sorted/old.mp3"), "new");
        EXPECT_FALSE(Exists(scene.to / "sorted/retagged.mp3"));
        EXPECT_EQ(ReadFile(scene.from / "data/Trash/files/old.mp3"), "retagged");
        EXPECT_TRUE(Leftovers(scene.to.path()).empty());
    }
}

// Written to while it is copied: a copy of no version that ever was.
TEST(TransferCollisionTest, ASourceWrittenToWhileItIsCopiedIsLeftAlone) {
    TransferScene scene(TransferOperation::Copy);
    scene.Add("a.mp3", std::string(65536, 'p'), "out/a.mp3");
    scene.request.chunkBytes = 4096;
    scene.delegate.cancelWhen = [&](const RecordingDelegate& self) {
        if (self.progress.size() == 4)  // inside the copy
            WriteFile(scene.from / "a.mp3", "edited");
        return false;
    };
    scene.Run();
    EXPECT_EQ(scene.delegate.Outcomes(), Outcomes{FileOutcome::Failed});
    EXPECT_THAT(EnglishReason(scene.delegate.reports[0].reason), HasSubstr("no longer the file"));
    EXPECT_FALSE(Exists(scene.to / "out/a.mp3"));
}

// A source gone, rewritten or swapped for a link or a pipe since its look: left alone, unasked.
TEST(TransferCollisionTest, ASourceChangedSinceItWasLookedAtGetsNoFolderAndNoQuestion) {
    enum class Change { Removed, Rewritten, Linked, Pipe };
    for (const TransferCase& run : TransferCases()) {
        for (Change change : {Change::Removed, Change::Rewritten, Change::Linked, Change::Pipe}) {
            for (const char* into : {"new", "sorted", "known"}) {
                SCOPED_TRACE(run.name + ", change " + std::to_string(static_cast<int>(change)) +
                             ", into " + into);
                TransferScene scene(run);
                scene.Add("b.mp3", "earlier", "known/b.mp3");
                scene.Add("a.mp3", "planned", std::string(into) + "/a.mp3");
                const std::string& source = scene.request.sources[1];
                WriteFile(scene.to / "sorted/a.mp3", "stands");
                scene.request.sourceStates = {TakeSnapshot(scene.from / "b.mp3"),
                                              TakeSnapshot(source)};
                if (change == Change::Rewritten)
                    WriteFile(source, "rewritten");
                if (change == Change::Linked) {
                    usleep(20000);  // its change time moves with its links once the clock ticked
                    ASSERT_EQ(link(source.c_str(), (scene.from / "kept.mp3").c_str()), 0);
                }
                if (change != Change::Rewritten)
                    unlink(source.c_str());
                EXPECT_TRUE(change != Change::Linked || symlink("kept.mp3", source.c_str()) == 0);
                EXPECT_TRUE(change != Change::Pipe || mkfifo(source.c_str(), 0644) == 0);
                scene.delegate.answers = {CollisionAnswer::Replace};
                scene.Run();
                const RecordingDelegate& delegate = scene.delegate;
                EXPECT_EQ(delegate.Outcomes(),
                          (Outcomes{FileOutcome::Transferred, FileOutcome::Failed}));
                EXPECT_THAT(EnglishReason(delegate.reports.back().reason),
                            change == Change::Removed ? HasSubstr("No such file")
                                                      : HasSubstr("no longer the file"));
                EXPECT_TRUE(delegate.asked.empty());
                EXPECT_FALSE(Exists(scene.to / "new"));
                EXPECT_FALSE(Exists(scene.to / "known/a.mp3"));
                EXPECT_EQ(ReadFile(scene.to / "sorted/a.mp3"), "stands");
                EXPECT_EQ(Exists(source), change != Change::Removed);
                EXPECT_TRUE(Leftovers(scene.to.path()).empty());
            }
        }
    }
}

TEST(TransferCollisionTest, AFileGivenAgainIsSortedOnce) {
    for (const TransferCase& c : TransferCases()) {
        for (bool hardLink : {false, true}) {
            SCOPED_TRACE(c.name + (hardLink ? ", hard link" : ", twice"));
            TempFolder from(c.sourceBase);
            TempFolder to;
            std::string song = from / "song.mp3";
            std::string again = hardLink ? from / "link.mp3" : song;
            WriteFile(song, "song");
            EXPECT_TRUE(!hardLink || link(song.c_str(), again.c_str()) == 0);
            RecordingDelegate delegate;
            RunTransfer(MakeRequest(c.operation, {song, again}, {to / "T.mp3", to / "T.mp3"},
                                    kTransferRenameOnCollision),
                        delegate);
            EXPECT_EQ(delegate.Outcomes(),
                      (Outcomes{FileOutcome::Transferred, FileOutcome::Repeated}));
            EXPECT_THAT(EnglishReason(delegate.reports[1].reason), HasSubstr("earlier source"));
            EXPECT_EQ(ReadFile(to / "T.mp3"), "song");
            EXPECT_FALSE(Exists(to / "T (2).mp3"));
            EXPECT_EQ(Exists(song), c.operation == TransferOperation::Copy);
        }
    }
}

// a.mp3 goes to the disk through a copy; y.mp3 is then renamed to where a.mp3 was: a.mp3 is kept.
TEST(TransferCollisionTest, ASourcePutInPlaceOfAMovedSourceIsNotRemovedWithIt) {
    if (OtherFileSystem().empty())
        GTEST_SKIP() << kNoOtherFileSystem;
    TempFolder shm(OtherFileSystem());
    TempFolder disk;
    ScopedDataHome dataHome(disk / "data");
    WriteFile(shm / "a.mp3", "first");
    WriteFile(shm / "y.mp3", "second");
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Replace};
    RunTransfer(MakeRequest(TransferOperation::Move, {shm / "a.mp3", shm / "y.mp3"},
                            {disk / "x.mp3", shm / "a.mp3"}, kTransferAllowUndo),
                delegate);
    EXPECT_EQ(ReadFile(disk / "x.mp3"), "first");
    EXPECT_EQ(ReadFile(shm / "a.mp3"), "second");
    EXPECT_EQ(ReadFile(disk / "data/Trash/files/a.mp3"), "first");
    EXPECT_EQ(delegate.Outcomes(), (Outcomes{FileOutcome::Failed, FileOutcome::Replaced}));
    EXPECT_EQ(delegate.reports[0].reason, FailureReason{FailureKind::SourceChangedWhileMoved});
}

}  // namespace
}  // namespace tunvex
