#include "core/transfer/undo.h"

#include <fcntl.h>
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "core/base/paths.h"
#include "core/files/names.h"
#include "core/transfer/journal.h"
#include "core/transfer/transfer.h"
#include "tests/support/run_process.h"
#include "tests/support/scoped_descriptors.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

struct MoveCase {
    const char* name;
    std::string sourceBase;
};

std::vector<MoveCase> MoveCases() {
    std::vector<MoveCase> cases = {{"inside one file system", TempFolder::DefaultBase()}};
    if (!OtherFileSystem().empty())
        cases.push_back({"across two file systems", OtherFileSystem()});
    if (!BindMountedFolder().empty())
        cases.push_back({"across two mounts of one file system", BindMountedFolder()});
    return cases;
}

std::string Modified(const std::string& path) {
    struct stat info = {};
    lstat(path.c_str(), &info);
    return " modified " + std::to_string(info.st_mtim.tv_sec) + "." +
           std::to_string(info.st_mtim.tv_nsec);
}

// Every entry under root by its relative path: what it is, its bytes, mode and modification
// time; with folderTimes the times of root and its folders too.
std::map<std::string, std::string> Snapshot(const std::string& root, bool folderTimes = false) {
    std::map<std::string, std::string> entries;
    if (folderTimes)
        entries["."] = Modified(root);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat info = {};
        lstat(entry.path().c_str(), &info);
        std::string state = entry.is_directory()
                                ? "folder mode " + std::to_string(info.st_mode) +
                                      (folderTimes ? Modified(entry.path()) : "")
                                : ReadFile(entry.path()) + " mode " + std::to_string(info.st_mode) +
                                      Modified(entry.path());
        entries[fs::relative(entry.path(), root)] = state;
    }
    return entries;
}

void WriteSong(const std::string& path, const std::string& content, mode_t mode, time_t modified) {
    WriteFile(path, content);
    chmod(path.c_str(), mode);
    const struct timespec times[2] = {{modified, 0}, {modified, 123456789}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

class RecordingUndo : public UndoDelegate {
  public:
    std::vector<UndoReport> reports;
    std::function<void()> afterReport = [] {};
    void OnUndo(const UndoReport& report) override {
        reports.push_back(report);
        afterReport();
    }
    std::vector<std::string> LeftAlone() const {
        std::vector<std::string> paths;
        for (const UndoReport& report : reports) {
            if (report.action == UndoAction::LeftAlone)
                paths.push_back(report.path);
        }
        return paths;
    }
};

// A run cut short between its claims and their records leaves only what each file was, and
// maybe the start of a record.
void CutBeforePlacedRecords(const std::string& journal) {
    std::string text = ReadFile(journal);
    std::string kept;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start + 1);
        if (!line.starts_with("placed\t") && !line.starts_with("end\t"))
            kept += line;
    }
    WriteFile(journal, kept + "placed\t0\t\t2049:12" + std::string(3, '\0'));
}

class UndoRunTest : public ::testing::Test {
  protected:
    // Songs of several modes and times in nested folders, two of them to the same destination;
    // c holds only a folder, and from only folders.
    void MakeSongs(const std::string& from) {
        const char* names[] = {"a/one.mp3", "a/b/two.mp3", "c/d/three\tfour.mp3", "e/five.mp3"};
        const mode_t modes[] = {0644, 0600, 0755, 0640};
        for (unsigned i = 0; i < 4; ++i) {
            sources.push_back(from + "/" + names[i]);
            WriteSong(sources.back(), PatternedContent(40000 + i, i + 1), modes[i],
                      1000000000 + static_cast<time_t>(i));
            destinations.push_back(out + "/Artist/Album/" + std::to_string(i % 3) + ".mp3");
        }
        fs::create_directories(from + "/empty");
    }
    // Renames on collision, or with replaceAll asks and replaces them all.
    TransferSummary Sort(TransferOperation operation, bool replaceAll = false,
                         std::vector<FolderToRemove> removeWhenEmptied = {}) {
        unsigned flags = replaceAll ? 0 : kTransferRenameOnCollision;
        TransferRequest request =
            MakeRequest(operation, sources, destinations, flags | kTransferAllowUndo);
        request.journalFolder = state / "tunvex";
        request.removeWhenEmptied = std::move(removeWhenEmptied);
        RecordingDelegate delegate;
        delegate.answers = {CollisionAnswer::ReplaceAll};
        return RunTransfer(request, delegate);
    }

