#include "core/transfer/batch.h"

#include <sys/resource.h>

#include <algorithm>
#include <string>
#include <unordered_map>

namespace tunvex {
namespace {

enum class Barrier { Data, Names };

template <typename Key, typename Sync>
int Once(std::unordered_map<Key, int>& done, const Key& key, Sync sync) {
    auto [entry, added] = done.emplace(key, 0);
    if (added)
        entry->second = sync();
    return entry->second;
}

// Makes durable what the files that match wrote, each file system or folder once: one syncfs
// per file system where that suffices; elsewhere the data was synced as it was copied, and the
// names barrier syncs each folder that took one. The error that holds for each file.
template <typename Wanted>
std::vector<int> SyncBarrier(const std::vector<StagedFile>& files, const FileSystemHandles& handles,
                             Barrier barrier, Wanted wanted) {
    std::unordered_map<dev_t, int> fileSystems;
    std::unordered_map<std::string, int> folders;
    std::vector<int> errors(files.size(), 0);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const StagedFile& file = files[i];
        if (!wanted(file))
            continue;
        if (!handles.SyncsEachFile(file.device)) {
            errors[i] = Once(fileSystems, file.device, [&] { return handles.Sync(file.device); });
        } else if (barrier == Barrier::Names) {
            errors[i] = Once(folders, file.folder, [&] { return SyncFolder(file.folder); });
        }
    }
    return errors;
}

bool HoldsCopy(const StagedFile& file) {
    return file.pending && file.temporary;
}

// Each staged copy holds a descriptor until its claim: a batch takes at most half of what the
// process may open, the rest is left to its caller and to the copy under way.
std::size_t MaxBatchFiles(std::size_t asked) {
    std::size_t most = kMaxTransferBatchFiles;
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        most = std::min<std::size_t>(most, limit.rlim_cur / 2);
    return std::clamp<std::size_t>(asked, 1, std::max<std::size_t>(most, 1));
}

// Stages from the first unreported file until the batch is full. false when a cancel stopped
// it; the file that was being staged, if any, is then the batch's last, reported Cancelled.
bool StageBatch(RequestRun& run, FileTransferContext& context, std::vector<StagedFile>& files) {
    const TransferRequest& request = run.request;
    std::size_t maxFiles = MaxBatchFiles(request.batchFiles);
    std::uint64_t bytes = 0;
    for (std::size_t index = run.reported; index < request.sources.size(); ++index) {
        if (!files.empty() && (files.size() >= maxFiles || bytes >= request.batchBytes))
            return true;
        if (run.delegate.CancelRequested())
            return false;
        if (!request.placedFirst.empty()) {
            if (auto waiting = request.placedFirst.find(index);
                waiting != request.placedFirst.end()) {
                // What became of the files it waits for is known once they are reported.
                auto reported = [&](std::size_t first) { return first < run.reported; };
                if (!std::ranges::all_of(waiting->second, reported))
                    return true;
                auto placed = [&](std::size_t first) { return bool(run.placed[first]); };
                if (!std::ranges::all_of(waiting->second, placed)) {
                    StagedFile& left = files.emplace_back();
                    left.index = index;
                    left.report = {request.sources[index],
                                   request.destinations[index],
                                   FileOutcome::Skipped,
                                   {FailureKind::TracksNotAllPlaced}};
                    continue;
                }
            }
        }
        run.bytesOfFile = 0;
        PlannedSource planned = PlannedAt(run, index);
        std::uint64_t size = static_cast<std::uint64_t>(planned.bytes);
        run.bytesCap = run.bytesStaged + size;
        files.push_back(
            StageFile(request.sources[index], request.destinations[index], planned, context));
        files.back().index = index;
        if (files.back().report.outcome == FileOutcome::Cancelled)
            return false;
        run.bytesStaged = run.bytesCap;
        if (HoldsCopy(files.back()))
            bytes += size;
    }
    return true;
}

// Barrier before any claim: a copy whose data may not be on disk never gets its name.
void MakeCopiesDurable(std::vector<StagedFile>& files, const FileSystemHandles& handles) {
    std::vector<int> errors = SyncBarrier(files, handles, Barrier::Data, HoldsCopy);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (errors[i] != 0) {
            DropStaged(files[i], FileOutcome::Failed, {FailureKind::CopyNotDurable, errors[i]});
        }
    }
}

