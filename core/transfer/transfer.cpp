#include "core/transfer/transfer.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <tuple>

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

// Each file's first source goes, the later ones are repeats. Positions sorted by identity
// rather than a set of identities: a node per file would cost more than the file's whole entry.
std::vector<bool> RepeatedSources(const std::vector<SourceState>& states) {
    std::vector<std::uint32_t> order;
    for (std::size_t i = 0; i < states.size(); ++i) {
        if (states[i].error == 0)
            order.push_back(static_cast<std::uint32_t>(i));
    }
    auto key = [&states](std::uint32_t i) {
        return std::tuple(states[i].device, states[i].inode, i);
    };
    std::ranges::sort(order, {}, key);
    std::vector<bool> repeated(states.size());
    for (std::size_t i = 1; i < order.size(); ++i) {
        const SourceState& state = states[order[i]];
        const SourceState& before = states[order[i - 1]];
        repeated[order[i]] = state.device == before.device && state.inode == before.inode;
    }
    return repeated;
}

void PlanSources(RequestRun& run) {
    const TransferRequest& request = run.request;
    run.states = &request.sourceStates;
    if (request.sourceStates.size() != request.sources.size()) {
        run.lookedAtStart.reserve(request.sources.size());
        for (const std::string& source : request.sources)
            run.lookedAtStart.push_back(TakeSnapshot(source));
        run.states = &run.lookedAtStart;
    }
    run.repeated = RepeatedSources(*run.states);
    for (std::size_t i = 0; i < request.sources.size(); ++i)
        run.progress.bytesTotal += static_cast<std::uint64_t>(PlannedAt(run, i).bytes);
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
    RequestRun run{request, delegate};
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
    context.taken.Expect(request.sources.size());
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
