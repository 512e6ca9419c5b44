#include "core/transfer/transfer.h"

#include <algorithm>
#include <optional>

#include "core/transfer/batch.h"
#include "core/transfer/emptied_folder_removal.h"

namespace tunvex {
namespace {

TransferSummary RefuseMismatched(const TransferRequest& request, TransferDelegate& delegate) {
    TransferSummary summary;
    std::size_t count = std::max(request.sources.size(), request.destinations.size());
    for (std::size_t i = 0; i < count; ++i) {
        FileReport report;
        if (i < request.sources.size())
            report.source = request.sources[i];
        if (i < request.destinations.size())
            report.destination = request.destinations[i];
        report.reason = {FailureKind::RequestMismatched};
        CountOutcome(summary, report.outcome);
        delegate.OnFileDone(report);
    }
    return summary;
}

// The identities seen are needed only while planning: a whole library's would stay for the run.
void PlanSources(RequestRun& run) {
    const TransferRequest& request = run.request;
    std::set<FileIdentity> planned;
    bool looked = request.sourceStates.size() == request.sources.size();
    run.planned.reserve(request.sources.size());
    for (std::size_t i = 0; i < request.sources.size(); ++i) {
        run.planned.push_back(PlanSource(
            looked ? request.sourceStates[i] : TakeSnapshot(request.sources[i]), planned));
        run.progress.bytesTotal += static_cast<std::uint64_t>(run.planned.back().bytes);
    }
}

}  // namespace

TransferSummary RunTransfer(const TransferRequest& request, TransferDelegate& told) {
    if (request.sources.size() != request.destinations.size()) {
        return RefuseMismatched(request, told);
    }
    bool removing =
        request.operation == TransferOperation::Move && !request.removeWhenEmptied.empty();
    MovedFromFolders delegate(told, removing);
    // Before any file leaves them.
    std::optional<EmptiedFolderRemoval> emptied;
    if (removing)
        emptied.emplace(request.removeWhenEmptied);
    RequestRun run{request, delegate, {}, {}, {}};
    run.progress.filesTotal = request.sources.size();
    if (!request.placedFirst.empty())
        run.placed.resize(request.sources.size());
    PlanSources(run);
    delegate.OnProgress(run.progress);

    ChunkObserver onChunk = [&run](std::uint64_t bytes) {
        run.bytesOfFile += bytes;
        run.progress.bytesDone = std::min(run.bytesStaged + run.bytesOfFile, run.bytesCap);
        run.delegate.OnProgress(run.progress);
        return run.cancelHeld || !run.delegate.CancelRequested();
    };
    FileTransferContext context(request, delegate, onChunk);
    context.copies.chunkBytes = request.chunkBytes;
    context.copies.syncData = false;
    if (!request.journalFolder.empty())
        context.journal.Start(request.journalFolder, request.operation, request.codePage);
    while (run.reported < request.sources.size()) {
        if (run.summary.cancelled) {
            ReportCancelled(run);
        } else {
            RunBatch(run, context);
        }
    }
    if (removing && !run.summary.cancelled) {
        run.summary.foldersRemoved =
            emptied->Remove(delegate.folders(), context.journal, run.summary.foldersKept);
    }
    run.summary.journal = context.journal.Finish();
    run.summary.journalError = context.journal.error();
    run.summary.attributesNotKept = context.attributesNotKept;
    return run.summary;
}

}  // namespace tunvex