    TempFolder to;
    TempFolder state;
    ScopedDataHome dataHome{state / "data"};
    std::string out = to / "base";
    std::vector<std::string> sources, destinations;
};

TEST_F(UndoRunTest, AMoveSortGoesBackByteForByteAndTheBaseFolderKeepsOnlyWhatWasThere) {
    for (const MoveCase& c : MoveCases()) {
        for (int variant = 0; variant < 8; ++variant) {
            bool cut = variant & 1;
            // Replacing, the song there before goes to the trash, and so does the first of
            // the two songs named alike when the second comes.
            bool replace = variant & 2;
            // The folders the move emptied go (the one that holds a folder it did not empty
            // stays, reported), and come back with their modes and the times they had before
            // the run, a folder that held only folders too; the one that stays gets its time
            // back as well.
            bool removeEmptied = variant & 4;
            SCOPED_TRACE(std::string(c.name) + (cut ? ", journal cut short" : "") +
                         (replace ? ", replacing" : "") +
                         (removeEmptied ? ", emptied folders removed" : ""));
            TempFolder from(c.sourceBase);
            sources.clear();
            destinations.clear();
            MakeSongs(from.path());
            chmod((from / "a").c_str(), 0750);
            std::vector<FolderToRemove> emptied;
            if (removeEmptied) {
                for (const char* folder : {"a/b", "c/d", "a", "c", "e"})
                    emptied.push_back({from / folder, from.path()});
                emptied.push_back({from.path(), from.path()});
            }
            fs::remove_all(out);
            WriteFile(out + "/keep.txt", "mine");
            WriteSong(destinations[1], "there before", 0604, 900000000);
            auto sourcesBefore = Snapshot(from.path(), true);
            auto baseBefore = Snapshot(out);

            TransferSummary summary = Sort(TransferOperation::Move, replace, emptied);
            ASSERT_EQ(summary.transferred + summary.renamed + summary.replaced, 4u);
            ASSERT_FALSE(Exists(sources[0]));
            ASSERT_EQ(summary.foldersRemoved, removeEmptied ? 5u : 0u);
            ASSERT_EQ(Exists(from / "c"), !removeEmptied);
            ASSERT_EQ(summary.foldersKept.size(), removeEmptied ? 1u : 0u);
            if (removeEmptied) {
                EXPECT_EQ(summary.foldersKept[0].path, from.path());
                EXPECT_EQ(summary.foldersKept[0].reason.kind, FailureKind::FolderNotEmpty);
            }
            if (cut)
                CutBeforePlacedRecords(summary.journal);
            RecordingUndo delegate;
            UndoSummary undo = UndoRun(summary.journal, false, delegate);

            EXPECT_EQ(undo.refused.kind, FailureKind::None);
            EXPECT_EQ(undo.movedBack, 4u);
            EXPECT_EQ(undo.restored, replace ? 2u : 0u);
            EXPECT_EQ(undo.leftAlone, 0u);
            EXPECT_EQ(undo.foldersMade, removeEmptied ? 5u : 0u);
            EXPECT_EQ(Snapshot(from.path(), true), sourcesBefore);
            EXPECT_EQ(Snapshot(out), baseBefore);
            EXPECT_EQ(UndoRun(summary.journal, false, delegate).refused.kind,
                      FailureKind::RunUndoneAlready);
        }
    }
}

