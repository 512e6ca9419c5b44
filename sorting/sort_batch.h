// The main job for one drop: expand the dropped paths, read every file's tags, name its
// destination, and move or copy all accepted files in one transfer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/transfer.h"
#include "settings/settings.h"
#include "tags/tag_library.h"

namespace tunvex {

struct SortBatchPlan {
    TransferRequest request;           // empty lists when no file was accepted
    std::vector<std::string> refused;  // files the tag reader refused, in batch order
};

struct SortBatchContext {
    const Settings& settings;
    const TagLibrary& library;
    CodePage codePage;
    void* window = nullptr;
};

// Copy or move by CopyMode; rename on collision when CollisionMode is 1, otherwise ask.
TransferRequest MakeTransferRequest(const Settings& settings);

// Reads and names every file beneath the dropped paths, in drop order; touches nothing.
SortBatchPlan PlanSortBatch(const SortBatchContext& context,
                            const std::vector<std::string>& droppedPaths);

// Plans the drop and runs its one transfer; nullopt when no file was accepted.
std::optional<TransferSummary> RunSortBatch(const SortBatchContext& context,
                                            const std::vector<std::string>& droppedPaths,
                                            TransferDelegate& delegate);

}  // namespace tunvex
