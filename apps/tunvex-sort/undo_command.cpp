#include "apps/tunvex-sort/undo_command.h"

#include <ctime>
#include <iostream>

#include "apps/tunvex-sort/console_delegate.h"
#include "apps/tunvex-sort/printable.h"
#include "core/base/failure_reason.h"
#include "core/base/text.h"
#include "core/transfer/journal.h"
#include "core/transfer/journal_glance.h"
#include "core/transfer/undo.h"

namespace tunvex {
namespace {

class ConsoleUndoDelegate : public UndoDelegate {
  public:
    void OnUndo(const UndoReport& report) override {
        switch (report.action) {
            case UndoAction::MovedBack:
                Print("back", report);
                break;
            case UndoAction::Relinked:
                Print("link", report);
                break;
            case UndoAction::Trashed:
                Print("trash", report);
                break;
            case UndoAction::Restored:
                Print("restore", report);
                break;
            case UndoAction::FolderRemoved:
                Print("rmdir", report);
                break;
            case UndoAction::FolderMade:
                Print("mkdir", report);
                break;
            case UndoAction::LeftAlone:
                std::cerr << "left alone: " << Printable(report.path) << ": "
                          << Printable(EnglishReason(report.reason)) << '\n';
                break;
        }
    }
    bool CancelRequested() override { return ConsoleDelegate::Interrupted(); }

  private:
    static void Print(const char* action, const UndoReport& report) {
        std::cout << action << '\t' << Printable(report.path);
        if (!report.to.empty())
            std::cout << '\t' << Printable(report.to);
        std::cout << '\n';
    }
};

std::string NamedJournal(const std::string& name) {
    return name.find('/') == std::string::npos ? JournalFolder() + "/" + name : name;
}

std::string LocalTime(std::int64_t seconds) {
    std::time_t time = static_cast<std::time_t>(seconds);
    struct tm local;
    localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

const char* StateOf(const JournalGlance& run) {
    if (run.undone)
        return "undone";
    if (run.filesUndone > 0)
        return "partly undone";
    return run.ended ? "done" : "interrupted";
}

}  // namespace

int RunUndo(const SortOptions& options) {
    std::string journal = options.paths.empty() ? NewestJournalToUndo(JournalFolder())
                                                : NamedJournal(options.paths.front());
    if (journal.empty()) {
        std::cerr << "tunvex-sort: no run to undo\n";
        return kExitUsage;
    }
    std::cerr << "tunvex-sort: " << (options.dryRun ? "would undo " : "undoing ")
              << Printable(journal) << '\n';
    ConsoleUndoDelegate delegate;
    ConsoleDelegate::CatchInterrupt();
    UndoSummary summary = UndoRun(SystemCodePage(), journal, options.dryRun, delegate);
    std::cout.flush();
    if (!summary.refused.empty()) {
        std::cerr << "tunvex-sort: " << Printable(journal) << ": "
                  << Printable(EnglishReason(summary.refused)) << '\n';
        return kExitUsage;
    }
    std::cerr << "tunvex-sort: " << summary.movedBack << " moved back, " << summary.trashed
              << " to the trash, " << summary.restored << " restored, " << summary.foldersRemoved
              << " folders removed, ";
    if (summary.foldersMade > 0)
        std::cerr << summary.foldersMade << " folders made again, ";
    std::cerr << summary.leftAlone << " left alone" << (summary.cancelled ? ", cancelled" : "")
              << (options.dryRun ? " (dry run: nothing touched)" : "") << '\n';
    return summary.leftAlone > 0 || summary.cancelled ? kExitNotAllDone : kExitAllDone;
}

int ListRuns() {
    std::vector<std::string> journals = ListJournals(JournalFolder());
    for (auto path = journals.rbegin(); path != journals.rend(); ++path) {
        JournalGlance run;
        FailureReason error;
        std::string name = path->substr(path->rfind('/') + 1);
        if (!GlanceAtJournal(*path, run, error)) {
            std::cerr << "tunvex-sort: " << Printable(name) << ": "
                      << Printable(EnglishReason(error)) << '\n';
            continue;
        }
        std::cout << Printable(name) << '\t' << LocalTime(run.started) << '\t'
                  << (run.operation == TransferOperation::Move ? "move" : "copy") << '\t'
                  << run.files << " files\t" << StateOf(run) << '\n';
    }
    return kExitAllDone;
}

}  // namespace tunvex