// The journal knows every file of the batch before any of their names is claimed.
void JournalStaged(const std::vector<StagedFile>& files, FileTransferContext& context) {
    for (const StagedFile& file : files) {
        if (!file.pending)
            continue;
        bool move = context.operation == TransferOperation::Move;
        context.journal.Staged(file.index, file.report.source,
                               move ? file.sourceEntry : file.sourceInfo, file.report.destination,
                               file.staged);
    }
    context.journal.Sync();
}

// Claims in order, reporting each file as soon as nothing is left to do for it and for the
// files before it. Returns how many were reported. Without pollCancel the files go in even
// though a cancel is pending, copies made at their claim included: they were staged before it.
std::size_t ClaimBatch(RequestRun& run, FileTransferContext& context,
                       std::vector<StagedFile>& files, bool pollCancel) {
    run.bytesOfFile = 0;
    run.bytesCap = run.bytesStaged;
    run.cancelHeld = !pollCancel;
    std::size_t reported = 0;
    bool stopped = false;
    for (StagedFile& file : files) {
        if (stopped) {
            DropStaged(file, FileOutcome::Cancelled);
        } else if (file.pending) {
            if (pollCancel && run.delegate.CancelRequested()) {
                DropStaged(file, FileOutcome::Cancelled);
            } else {
                ClaimFile(file, context);
                if (IsPlaced(file.report.outcome)) {
                    context.journal.Placed(file.index, run.request.destinations[file.index],
                                           file.report.destination, file.staged);
                }
            }
            stopped = file.report.outcome == FileOutcome::Cancelled;
        }
        // A placed file is told of once its name is durable.
        for (; reported < files.size() && !files[reported].pending &&
               !IsPlaced(files[reported].report.outcome);
             ++reported) {
            ReportNext(run, files[reported].report);
        }
    }
    run.cancelHeld = false;
    return reported;
}

}  // namespace

PlannedSource PlannedAt(const RequestRun& run, std::size_t index) {
    return PlanSource((*run.states)[index], run.repeated[index]);
}

void CountOutcome(TransferSummary& summary, FileOutcome outcome) {
    switch (outcome) {
        case FileOutcome::Transferred:
            ++summary.transferred;
            break;
        case FileOutcome::Renamed:
            ++summary.renamed;
            break;
        case FileOutcome::Replaced:
            ++summary.replaced;
            break;
        case FileOutcome::Skipped:
            ++summary.skipped;
            break;
        case FileOutcome::SameFile:
            ++summary.sameFile;
            break;
        case FileOutcome::Repeated:
            ++summary.repeated;
            break;
        case FileOutcome::Failed:
            ++summary.failed;
            break;
        case FileOutcome::Cancelled:
            summary.cancelled = true;
            break;
    }
}

void ReportNext(RequestRun& run, const FileReport& report) {
    CountOutcome(run.summary, report.outcome);
    if (!run.request.placedFirst.empty())
        run.placed[run.reported] = IsPlaced(report.outcome);
    run.delegate.OnFileDone(report);
    ++run.reported;
    if (run.summary.cancelled)
        return;
    run.progress.filesDone = run.reported;
    run.progress.bytesDone = run.bytesStaged;
    run.delegate.OnProgress(run.progress);
}

void ReportCancelled(RequestRun& run) {
    ReportNext(run, {run.request.sources[run.reported],
                     run.request.destinations[run.reported],
                     FileOutcome::Cancelled,
                     {}});
}

void RunBatch(RequestRun& run, FileTransferContext& context) {
    std::vector<StagedFile> files;
    bool stopped = !StageBatch(run, context, files);
    MakeCopiesDurable(files, context.fileSystems);
    JournalStaged(files, context);
    std::size_t reported = ClaimBatch(run, context, files, !stopped);
    // Barrier before any source goes: the names just claimed must survive a crash.
    std::vector<int> errors =
        SyncBarrier(files, context.fileSystems, Barrier::Names,
                    [](const StagedFile& file) { return IsPlaced(file.report.outcome); });
    context.journal.Sync();
    for (; reported < files.size(); ++reported) {
        StagedFile& file = files[reported];
        SettlePlacedFile(file, context, errors[reported]);
        ReportNext(run, file.report);
    }
    if (stopped && !run.summary.cancelled && run.reported < run.request.sources.size())
        ReportCancelled(run);
}

}  // namespace tunvex
