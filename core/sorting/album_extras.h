// Album extras (cover pictures, cue sheets, rip logs, lyrics) that travel with their tracks.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/sorting/sort_batch.h"

namespace tunvex {

// patterns: ';'-separated wildcards, '*' any run of characters, '?' one character, letter case
// ignored, as the Windows shell matches them.
bool MatchesExtraPatterns(std::string_view name, std::string_view patterns);

// For each folder whose music files (dropped or not) are all in the request and go to one
// destination folder, adds the files of that folder (not beneath it) that match patterns to the
// request, bound for that folder, to go only once those tracks were all placed; they leave
// plan.notSorted. Folders and files are known by
// identity, whatever path spells them. An extra is never a music file (isMusic asks the tag
// library of a file the drop did not read), nor given a destination the request holds already.
// The extras of the other folders are listed in plan.extrasKept.
void AddAlbumExtras(SortBatchPlan& plan, std::string_view patterns,
                    const std::function<bool(const std::string&)>& isMusic);

}  // namespace tunvex
