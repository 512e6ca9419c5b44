#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/base/owned_fd.h"
#include "core/base/paths.h"
#include "core/transfer/journal.h"
#include "core/transfer/journal_glance.h"
#include "core/transfer/transfer.h"
#include "core/transfer/undo.h"
#include "tests/support/run_process.h"
#include "tests/support/transfer_scene.h"

namespace tunvex {
namespace {

using ::testing::ElementsAre;

struct stat StatOf(const std::string& path) {
    struct stat info = {};
    lstat(path.c_str(), &info);
    return info;
}

// The journal with every file's records read again, and the folders' paths.
struct ReadBackRun {
    Journal journal;
    std::vector<JournaledFile> files;
    std::vector<std::string> folders;
};

ReadBackRun ReadBack(const std::string& path) {
    ReadBackRun run;
    FailureReason error;
    OwnedFd fd(OpenJournal(path, false, error));
    EXPECT_TRUE(ReadJournal(fd.get(), run.journal, error)) << EnglishReason(error);
    for (const JournalEntry& entry : run.journal.files) {
        run.files.emplace_back();
        EXPECT_TRUE(LoadJournaledFile(fd.get(), entry, run.files.back()));
    }
    for (const RecordedFolder& folder : run.journal.folders)
        run.folders.push_back(folder.path);
    return run;
}

class TransferJournalTest : public ::testing::Test {
  protected:
    TransferRequest Request(const TransferCase& c, std::vector<std::string> sources,
                            std::vector<std::string> destinations, unsigned flags = 0) {
        TransferRequest request = MakeRequest(c.operation, std::move(sources),
                                              std::move(destinations), flags | kTransferAllowUndo);
        request.journalFolder = journals;
        return request;
    }

