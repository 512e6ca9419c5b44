#include "core/transfer/undo.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "core/base/owned_fd.h"
#include "core/base/paths.h"
#include "core/files/names.h"
#include "core/transfer/journal.h"
#include "core/transfer/journal_glance.h"
#include "core/transfer/transfer.h"
#include "tests/support/deep_folder.h"
#include "tests/support/folder_state.h"
#include "tests/support/run_process.h"
#include "tests/support/scoped_descriptors.h"
#include "tests/support/transfer_scene.h"
#include "tests/support/watching_delegate.h"

namespace tunvex {
namespace {

namespace fs = std::filesystem;

// A move inside one file system, and where this machine has them across two or two mounts.
std::vector<TransferCase> MoveCases() {
    std::vector<TransferCase> cases = TransferCases();
    cases.erase(cases.begin());
    if (!BindMountedFolder().empty())
        cases.push_back({"across two mounts", TransferOperation::Move, BindMountedFolder()});
    return cases;
}

void WriteSong(const std::string& path, const std::string& content, mode_t mode, time_t modified) {
    WriteFile(path, content);
    chmod(path.c_str(), mode);
    const struct timespec times[2] = {{modified, 0}, {modified, 123456789}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// An undo's counts and refusal, to compare whole.
std::string Counts(std::size_t back, std::size_t trashed = 0, std::size_t restored = 0,
                   std::size_t made = 0, std::size_t left = 0, const FailureReason& refused = {}) {
    std::ostringstream text;
    text << back << " back, " << trashed << " trashed, " << restored << " restored, " << made
         << " made, " << left << " left alone " << EnglishReason(refused);
    return text.str();
}
std::string Counts(const UndoSummary& u) {
    return Counts(u.movedBack, u.trashed, u.restored, u.foldersMade, u.leftAlone, u.refused);
}

class RecordingUndo : public UndoDelegate {
  public:
    std::vector<UndoReport> reports;
    std::function<void()> afterReport = [] {};
    void OnUndo(const UndoReport& report) override {
        reports.push_back(report);
        afterReport();
    }
};

// A run cut short between its claims and their records, the start of one written.
void CutBeforePlacedRecords(const std::string& journal) {
    std::istringstream lines(ReadFile(journal));
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("placed\t") && !line.starts_with("end\t"))
            kept += line + "\n";
    }
    WriteFile(journal, kept + "placed\t0\t\t2049:12" + std::string(3, '\0'));
}

// The journal at path read again, and every file's records into files.
Journal ReadBack(const std::string& path, std::vector<JournaledFile>& files) {
    Journal journal;
    FailureReason error;
    OwnedFd fd(OpenJournal(path, false, error));
    EXPECT_TRUE(ReadJournal(fd.get(), journal, error)) << EnglishReason(error);
    files.resize(journal.files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_TRUE(LoadJournaledFile(fd.get(), journal.files[i], files[i]));
    return journal;
}

class UndoTest : public ::testing::Test {
  protected:
    TransferRequest Request(TransferOperation operation, std::vector<std::string> from,
                            std::vector<std::string> into, unsigned flags = 0) {
        TransferRequest request =
            MakeRequest(operation, std::move(from), std::move(into), flags | kTransferAllowUndo);
        request.journalFolder = journals;
        return request;
    }
    // Songs of several modes and times in nested folders, two of them to the same destination,
    // and a link to one that stays (its target is copied; a move takes the link back); c holds
    // only a folder.
    void MakeSongs(const std::string& from) {
        fs::remove_all(out);
        sources.clear();
        destinations.clear();
        const char* names[] = {"a/one.mp3", "a/b/two.mp3", "c/d/three\tfour\n.mp3", "e/five.mp3"};
        const mode_t modes[] = {0644, 0600, 0755, 0640};
        for (unsigned i = 0; i < 4; ++i) {
            sources.push_back(from + "/" + names[i]);
            WriteSong(sources.back(), PatternedContent(40000 + i, i + 1), modes[i],
                      1000000000 + static_cast<time_t>(i));
            destinations.push_back(out + "/Artist/Album/" + std::to_string(i % 3) + ".mp3");
        }
        fs::create_directories(from + "/stays");
        WriteFile(from + "/stays/target.mp3", "target");
        sources.push_back(from + "/e/link.mp3");
        destinations.push_back(out + "/Artist/link.mp3");
        ASSERT_EQ(symlink("../stays/target.mp3", sources.back().c_str()), 0);
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 5}};
        utimensat(AT_FDCWD, sources.back().c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    // count files of size patterned bytes in from, each for into/d<i % folders>/.
    void MakeFiles(const std::string& from, std::size_t count, std::size_t size,
                   const std::string& into, std::size_t folders) {
        sources.clear();
        destinations.clear();
        for (std::size_t i = 0; i < count; ++i) {
            std::string name = "/f" + std::to_string(i) + ".mp3";
            WriteFile(from + name, PatternedContent(size, static_cast<unsigned>(i + 1)));
            sources.push_back(from + name);
            destinations.push_back(into + "/d" + std::to_string(i % folders) + name);
        }
    }
    // Renames on collision, or with replaceAll asks and replaces them all.
    TransferSummary Sort(TransferOperation operation, bool replaceAll = false,
                         std::vector<FolderToRemove> removeWhenEmptied = {}) {
        TransferRequest request =
            Request(operation, sources, destinations, replaceAll ? 0 : kTransferRenameOnCollision);
        request.removeWhenEmptied = std::move(removeWhenEmptied);
        RecordingDelegate delegate;
        delegate.answers = {CollisionAnswer::ReplaceAll};
        return RunTransfer(request, delegate);
    }

    TempFolder to, state;
    std::string journals = state / "tunvex";
    ScopedDataHome dataHome{state / "data"};
    std::string out = to / "base";
    std::vector<std::string> sources, destinations;
    RecordingUndo undone;
};

// Cut short, replacing (the trash gives back), removing emptied folders (made again as they were).
TEST_F(UndoTest, AMoveSortGoesBackByteForByteAndTheBaseFolderKeepsOnlyWhatWasThere) {
    for (const TransferCase& c : MoveCases()) {
        for (int variant = 0; variant < 8; ++variant) {
            bool cut = variant & 1, replace = variant & 2, removeEmptied = variant & 4;
            SCOPED_TRACE(c.name + " " + std::to_string(variant));
            TempFolder from(c.sourceBase);
            MakeSongs(from.path());
            chmod((from / "a").c_str(), 0750);
            std::vector<FolderToRemove> emptied;
            if (removeEmptied) {
                for (const char* folder : {"a/b", "c/d", "a", "c", "e"})
                    emptied.push_back({from / folder, from.path()});
                emptied.push_back({from.path(), from.path()});
            }
            WriteFile(out + "/keep.txt", "mine");
            WriteSong(destinations[1], "there before", 0604, 900000000);
            auto sourcesBefore = testing::Snapshot(from.path(), true);
            auto baseBefore = testing::Snapshot(out);
            TransferSummary summary = Sort(TransferOperation::Move, replace, emptied);
            ASSERT_EQ(summary.transferred + summary.renamed + summary.replaced, 5u);
            ASSERT_EQ(summary.foldersRemoved, removeEmptied ? 5u : 0u);
            ASSERT_EQ(summary.foldersKept.size(), removeEmptied ? 1u : 0u);
            for (const KeptFolder& kept : summary.foldersKept)
                EXPECT_EQ(kept.path + ": " + EnglishReason(kept.reason),
                          from.path() + ": it is not empty");
            if (cut)
                CutBeforePlacedRecords(summary.journal);
            UndoSummary undo = UndoRun(CodePage::Utf8, summary.journal, false, undone);
            EXPECT_EQ(Counts(undo), Counts(5, 1, replace ? 2 : 0, removeEmptied ? 5 : 0));
            EXPECT_EQ(testing::Snapshot(from.path(), true), sourcesBefore);
            EXPECT_EQ(testing::Snapshot(out), baseBefore);
            EXPECT_EQ(UndoRun(CodePage::Utf8, summary.journal, false, undone).refused.kind,
                      FailureKind::RunUndoneAlready);
        }
    }
}

// Cut short, claimed or not, at a numbered name cut to the limit: the user's hard links stay.
TEST_F(UndoTest, HardLinksOfAMovedFileBesideItsDestinationAreNotTakenForIt) {
    for (int variant = 0; variant < 4; ++variant) {
        bool claimed = variant & 1, longName = variant & 2;
        SCOPED_TRACE(variant);
        TempFolder from;
        fs::remove_all(out);
        std::string source = from / "song.mp3";
        WriteFile(source, "song");
        fs::create_directories(out + "/Album");
        std::vector<std::string> links;
        for (const char* name : {"a", "song (live)", "the song", "z"}) {
            links.push_back(out + "/Album/" + name + ".mp3");
            ASSERT_EQ(link(source.c_str(), links.back().c_str()), 0);
        }
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
        UndoSummary undo = UndoRun(CodePage::Utf8, summary.journal, false, undone);
        EXPECT_EQ(Counts(undo), Counts(claimed ? 1 : 0));
        EXPECT_EQ(ReadFile(source), "song");
        EXPECT_FALSE(Exists(placed));
        for (const std::string& name : links)
            EXPECT_TRUE(Exists(name)) << name;
    }
}

// A file whose source path is taken again is left alone, reported, until the user sorts it out.
TEST_F(UndoTest, WhatChangedSinceTheRunIsLeftAloneAndReportedUntilItIsSorted) {
    TempFolder from;
    MakeSongs(from.path());
    TransferSummary summary = Sort(TransferOperation::Move);
    WriteFile(sources[2], "edited");
    EXPECT_EQ(UndoRun(CodePage::Utf8, summary.journal, true, undone).leftAlone, 1u);
    undone.reports.clear();
    EXPECT_EQ(Counts(UndoRun(CodePage::Utf8, summary.journal, false, undone)),
              Counts(4, 1, 0, 0, 1));
    EXPECT_THAT(undone.reports, ::testing::Contains(::testing::AllOf(
                                    ::testing::Field(&UndoReport::action, UndoAction::LeftAlone),
                                    ::testing::Field(&UndoReport::path, destinations[2]))));
    EXPECT_EQ(ReadFile(sources[2]), "edited");
    fs::remove(sources[2]);
    EXPECT_EQ(Counts(UndoRun(CodePage::Utf8, summary.journal, false, undone)), Counts(1));
    EXPECT_FALSE(Exists(out));
}

// With no descriptor to spare a file that cannot be looked at is left alone, never taken for gone.
TEST_F(UndoTest, AFileThatCannotBeLookedAtIsLeftAloneNotTakenForGone) {
    const TransferOperation copy = TransferOperation::Copy, move = TransferOperation::Move;
    const struct {
        TransferOperation operation;
        std::size_t held;
        rlim_t spare;
    } cases[] = {{copy, 0, 24}, {copy, 200, 24}, {copy, 0, 1}, {move, 0, 1}};
    constexpr std::size_t kFiles = 40;
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        TempFolder from;
        fs::remove_all(out);
        MakeFiles(from.path(), kFiles, 4, out, kFiles);
        TransferSummary summary = Sort(c.operation);
        ASSERT_EQ(summary.transferred, kFiles);
        UndoSummary undo = [&] {
            testing::ScopedDescriptors descriptors(c.held, c.spare);
            return UndoRun(CodePage::Utf8, summary.journal, false, undone);
        }();
        std::size_t done = c.spare > 1 ? kFiles : 0;
        EXPECT_EQ(undo.trashed + undo.movedBack, done);
        for (const UndoReport& report : undone.reports) {
            if (report.action == UndoAction::LeftAlone) {
                EXPECT_EQ(EnglishReason(report.reason),
                          "cannot tell whether it is there: " + std::string(std::strerror(EMFILE)));
            }
        }
        undo = UndoRun(CodePage::Utf8, summary.journal, false, undone);
        EXPECT_EQ(undo.trashed + undo.movedBack, kFiles - done);
        EXPECT_FALSE(Exists(out));
    }
}

TEST_F(UndoTest, ARunThatChangesNothingLeavesNoJournalAndOldOnesAreBounded) {
    WriteFile(to / "a.mp3", "a");
    WriteFile(to / "out/a.mp3", "there");
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Skip};
    const auto copy = [&](std::vector<std::string> from, std::vector<std::string> into) {
        return RunTransfer(Request(TransferOperation::Copy, from, into), delegate);
    };
    TransferSummary summary =
        copy({to / "a.mp3", to / "missing.mp3"}, {to / "out/a.mp3", to / "b"});
    EXPECT_EQ(summary.skipped, 1u);
    EXPECT_EQ(summary.journal, "");
    EXPECT_TRUE(ListJournals(journals).empty());
    std::vector<std::string> kept;
    for (std::size_t run = 0; run < kJournalsKept + 2; ++run)
        kept.push_back(copy({to / "a.mp3"}, {to / ("out/" + std::to_string(run))}).journal);
    kept.erase(kept.begin(), kept.begin() + 2);
    EXPECT_EQ(ListJournals(journals), kept);
}

// The menu reads a journal's ends only: they say what the whole does, whatever is left at its end.
TEST_F(UndoTest, AGlanceAtTheEndsOfAJournalAgreesWithTheWholeOfIt) {
    MakeFiles(to.path(), 3, 1, to / "out", 1);
    std::string journal = Sort(TransferOperation::Copy).journal;
    const std::string whole = ReadFile(journal);
    const std::string body = whole.substr(0, whole.rfind("end\t"));
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {  // the journal, what a glance learns
        {whole, "ended, 0 of 3 undone"},
        {body + "end\n", "ended, 0 of 3 undone"},  // an older journal's end
        {whole + "undone\t1\n", "ended, 1 of 3 undone"},
        {whole + "undone\t1", "ended, 0 of 3 undone"},  // a mark cut short
        {whole + "undone\t0\nundone\t1\nundone\t2\nundone\n", "ended, 3 of 3 undone, the run"},
        {body, "cut short, 0 of 3 undone"},
        {whole.substr(0, whole.find('\n') + 1), "cut short, 0 of 0 undone"},  // its header alone
        {whole + std::string(5000, 'x') + "\n", "ended, 0 of 3 undone"},  // past the tail it reads
        {whole + std::string(4095, 'x'), "ended, 0 of 3 undone"},  // the tail's one break its first
        {body + "end\t3x\n", "cut short, 0 of 3 undone"},  // a count that is no number
    };
    // clang-format on
    for (const auto& [text, learnt] : cases) {
        WriteFile(journal, text);
        JournalGlance glance;
        FailureReason error;
        ASSERT_TRUE(GlanceAtJournal(journal, glance, error)) << EnglishReason(error);
        EXPECT_EQ(std::string(glance.ended ? "ended, " : "cut short, ") +
                      std::to_string(glance.filesUndone) + " of " + std::to_string(glance.files) +
                      " undone" + (glance.undone ? ", the run" : ""),
                  learnt)
            << text;
        EXPECT_EQ(glance.operation, TransferOperation::Copy);
        EXPECT_EQ(NewestJournalToUndo(journals), glance.undone ? "" : journal);
    }
    WriteFile(journal, "not a journal\n");
    JournalGlance glance;
    FailureReason error;
    EXPECT_FALSE(GlanceAtJournal(journal, glance, error));
    EXPECT_EQ(error.kind, FailureKind::NotAJournal);
}

// Paths from a working folder near or past the path limit are journaled plain, and undone.
TEST_F(UndoTest, PathsFromAWorkingFolderPastThePathLimitAreJournaledPlain) {
    OwnedFd previous(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t length : {kMaxPath - 2, kMaxPath + 100}) {
        SCOPED_TRACE(length);
        TempFolder base;
        testing::DeepFolder cwd(base.path(), length);
        ASSERT_EQ(fchdir(cwd.fd()), 0);
        WriteFile("in/a.mp3", "a");
        fs::create_directory("in/sub");
        RecordingDelegate delegate;
        TransferSummary summary = RunTransfer(
            Request(TransferOperation::Move, {"./in/sub/../a.mp3"}, {to / "a.mp3"}), delegate);
        ASSERT_EQ(summary.transferred, 1u);
        std::vector<JournaledFile> files;
        EXPECT_EQ(ReadBack(summary.journal, files).damaged, 0u);
        ASSERT_EQ(files.size(), 1u);
        EXPECT_EQ(files[0].source, cwd.path() + "/in/a.mp3");
        EXPECT_EQ(UndoRun(CodePage::Utf8, summary.journal, false, undone).movedBack, 1u);
        EXPECT_EQ(ReadFile("in/a.mp3"), "a");
        EXPECT_EQ(fchdir(previous.get()), 0);
    }
}

// Killed after a batch, between two claims or mid-copy, a run's journal names all it placed.
TEST_F(UndoTest, AKilledRunLeavesAJournalThatNamesEverythingItPutInPlace) {
    for (const TransferCase& c : TransferCases()) {
        for (int at = 0; at < 3; ++at) {
            bool copies =
                c.operation == TransferOperation::Copy || c.sourceBase != TempFolder::DefaultBase();
            if (at == 2 && !copies)
                continue;
            SCOPED_TRACE(c.name + ", killed at " + std::to_string(at));
            TempFolder from(c.sourceBase);
            std::string into = to / c.name;
            MakeFiles(from.path(), 8, 64 << 10, into, 3);
            auto before = testing::Snapshot(from.path(), true);
            TransferRequest request = Request(c.operation, sources, destinations);
            request.batchFiles = 3;
            int status = testing::KillWhenStalled([&](const std::function<void()>& stall) {
                WatchingDelegate delegate([&](const RecordingDelegate& watched) {
                    std::size_t reported = watched.reports.size();
                    if ((at == 0 && reported == 4) ||
                        (at == 1 && reported == 3 && Exists(destinations[3])) ||
                        (at == 2 && reported == 6 && !Leftovers(into).empty()))
                        stall();
                });
                RunTransfer(request, delegate);
            });
            ASSERT_TRUE(WIFSIGNALED(status));
            std::vector<std::string> journalPaths = ListJournals(journals);
            ASSERT_EQ(journalPaths.size(), 1u);
            std::vector<JournaledFile> files;
            Journal journal = ReadBack(journalPaths[0], files);
            EXPECT_FALSE(journal.ended);
            for (const auto& entry : fs::recursive_directory_iterator(into)) {
                if (entry.is_directory()) {
                    EXPECT_THAT(journal.folders,
                                ::testing::Contains(::testing::Field(&RecordedFolder::path,
                                                                     entry.path().string())));
                }
            }
            for (std::size_t i = 0; i < sources.size(); ++i) {
                bool placed = Exists(destinations[i]);
                if (!placed && Exists(sources[i]))
                    continue;
                auto file =
                    std::ranges::find_if(files, [&](const JournaledFile& f) { return f.id == i; });
                ASSERT_NE(file, files.end()) << destinations[i];
                EXPECT_EQ(file->requested, destinations[i]);
                struct stat info = {};
                EXPECT_TRUE(!placed || (lstat(destinations[i].c_str(), &info) == 0 &&
                                        IsRecordedFile(file->staged, info)))
                    << destinations[i];
            }
            // An undo killed after its first report finishes when run again.
            status = testing::KillWhenStalled([&](const std::function<void()>& stall) {
                undone.afterReport = stall;
                UndoRun(CodePage::Utf8, journalPaths[0], false, undone);
            });
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(UndoRun(CodePage::Utf8, journalPaths[0], false, undone).leftAlone, 0u);
            EXPECT_EQ(testing::Snapshot(from.path(), true), before);
            EXPECT_FALSE(Exists(into));
            fs::remove(journalPaths[0]);
        }
    }
}

}  // namespace
}  // namespace tunvex
