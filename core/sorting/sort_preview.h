// What the transfer of a sort's plan will do with each file, looked at before anything moves:
// rows that point into the plan, so that a preview of a large drop costs little beyond it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/text.h"
#include "core/sorting/sort_batch.h"

namespace tunvex {

enum class PreviewState : std::uint8_t {
    Placed,          // into a folder that is there
    IntoNewFolder,   // into a folder the run makes
    Renamed,         // a file of its name is there: it takes the numbered name
    WillAsk,         // a file of its name is there: the replace question comes
    SameNameInDrop,  // an earlier file of the drop takes its name: numbered in rename mode
    AlreadyInPlace,  // it is its own destination: left alone
    GivenTwice,      // the same file as an earlier one of the drop: left to that one
    ExtraFollows,    // an album extra that goes with its tracks
    ExtraKept,       // an album extra left in its folder
    FolderRemoved,   // a source folder the move removes once it has emptied it
    LeftBehind,      // not music, or no tags the library reads
    CannotGo,        // a music file with nowhere to go
};
constexpr std::size_t kPreviewStateCount = 12;

struct PreviewRow {
    PreviewState state;
    // Into plan.request's files for the states up to ExtraFollows, else into plan.extrasKept,
    // plan.request.removeWhenEmptied or plan.notSorted.
    std::uint32_t index;
    std::uint32_t number;  // the " (N)" a numbered name takes; 0: none
};

struct SortPreview {
    std::vector<PreviewRow>
        rows;  // the request's files in order, then folders, extras kept, the rest
    std::array<std::size_t, kPreviewStateCount> counts{};
};

// Looks at every destination as it stands now, and at the names earlier files of the plan take
// (a name a rename takes is known only as the run goes: one taken meanwhile moves it on).
SortPreview PreviewSortPlan(const SortBatchPlan& plan, CodePage codePage);

// Collisions and files that stay where they are.
bool NeedsALook(PreviewState state);
// The run does something with it: a file to place or a folder to remove.
bool IsChoosable(PreviewState state);

std::string RowSource(const SortBatchPlan& plan, const PreviewRow& row);
// Where the row's file goes, a numbered name spelt out; empty for a row that goes nowhere.
std::string RowDestination(const SortBatchPlan& plan, const PreviewRow& row, CodePage codePage);

// Leaves in the plan's request the files and folders of the chosen rows (by row position)
// alone; the rows no longer point into it after. An extra goes only with all its tracks: one of
// them left out keeps it too.
void KeepChosenRows(SortBatchPlan& plan, const SortPreview& preview,
                    const std::vector<bool>& chosen);

}  // namespace tunvex
