// What the window's menu, its undo question and the list of runs need of a journal, read from its
// first line and its end only: a run of a million files is looked at in a moment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/failure_reason.h"
#include "core/transfer/journal.h"

namespace tunvex {

struct JournalGlance {
    std::string path;
    TransferOperation operation = TransferOperation::Copy;
    std::int64_t started = 0;
    bool ended = false;
    bool undone = false;
    std::uint64_t files = 0;        // FilesOfRun
    std::uint64_t filesUndone = 0;  // of them, dealt with by an undo
};

// False with error set when path is not a journal. Whether the run is undone is read from the
// journal's last line; the count of its files from the end record when no file is marked undone
// yet, else (a run cut short, one undone in part, an older journal) from the whole journal,
// unless countFiles is false (the counts are then 0).
bool GlanceAtJournal(const std::string& path, JournalGlance& glance, FailureReason& error,
                     bool countFiles = true);

// The journals in folder whose runs are not undone yet, newest first, at most most of them.
std::vector<JournalGlance> RunsToUndo(const std::string& folder, std::size_t most,
                                      bool countFiles = true);

}  // namespace tunvex
