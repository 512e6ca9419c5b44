// Album extras (cover pictures, cue sheets, rip logs, lyrics) that travel with their tracks.
#pragma once

#include <string>
#include <string_view>

#include "core/sorting/sort_batch.h"

namespace tunvex {

// patterns: ';'-separated wildcards, '*' any run of characters, '?' one character, letter case
// ignored, as the Windows shell matches them.
bool MatchesExtraPatterns(std::string_view name, std::string_view patterns);

// For each folder whose files in the request all go to one destination folder (and none of its
// music files failed), adds the files of that folder (not beneath it) that match patterns to the
// request, bound for that folder; they leave plan.notSorted. An extra is never one of the
// drop's music files, nor given a destination the request holds already. The extras of the
// other folders are listed in plan.extrasKept.
void AddAlbumExtras(SortBatchPlan& plan, std::string_view patterns);

}  // namespace tunvex
