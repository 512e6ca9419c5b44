// The main job for one drop: expand the dropped paths, read every file's tags, name its
// destination, and move or copy all accepted files in one transfer.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/text.h"
#include "core/settings/settings.h"
#include "core/tags/tag_library.h"
#include "core/transfer/transfer.h"

namespace tunvex {

// A file of the drop that is not in the request.
struct NotSorted {
    std::string path;
    FailureReason reason;
    // A music file that cannot go where the settings say. false: not one to sort (no tags the
    // library reads), left out silently.
    bool failed = false;
};

enum class ExtraKeptBecause {
    TracksGoToSeveralFolders,  // or some stay: no one folder for the extras to follow them to
    NameTakenAtDestination,    // the request puts another file under its name there
};

// An album extra (CarryExtraFiles) left in its folder.
struct KeptExtra {
    std::string path;
    ExtraKeptBecause because;
};

struct SortBatchPlan {
    TransferRequest request;           // empty lists when no file was accepted
    std::vector<NotSorted> notSorted;  // folders that cannot be read, then files in batch order
    std::vector<KeptExtra> extrasKept;
    bool cancelled = false;  // stopped while reading: nothing is to be transferred
};

struct SortBatchContext {
    const Settings& settings;
    const TagLibrary& library;
    CodePage codePage;
    // Called before each file's tags are read and once all are, with the files read so far and
    // the files of the drop; false stops the drop before anything is transferred.
    std::function<bool(std::size_t read, std::size_t total)> reading = nullptr;
    // Threads that read tags at once (0: one for each core), more while reads wait for a disk;
    // the plan is the same for any number.
    std::size_t readerThreads = 0;
};

// Copy when CopyMode is 0, else move.
TransferOperation OperationOf(const Settings& settings);

// Copy or move by CopyMode; rename on collision when CollisionMode is 1, otherwise ask. The
// run keeps an undo journal in the user's journal folder.
TransferRequest MakeTransferRequest(const Settings& settings);

// Reads and names every file beneath the dropped paths, in drop order; touches nothing. With
// CarryExtraFiles 1 the album extras follow (album_extras.h); a move with RemoveEmptiedFolders
// 1 removes the source folders it empties, up to the dropped folders themselves.
SortBatchPlan PlanSortBatch(const SortBatchContext& context,
                            const std::vector<std::string>& droppedPaths);

// Tells the delegate of every failed file of the plan (outcome Failed, no destination), in
// order; returns how many there were.
std::size_t ReportPlanFailures(const SortBatchPlan& plan, TransferDelegate& delegate);

struct SortSummary {
    TransferSummary transfer{};  // counts the plan's failures too
    std::vector<KeptExtra> extrasKept{};
};

// Reports the failures of a plan not cancelled and runs its one transfer. nullopt when no file
// was accepted and none failed.
std::optional<SortSummary> RunSortPlan(SortBatchPlan plan, TransferDelegate& delegate);

}  // namespace tunvex
