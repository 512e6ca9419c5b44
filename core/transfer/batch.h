// A request runs in batches so that durability is paid once per batch, not once per file:
// stage every file of the batch into temporaries, make that data durable with one syncfs per
// file system, claim the destination names in order, make the names durable, and only then
// remove the sources of moves that went through a copy. Where syncfs reaches no storage, each
// copy and each folder that took a name is fsync'd instead.
#pragma once

#include <cstdint>
#include <vector>

#include "core/transfer/file_steps.h"
#include "core/transfer/transfer.h"

namespace tunvex {

// The request as it goes.
struct RequestRun {
    const TransferRequest& request;
    TransferDelegate& delegate;
    // The sources by position, as the request looked at them or as the run did when it did not.
    const std::vector<SourceState>* states = nullptr;
    std::vector<SourceState> lookedAtStart = {};
    std::vector<bool> repeated = {};  // by position: an earlier source is the same file
    TransferProgress progress = {};
    TransferSummary summary = {};
    std::size_t reported = 0;       // files reported so far: reports go in request order
    std::vector<bool> placed = {};  // by position, of the files reported, for placedFirst
    // Progress bytes: of the files staged, and the most the file being copied may add.
    std::uint64_t bytesStaged = 0;
    std::uint64_t bytesCap = 0;
    std::uint64_t bytesOfFile = 0;
    // While the files staged before a cancel are placed, a copy their claim needs goes on.
    bool cancelHeld = false;
};

PlannedSource PlannedAt(const RequestRun& run, std::size_t index);

void CountOutcome(TransferSummary& summary, FileOutcome outcome);

// OnFileDone for the next file in order, then its progress unless the request stopped.
void ReportNext(RequestRun& run, const FileReport& report);

void ReportCancelled(RequestRun& run);

// Runs the batch that begins at the first unreported file, reporting each of its files.
void RunBatch(RequestRun& run, FileTransferContext& context);

}  // namespace tunvex