// Moved into a folder that holds hard links of it under other names, and cut short before the
// records of the claims, with the file claimed or not yet: the links are the user's, never the
// file the run put there. A name at the length limit that is taken sends the file to a numbered
// name cut short, which is still found.
TEST_F(UndoRunTest, HardLinksOfAMovedFileBesideItsDestinationAreNotTakenForIt) {
    for (bool claimed : {true, false}) {
        for (bool longName : {false, true}) {
            SCOPED_TRACE(std::string(claimed ? "claimed" : "not claimed") +
                         (longName ? ", long name taken" : ""));
            TempFolder from;
            fs::remove_all(out);
            std::string source = from / "song.mp3";
            WriteFile(source, "song");
            fs::create_directories(out + "/Album");
            const std::vector<std::string> links = {
                out + "/Album/a.mp3", out + "/Album/song (live).mp3", out + "/Album/the song.mp3",
                out + "/Album/z.mp3"};
            for (const std::string& name : links)
                ASSERT_EQ(link(source.c_str(), name.c_str()), 0);
            sources = {source};
            destinations = {out + "/Album/" +
                            (longName ? std::string(kMaxNameLength - 4, 's') : "song") + ".mp3"};
            if (longName)
                WriteFile(destinations[0], "stands");
            TransferSummary summary = Sort(TransferOperation::Move);
            ASSERT_EQ(summary.transferred + summary.renamed, 1u);
            CutBeforePlacedRecords(summary.journal);
            std::string placed =
                longName ? NumberedName(CodePage::Utf8, destinations[0], 2) : destinations[0];
            ASSERT_EQ(ReadFile(placed), "song");
            if (!claimed)
                fs::rename(placed, source);

            RecordingUndo delegate;
            UndoSummary undo = UndoRun(summary.journal, false, delegate);
            EXPECT_EQ(undo.leftAlone, 0u);
            EXPECT_EQ(undo.trashed, 0u);
            EXPECT_EQ(undo.movedBack, claimed ? 1u : 0u);
            EXPECT_EQ(ReadFile(source), "song");
            EXPECT_FALSE(Exists(placed));
            for (const std::string& name : links)
                EXPECT_TRUE(Exists(name)) << name;
        }
    }
}

TEST_F(UndoRunTest, AMovedLinkComesBackAsTheLinkAndTheCopyOfItsTargetGoesToTheTrash) {
    TempFolder from;
    WriteFile(from / "target.mp3", "target");
    ASSERT_EQ(symlink("target.mp3", (from / "link.mp3").c_str()), 0);
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 5}};
    utimensat(AT_FDCWD, (from / "link.mp3").c_str(), times, AT_SYMLINK_NOFOLLOW);
    auto before = Snapshot(from.path());
    sources = {from / "link.mp3"};
    destinations = {out + "/link.mp3"};
    TransferSummary summary = Sort(TransferOperation::Move);
    ASSERT_EQ(ReadFile(destinations[0]), "target");
    ASSERT_FALSE(Exists(sources[0]));

    RecordingUndo delegate;
    UndoSummary undo = UndoRun(summary.journal, false, delegate);
    EXPECT_EQ(undo.movedBack, 1u);
    EXPECT_EQ(undo.trashed, 1u);
    EXPECT_EQ(Snapshot(from.path()), before);
    EXPECT_EQ(fs::read_symlink(sources[0]), "target.mp3");
    EXPECT_EQ(ReadFile(delegate.reports[1].to), "target");
    EXPECT_FALSE(Exists(out));
}

