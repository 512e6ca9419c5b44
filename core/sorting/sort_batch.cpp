#include "core/sorting/sort_batch.h"

#include <optional>
#include <string_view>

#include "core/base/path_column.h"
#include "core/base/paths.h"
#include "core/files/temporaries.h"
#include "core/sorting/album_extras.h"
#include "core/sorting/destination_naming.h"
#include "core/sorting/expand_dropped_path.h"
#include "core/sorting/removable_folders.h"
#include "core/sorting/tag_read_ahead.h"
#include "core/tags/tag_reader.h"
#include "core/transfer/journal.h"

namespace tunvex {

namespace {

// Any destination of a folder naming mode in range lies inside the base folder.
bool IsInsideBaseFolder(const SortBatchContext& context, const std::string& destination) {
    int mode = context.settings.FolderNamingMode;
    std::string base = context.settings.BaseFolderPath;
    if (mode < 0 || mode > 3 || base.empty())
        return true;
    if (!EndsWithChar(context.codePage, base, kPathSeparator))
        base += kPathSeparator;
    return destination.size() > base.size() && destination.starts_with(base);
}

bool IsLeftoverTemporary(const SortBatchContext& context, const std::string& path) {
    std::string name = path;
    StripToFileName(context.codePage, name);
    return IsTemporaryName(name);
}

}  // namespace

TransferOperation OperationOf(const Settings& settings) {
    return settings.CopyMode == 0 ? TransferOperation::Copy : TransferOperation::Move;
}

TransferRequest MakeTransferRequest(const Settings& settings) {
    TransferRequest request;
    request.operation = OperationOf(settings);
    request.flags = kTransferMultiDestFiles | kTransferAllowUndo | kTransferNoConfirmMkdir;
    if (settings.CollisionMode == 1)
        request.flags |= kTransferRenameOnCollision;
    request.journalFolder = JournalFolder();
    return request;
}

SortBatchPlan PlanSortBatch(const SortBatchContext& context,
                            const std::vector<std::string>& droppedPaths) {
    PathColumn batch;
    std::vector<UnreadableFolder> unreadable;
    // Where the files of each dropped folder end in the batch; a dropped file has no root.
    struct DroppedRoot {
        std::size_t end;
        std::string_view root;
    };
    std::vector<DroppedRoot> droppedRoots;
    for (const std::string& dropped : droppedPaths) {
        const std::size_t before = batch.size();
        for (const std::string& path : ExpandDroppedPath(dropped, &unreadable))
            batch.push_back(path);
        // A folder never gives itself: no second look at the path to tell.
        bool folder = batch.size() != before + 1 || batch[before] != dropped;
        droppedRoots.push_back(
            {batch.size(), folder ? std::string_view(dropped) : std::string_view()});
    }
    batch.shrink_to_fit();
    bool removing = OperationOf(context.settings) == TransferOperation::Move &&
                    context.settings.RemoveEmptiedFolders == 1;
    // By position in the request, the dropped folder a file was found in: only a move that
    // removes the folders it empties asks.
    std::vector<std::string_view> roots;
    auto rootAhead = droppedRoots.begin();

    SortBatchPlan plan;
    plan.request = MakeTransferRequest(context.settings);
    plan.request.codePage = context.codePage;
    for (UnreadableFolder& folder : unreadable) {
        plan.notSorted.push_back(
            {std::move(folder.path), {FailureKind::FolderUnreadable, folder.error}, false});
    }
    // The tag library answers each thread about its own file, so files are read on every core at
    // once, ahead of the naming, which takes them in batch order. Each file is looked at before
    // its tags are read: the transfer leaves alone a file that changed after that.
    std::optional<TagReadAhead> reads(
        std::in_place, batch,
        [&context](const std::string& path) {
            FileRead read;
            read.leftoverTemporary = IsLeftoverTemporary(context, path);
            if (read.leftoverTemporary)
                return read;
            read.source = TakeSnapshot(path);
            TrackTags tags;
            if (read.source.error == 0 && ReadTrackTags(context.library, context.settings.TagMode,
                                                        context.codePage, path, tags))
                read.tags = std::move(tags);
            return read;
        },
        context.readerThreads != 0 ? context.readerThreads : DefaultReaderThreads());
    std::size_t total = batch.size();
    // The batch becomes the request's sources once the files that stay are dropped from it.
    std::vector<bool> accepted(total);
    // Room for every file at once: a list that doubles as it grows holds up to twice its files.
    plan.request.destinations.reserve(total);
    plan.request.sourceStates.reserve(total);
    auto stopped = [&](std::size_t read) {
        if (!context.reading || context.reading(read, total))
            return false;
        plan.request.destinations.clear();
        plan.request.sourceStates.clear();
        plan.cancelled = true;
        return true;
    };
    for (std::size_t index = 0; index < total; ++index) {
        if (stopped(index))
            return plan;
        std::string path = batch[index];
        FileRead read = reads->Take(index);
        if (read.leftoverTemporary) {
            plan.notSorted.push_back({std::move(path), {FailureKind::LeftoverTemporary}, false});
            continue;
        }
        if (!read.tags) {
            plan.notSorted.push_back({std::move(path), {FailureKind::NoTags}, false});
            continue;
        }
        const TrackTags& tags = *read.tags;
        std::string destination;
        if (!BuildDestinationPath(context.settings, context.codePage, destination, path, tags)) {
            plan.notSorted.push_back({std::move(path), {FailureKind::DestinationTooLong}, true});
            continue;
        }
        // Both naming modes out of range name nothing, and an empty file name puts the extension
        // on the folder part, in base folder mode beside the base folder: nowhere to go.
        // A base folder that is empty or relative, or a folder mode out of range, would put the
        // file under whatever folder the program was started in.
        if (!destination.starts_with(kPathSeparator) || !IsInsideBaseFolder(context, destination)) {
            plan.notSorted.push_back({std::move(path), {FailureKind::NoDestination}, true});
            continue;
        }
        // No file system call can take a name past a NUL byte: the settings would name a
        // folder other than the one they hold.
        if (destination.find('\0') != std::string::npos) {
            plan.notSorted.push_back({std::move(path), {FailureKind::NulInNaming}, true});
            continue;
        }
        accepted[index] = true;
        plan.request.destinations.push_back(destination);
        plan.request.sourceStates.push_back(read.source);
        if (removing) {
            while (rootAhead->end <= index)
                ++rootAhead;
            roots.push_back(rootAhead->root);
        }
    }
    // Once more when all are read: what follows takes a moment on a large drop.
    if (stopped(total))
        return plan;
    // The readers look at the batch until they are gone.
    reads.reset();
    batch.keep_if([&accepted](std::size_t index) { return bool(accepted[index]); });
    plan.request.sources = std::move(batch);
    if (removing)
        plan.request.removeWhenEmptied = SourceFoldersToRemove(
            plan.request.sources, roots, FoldersNeverRemoved(context.settings.BaseFolderPath));
    if (context.settings.CarryExtraFiles == 1)
        AddAlbumExtras(plan, context.settings.ExtraFilePatterns,
                       [&context](const std::string& path) {
                           TrackTags tags;
                           return ReadTrackTags(context.library, context.settings.TagMode,
                                                context.codePage, path, tags);
                       });
    return plan;
}

std::size_t ReportPlanFailures(const SortBatchPlan& plan, TransferDelegate& delegate) {
    std::size_t failed = 0;
    for (const NotSorted& file : plan.notSorted) {
        if (!file.failed)
            continue;
        delegate.OnFileDone({file.path, {}, FileOutcome::Failed, file.reason});
        ++failed;
    }
    return failed;
}

std::optional<SortSummary> RunSortPlan(SortBatchPlan plan, TransferDelegate& delegate) {
    std::size_t failed = ReportPlanFailures(plan, delegate);
    if (plan.request.sources.empty() && failed == 0)
        return std::nullopt;
    SortSummary summary{.extrasKept = std::move(plan.extrasKept)};
    if (!plan.request.sources.empty())
        summary.transfer = RunTransfer(plan.request, delegate);
    summary.transfer.failed += failed;
    return summary;
}

}  // namespace tunvex
