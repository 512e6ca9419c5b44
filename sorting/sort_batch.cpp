#include "sorting/sort_batch.h"

#include "sorting/destination_naming.h"
#include "sorting/expand_dropped_path.h"
#include "tags/tag_reader.h"

namespace tunvex {

TransferRequest MakeTransferRequest(const Settings& settings) {
    TransferRequest request;
    request.operation = settings.CopyMode == 0 ? TransferOperation::Copy : TransferOperation::Move;
    request.flags = kTransferMultiDestFiles | kTransferAllowUndo | kTransferNoConfirmMkdir;
    if (settings.CollisionMode == 1)
        request.flags |= kTransferRenameOnCollision;
    return request;
}

SortBatchPlan PlanSortBatch(const SortBatchContext& context,
                            const std::vector<std::string>& droppedPaths) {
    PathList batch;
    for (const std::string& dropped : droppedPaths)
        AppendPathList(batch, ExpandDroppedPath(dropped));

    SortBatchPlan plan{MakeTransferRequest(context.settings), {}};
    for (std::string& path : batch) {
        TrackTags tags;
        if (!ReadTrackTags(context.library, context.settings.TagMode, context.codePage,
                           context.window, path, tags)) {
            plan.refused.push_back(std::move(path));
            continue;
        }
        std::string destination;
        BuildDestinationPath(context.settings, context.codePage, destination, path, tags);
        // Both naming modes out of range name nothing; such a file has nowhere to go.
        if (destination.empty()) {
            plan.refused.push_back(std::move(path));
            continue;
        }
        plan.request.sources.push_back(std::move(path));
        plan.request.destinations.push_back(std::move(destination));
    }
    return plan;
}

std::optional<TransferSummary> RunSortBatch(const SortBatchContext& context,
                                            const std::vector<std::string>& droppedPaths,
                                            TransferDelegate& delegate) {
    SortBatchPlan plan = PlanSortBatch(context, droppedPaths);
    if (plan.request.sources.empty())
        return std::nullopt;
    return RunTransfer(plan.request, delegate);
}

}  // namespace tunvex
