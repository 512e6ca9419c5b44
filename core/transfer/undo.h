// Undoing a whole transfer run from its journal (journal.h).
//
// The source folders a move removed are made first, with their modes. Then the files go back in
// the reverse order of the run: a moved file to its source, a copy to the
// trash, then the file it replaced out of the trash to its place; at the end the folders the run
// made are removed once empty. A file is touched only while it is still the one the run put
// there, and goes back only to a free name: whatever changed since is left alone and reported,
// so nothing is ever overwritten or lost. Each file dealt with is marked in the journal, and the
// journal as a whole once nothing is left, so an undo cut short can be run again, and one that
// is done is not done twice.
#pragma once

#include <cstddef>
#include <string>

#include "core/base/failure_reason.h"
#include "core/base/text.h"
#include "core/transfer/journal.h"

namespace tunvex {

enum class UndoAction {
    MovedBack,      // path to its source, to
    Relinked,       // the link path, moved as a copy of its target, made again with text to
    Trashed,        // path (a copy) to the trash, at to
    Restored,       // path, in the trash, back to to
    FolderRemoved,  // path
    FolderMade,     // path, a source folder the run removed, made again
    LeftAlone,      // path, for reason
};

struct UndoReport {
    UndoAction action = UndoAction::LeftAlone;
    std::string path;
    std::string to;  // empty in a dry run for Trashed
    FailureReason reason;
};

class UndoDelegate {
  public:
    virtual ~UndoDelegate() = default;
    virtual void OnUndo(const UndoReport& report) = 0;
    // Polled between files.
    virtual bool CancelRequested() { return false; }
};

struct UndoSummary {
    std::size_t movedBack = 0;  // links made again included
    std::size_t trashed = 0;
    std::size_t restored = 0;
    std::size_t foldersRemoved = 0;
    std::size_t foldersMade = 0;
    std::size_t leftAlone = 0;
    bool cancelled = false;
    FailureReason refused;  // why the journal could not be used; nothing was done then
};

// dryRun reports what would be done and touches nothing, the journal included.
// codePage: of the journal's paths.
UndoSummary UndoRun(CodePage codePage, const std::string& journalPath, bool dryRun,
                    UndoDelegate& delegate);

// The newest journal in folder that is not undone yet; empty when there is none.
std::string NewestJournalToUndo(const std::string& folder);

// Whether the run of the journal is still going, or being undone: its lock is held.
bool IsRunHeld(const std::string& journalPath);

}  // namespace tunvex
