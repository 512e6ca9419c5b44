// tunvex-sort --undo and --list-runs: the runs that the journals in the user's journal folder
// describe.
#pragma once

#include "apps/tunvex-sort/options.h"

namespace tunvex {

// Undoes the journal options.paths names (a path, or a name in the journal folder), else the
// newest not undone yet; with options.dryRun only prints what it would do. An exit status.
int RunUndo(const SortOptions& options);

// One line a run, newest first: journal name, start time, copy or move, files, state.
int ListRuns();

}  // namespace tunvex
