#include "apps/tunvex-sort/preview_printing.h"

#include <iostream>

#include "apps/tunvex-sort/printable.h"
#include "core/base/failure_reason.h"

namespace tunvex {

namespace {

struct StateWords {
    const char* state;  // the first column
    const char* why;    // the last column, when the state says one
    const char* count;  // in the counts
};

// By PreviewState.
const StateWords kStateWords[kPreviewStateCount] = {
    {"placed", nullptr, "placed"},
    {"new-folder", nullptr, "into new folders"},
    {"renamed", "a file of that name is there", "renamed"},
    {"ask", "a file of that name is there: asked whether to replace it (it would go to the trash)",
     "to ask about"},
    {"same-name", "an earlier file of this drop takes that name", "sharing a name"},
    {"in-place", nullptr, "already in place"},
    {"twice", "the same file as an earlier one", "given twice"},
    {"extra", nullptr, "extras"},
    {"extra-kept", nullptr, "extras left"},
    {"remove-folder", nullptr, "folders to remove"},
    {"left", nullptr, "left where they are"},
    {"failed", nullptr, "failed"},
};

std::string Why(const SortBatchPlan& plan, const PreviewRow& row) {
    if (row.state == PreviewState::ExtraKept)
        return ExtraKeptText(plan.extrasKept[row.index].because);
    if (row.state == PreviewState::LeftBehind || row.state == PreviewState::CannotGo)
        return EnglishReason(plan.notSorted[row.index].reason);
    const char* why = kStateWords[static_cast<std::size_t>(row.state)].why;
    return why != nullptr ? why : "";
}

}  // namespace

const char* ExtraKeptText(ExtraKeptBecause because) {
    return because == ExtraKeptBecause::TracksGoToSeveralFolders
               ? "its folder's tracks do not all go to one folder"
               : "a file of its name is sorted there";
}

std::size_t PrintPreview(const SortBatchPlan& plan, const SortPreview& preview, CodePage codePage) {
    for (const PreviewRow& row : preview.rows) {
        std::cout << kStateWords[static_cast<std::size_t>(row.state)].state << '\t'
                  << Printable(RowSource(plan, row), codePage) << '\t'
                  << Printable(RowDestination(plan, row, codePage), codePage);
        std::string why = Why(plan, row);
        if (!why.empty())
            std::cout << '\t' << Printable(why, codePage);
        std::cout << '\n';
    }
    std::cerr << "tunvex-sort: preview:";
    const char* separator = " ";
    for (std::size_t state = 0; state < kPreviewStateCount; ++state) {
        if (preview.counts[state] == 0)
            continue;
        std::cerr << separator << preview.counts[state] << ' ' << kStateWords[state].count;
        separator = ", ";
    }
    std::cerr << (preview.rows.empty() ? " no file" : "") << "; nothing moved\n";
    return preview.counts[static_cast<std::size_t>(PreviewState::CannotGo)];
}

}  // namespace tunvex