TEST_F(UndoRunTest, WhatChangedSinceTheRunIsLeftAloneAndReportedUntilItIsSorted) {
    struct Case {
        const char* name;
        TransferOperation operation;
        std::size_t changed;  // the file whose destination or source path is meddled with
        bool source;
    };
    const Case cases[] = {
        {"a copy edited at its destination", TransferOperation::Copy, 1, false},
        {"a move whose source path is taken again", TransferOperation::Move, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder from;
        fs::remove_all(out);
        sources.clear();
        destinations.clear();
        MakeSongs(from.path());
        TransferSummary summary = Sort(c.operation);
        std::string placed = destinations[c.changed];
        std::string meddled = c.source ? sources[c.changed] : placed;
        WriteFile(meddled, "edited");

        RecordingUndo delegate;
        EXPECT_EQ(UndoRun(summary.journal, true, delegate).leftAlone, 1u);
        delegate.reports.clear();
        UndoSummary undo = UndoRun(summary.journal, false, delegate);
        EXPECT_EQ(undo.leftAlone, 1u);
        EXPECT_THAT(delegate.LeftAlone(), ::testing::ElementsAre(placed));
        EXPECT_EQ(ReadFile(meddled), "edited");
        EXPECT_TRUE(Exists(placed));
        EXPECT_FALSE(Exists(destinations[0]));

        // Once the user has sorted it out, the undo finishes.
        fs::remove(meddled);
        delegate.reports.clear();
        undo = UndoRun(summary.journal, false, delegate);
        EXPECT_EQ(undo.leftAlone, 0u);
        EXPECT_EQ(undo.movedBack, c.source ? 1u : 0u);
        EXPECT_FALSE(Exists(out));
    }
}

TEST_F(UndoRunTest, AnUndoKilledHalfwayFinishesWhenRunAgain) {
    for (const MoveCase& c : MoveCases()) {
        for (std::size_t stallAt = 1; stallAt <= 3; ++stallAt) {
            SCOPED_TRACE(std::string(c.name) + ", killed after report " + std::to_string(stallAt));
            TempFolder from(c.sourceBase);
            fs::remove_all(out);
            sources.clear();
            destinations.clear();
            MakeSongs(from.path());
            auto sourcesBefore = Snapshot(from.path(), true);
            TransferSummary summary = Sort(TransferOperation::Move);

            int status = testing::KillWhenStalled([&](const std::function<void()>& stall) {
                RecordingUndo delegate;
                delegate.afterReport = [&] {
                    if (delegate.reports.size() == stallAt)
                        stall();
                };
                UndoRun(summary.journal, false, delegate);
            });
            ASSERT_TRUE(WIFSIGNALED(status));
            RecordingUndo delegate;
            UndoSummary undo = UndoRun(summary.journal, false, delegate);
            EXPECT_EQ(undo.refused.kind, FailureKind::None);
            EXPECT_EQ(undo.leftAlone, 0u);
            EXPECT_EQ(undo.movedBack, 4u - stallAt);
            EXPECT_EQ(Snapshot(from.path(), true), sourcesBefore);
            EXPECT_FALSE(Exists(out));
        }
    }
}

// Files in many folders, undone with few descriptors to spare, however many the process holds:
// the undo goes through all of them. With none beyond the journal's, nothing can be looked at:
// each file is left alone as such, not taken for gone, until an undo that can look finishes.
TEST_F(UndoRunTest, AFileThatCannotBeLookedAtIsLeftAloneNotTakenForGone) {
    const struct {
        TransferOperation operation;
        std::size_t held;
        rlim_t spare;
    } cases[] = {{TransferOperation::Copy, 0, 24},
                 {TransferOperation::Copy, 200, 24},
                 {TransferOperation::Copy, 0, 1},
                 {TransferOperation::Move, 0, 1}};
    constexpr std::size_t kFiles = 40;
    const std::string unknown =
        "cannot tell whether it is there: " + std::string(std::strerror(EMFILE));
    for (const auto& c : cases) {
        bool move = c.operation == TransferOperation::Move;
        SCOPED_TRACE((move ? "move, " : "copy, ") + std::to_string(c.held) + " held, " +
                     std::to_string(c.spare) + " spare");
        TempFolder from;
        fs::remove_all(out);
        sources.clear();
        destinations.clear();
        for (std::size_t i = 0; i < kFiles; ++i) {
            sources.push_back(from / (std::to_string(i) + ".mp3"));
            WriteFile(sources.back(), "song");
            destinations.push_back(out + "/" + std::to_string(i) + "/song.mp3");
        }
        TransferSummary summary = Sort(c.operation);
        ASSERT_EQ(summary.transferred, kFiles);

        RecordingUndo delegate;
        UndoSummary undo;
        {
            testing::ScopedDescriptors descriptors(c.held, c.spare);
            undo = UndoRun(summary.journal, false, delegate);
        }
        std::size_t done = c.spare > 1 ? kFiles : 0;
        EXPECT_EQ(undo.trashed + undo.movedBack, done);
        for (const UndoReport& report : delegate.reports) {
            if (report.action == UndoAction::LeftAlone) {
                EXPECT_EQ(EnglishReason(report.reason), unknown);
            }
        }
        if (done < kFiles) {
            undo = UndoRun(summary.journal, false, delegate);
            EXPECT_EQ(undo.refused.kind, FailureKind::None);
            EXPECT_EQ(undo.trashed + undo.movedBack, kFiles);
        }
        EXPECT_FALSE(Exists(out));
    }
}

}  // namespace
}  // namespace tunvex