    TempFolder to;
    TempFolder state;
    std::string journals = state / "tunvex";
    ScopedDataHome dataHome{state / "data"};
};

TEST_F(TransferJournalTest, NamesEveryFilePlacedEveryFolderMadeAndEveryFileReplaced) {
    for (const TransferCase& c : TransferCases()) {
        SCOPED_TRACE(c.name);
        TempFolder from(c.sourceBase);
        std::string out = to / c.name;
        WriteFile(from / "a.mp3", "a");
        WriteFile(from / "b.mp3", "b");
        WriteFile(from / "a (odd)\tname\n.mp3", "c");
        WriteFile(out + "/A/b.mp3", "old b");
        struct stat sourceOfA = StatOf(from / "a.mp3");
        RecordingDelegate delegate;
        delegate.answers = {CollisionAnswer::Replace};
        TransferSummary summary =
            RunTransfer(Request(c, {from / "a.mp3", from / "b.mp3", from / "a (odd)\tname\n.mp3"},
                                {out + "/A/a.mp3", out + "/A/b.mp3", out + "/B/C/a.mp3"}),
                        delegate);
        ASSERT_EQ(summary.replaced, 1u);
        EXPECT_EQ(EnglishReason(summary.journalError), "");

        ReadBackRun journal = ReadBack(summary.journal);
        EXPECT_EQ(journal.journal.operation, c.operation);
        EXPECT_TRUE(journal.journal.ended);
        EXPECT_THAT(journal.folders, ElementsAre(out + "/B", out + "/B/C"));
        ASSERT_EQ(journal.files.size(), 3u);
        const JournaledFile& a = journal.files[0];
        EXPECT_EQ(a.source, from / "a.mp3");
        EXPECT_TRUE(IsRecordedFile(a.sourceIdentity, sourceOfA));
        EXPECT_EQ(a.destination, out + "/A/a.mp3");
        // What was staged and placed is the file now there, replaced or not.
        for (const JournaledFile& file : journal.files) {
            ASSERT_TRUE(file.placed);
            EXPECT_TRUE(IsRecordedFile(file.placedIdentity, StatOf(file.destination)));
            EXPECT_TRUE(IsRecordedFile(file.staged, StatOf(file.destination)));
        }
        EXPECT_EQ(journal.files[1].replaced, out + "/A/b.mp3");
        EXPECT_EQ(ReadFile(journal.files[1].trashedPath), "old b");
        EXPECT_EQ(journal.files[2].source, from / "a (odd)\tname\n.mp3");
    }
}

TEST_F(TransferJournalTest, ARunThatChangesNothingLeavesNoneAndOldOnesAreBounded) {
    const TransferCase copy = TransferCases()[0];
    WriteFile(to / "a.mp3", "a");
    WriteFile(to / "out/a.mp3", "there");
    RecordingDelegate delegate;
    delegate.answers = {CollisionAnswer::Skip};
    TransferSummary summary = RunTransfer(
        Request(copy, {to / "a.mp3", to / "missing.mp3"}, {to / "out/a.mp3", to / "out/b.mp3"}),
        delegate);
    EXPECT_EQ(summary.skipped, 1u);
    EXPECT_EQ(summary.journal, "");
    EXPECT_TRUE(ListJournals(journals).empty());

    std::vector<std::string> kept;
    for (std::size_t run = 0; run < kJournalsKept + 2; ++run) {
        std::string destination = to / ("out/" + std::to_string(run) + ".mp3");
        kept.push_back(RunTransfer(Request(copy, {to / "a.mp3"}, {destination}), delegate).journal);
    }
    kept.erase(kept.begin(), kept.begin() + 2);
    EXPECT_EQ(ListJournals(journals), kept);
}

UndoDelegate& NoUndoReports() {
    static class : public UndoDelegate {
        void OnUndo(const UndoReport&) override {}
    } ignore;
    return ignore;
}

// The menu and the list of runs read a journal's first and last lines only; what they learn is
// what the whole journal says, whatever an undo or a crash left at its end.
TEST_F(TransferJournalTest, AGlanceAtTheEndsOfAJournalAgreesWithTheWholeOfIt) {
    const TransferCase copy = TransferCases()[0];
    for (const char* name : {"a", "b", "c"})
        WriteFile(to / name, name);
    RecordingDelegate delegate;
    std::string journal = RunTransfer(Request(copy, {to / "a", to / "b", to / "c"},
                                              {to / "out/a", to / "out/b", to / "out/c"}),
                                      delegate)
                              .journal;
    const std::string whole = ReadFile(journal);
    const std::string body = whole.substr(0, whole.rfind("end\t"));
    struct Case {
        const char* name;
        std::string text;
        bool ended, undone;
        std::uint64_t files, filesUndone;
    } cases[] = {
        {"as the run left it", whole, true, false, 3, 0},
        {"an older journal's end", body + "end\n", true, false, 3, 0},
        {"a file undone", whole + "undone\t1\n", true, false, 3, 1},
        {"a mark cut short", whole + "undone\t1", true, false, 3, 0},
        {"undone", whole + "undone\t0\nundone\t1\nundone\t2\nundone\n", true, true, 3, 3},
        {"cut short before its end", body, false, false, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(journal, c.text);
        JournalGlance glance;
        FailureReason error;
        ASSERT_TRUE(GlanceAtJournal(journal, glance, error)) << EnglishReason(error);
        EXPECT_EQ(glance.operation, TransferOperation::Copy);
        EXPECT_EQ(glance.ended, c.ended);
        EXPECT_EQ(glance.undone, c.undone);
        EXPECT_EQ(glance.files, c.files);
        EXPECT_EQ(glance.filesUndone, c.filesUndone);
        EXPECT_EQ(NewestJournalToUndo(journals), c.undone ? "" : journal);
    }
}

// Makes folders below base, one level at a time, until their path is length bytes long, and
// makes the deepest the working folder; its path.
std::string EnterFolderOfLength(const std::string& base, std::size_t length) {
    std::string path = base;
    OwnedFd level(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (path.size() < length) {
        std::string name(std::min<std::size_t>(200, length - path.size() - 1), 'd');
        mkdirat(level.get(), name.c_str(), 0700);
        level = OwnedFd(openat(level.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        path += "/" + name;
    }
    EXPECT_EQ(fchdir(level.get()), 0);
    return path;
}

// Paths given from a working folder whose path, or the folders' in it, are past the limit are
// journaled plain all the same, "." and ".." gone, and the run is undone.
TEST_F(TransferJournalTest, PathsFromAWorkingFolderPastThePathLimitAreJournaledPlain) {
    OwnedFd previous(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const TransferCase move = {"move", TransferOperation::Move, TempFolder::DefaultBase()};
    for (std::size_t length : {kMaxPath - 2, kMaxPath + 100}) {
        SCOPED_TRACE(length);
        TempFolder base;
        std::string cwd = EnterFolderOfLength(base.path(), length);
        WriteFile("in/a.mp3", "a");
        std::filesystem::create_directory("in/sub");
        RecordingDelegate delegate;
        TransferSummary summary =
            RunTransfer(Request(move, {"./in/sub/../a.mp3"}, {to / "a.mp3"}), delegate);
        ASSERT_EQ(summary.transferred, 1u);

        ReadBackRun journal = ReadBack(summary.journal);
        EXPECT_EQ(journal.journal.damaged, 0u);
        ASSERT_EQ(journal.files.size(), 1u);
        EXPECT_EQ(journal.files[0].source, cwd + "/in/a.mp3");
        EXPECT_EQ(UndoRun(summary.journal, false, NoUndoReports()).movedBack, 1u);
        EXPECT_EQ(ReadFile("in/a.mp3"), "a");
        EXPECT_EQ(fchdir(previous.get()), 0);
    }
}

// Stalls the first time when says so: looked at on each report, progress report and cancel poll.
class StallWhen : public RecordingDelegate {
  public:
    StallWhen(const std::function<void()>& stall, std::function<bool(const StallWhen&)> when)
        : stall_(stall), when_(std::move(when)) {}
    void OnFileDone(const FileReport& report) override {
        reports.push_back(report);
        Look();
    }
    void OnProgress(const TransferProgress& report) override {
        progress.push_back(report);
        Look();
    }
    bool CancelRequested() override {
        Look();
        return false;
    }

  private:
    void Look() {
        if (when_(*this))
            stall_();
    }
    const std::function<void()>& stall_;
    std::function<bool(const StallWhen&)> when_;
};

// Killed in batches of three: once the second batch's names are durable, between two of its
// claims (their records not written yet), or while the third batch copies (a temporary in a
// folder the run made).
TEST_F(TransferJournalTest, AKilledRunLeavesAJournalThatNamesEverythingItPutInPlace) {
    enum class KillAt { SecondBatchReported, BetweenClaims, WhileCopying };
    for (const TransferCase& c : TransferCases()) {
        for (KillAt at :
             {KillAt::SecondBatchReported, KillAt::BetweenClaims, KillAt::WhileCopying}) {
            bool copies =
                c.operation == TransferOperation::Copy || c.sourceBase != TempFolder::DefaultBase();
            if (at == KillAt::WhileCopying && !copies)
                continue;
            SCOPED_TRACE(c.name + ", killed at " + std::to_string(static_cast<int>(at)));
            TempFolder from(c.sourceBase);
            std::string out = to / c.name;
            std::filesystem::remove_all(out);
            std::vector<std::string> sources, destinations;
            for (unsigned i = 0; i < 8; ++i) {
                std::string name = "f" + std::to_string(i) + ".mp3";
                WriteFile(from / name, PatternedContent(64 << 10, i + 1));
                sources.push_back(from / name);
                destinations.push_back(out + "/d" + std::to_string(i % 3) + "/" + name);
            }
            TransferRequest request = Request(c, sources, destinations);
            request.batchFiles = 3;
            int status = testing::KillWhenStalled([&](const std::function<void()>& stall) {
                StallWhen delegate(stall, [&](const StallWhen& self) {
                    switch (at) {
                        case KillAt::SecondBatchReported:
                            return self.reports.size() == 4;
                        case KillAt::BetweenClaims:
                            return Exists(destinations[3]) && self.reports.size() == 3;
                        case KillAt::WhileCopying:
                            return self.reports.size() == 6 && !Leftovers(out).empty();
                    }
                    return false;
                });
                RunTransfer(request, delegate);
            });
            ASSERT_TRUE(WIFSIGNALED(status));

            std::vector<std::string> journalPaths = ListJournals(journals);
            ASSERT_EQ(journalPaths.size(), 1u);
            ReadBackRun journal = ReadBack(journalPaths[0]);
            EXPECT_FALSE(journal.journal.ended);
            for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
                if (entry.is_directory()) {
                    EXPECT_THAT(journal.folders, ::testing::Contains(entry.path().string()));
                }
            }
            for (std::size_t i = 0; i < sources.size(); ++i) {
                bool placed = Exists(destinations[i]);
                bool sourceGone = !Exists(sources[i]);
                if (!placed && !sourceGone)
                    continue;
                SCOPED_TRACE(destinations[i]);
                auto file = std::find_if(journal.files.begin(), journal.files.end(),
                                         [&](const JournaledFile& f) { return f.id == i; });
                ASSERT_NE(file, journal.files.end());
                EXPECT_EQ(file->requested, destinations[i]);
                if (placed) {
                    EXPECT_TRUE(IsRecordedFile(file->staged, StatOf(destinations[i])));
                }
            }

            // And it is enough to undo what the run did, the copies it had staged included.
            UndoSummary undo = UndoRun(journalPaths[0], false, NoUndoReports());
            EXPECT_EQ(undo.leftAlone, 0u);
            for (std::size_t i = 0; i < sources.size(); ++i)
                EXPECT_TRUE(ReadFile(sources[i]) ==
                            PatternedContent(64 << 10, static_cast<unsigned>(i + 1)))
                    << sources[i];
            EXPECT_FALSE(Exists(out));
            std::filesystem::remove(journalPaths[0]);
        }
    }
}

}  // namespace
}  // namespace tunvex
