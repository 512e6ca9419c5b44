// tunvex-sort --preview: what a sort would do with each file, a line each, for people and
// scripts alike.
#pragma once

#include "core/sorting/sort_preview.h"

namespace tunvex {

// Why an album extra stays where it is, in English.
const char* ExtraKeptText(ExtraKeptBecause because);

// On stdout a line a row: state, source, destination (empty when none) and, for a row that
// asks for a look, why, separated by tabs; then the counts on stderr. Returns how many files
// could not go.
std::size_t PrintPreview(const SortBatchPlan& plan, const SortPreview& preview, CodePage codePage);

}  // namespace tunvex
