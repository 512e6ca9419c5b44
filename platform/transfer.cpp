#include "platform/transfer.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/transfer_file.h"

namespace tunvex {
namespace {

std::uint64_t SizeOf(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

void Count(TransferSummary& summary, FileOutcome outcome) {
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
        case FileOutcome::Failed:
            ++summary.failed;
            break;
        case FileOutcome::Cancelled:
            summary.cancelled = true;
            break;
    }
}

TransferSummary RefuseMismatched(const TransferRequest& request, TransferDelegate& delegate) {
    TransferSummary summary;
    std::size_t count = std::max(request.sources.size(), request.destinations.size());
    for (std::size_t i = 0; i < count; ++i) {
        FileReport report;
        if (i < request.sources.size())
            report.source = request.sources[i];
        if (i < request.destinations.size())
            report.destination = request.destinations[i];
        report.reason = "the request has not as many destinations as sources";
        Count(summary, report.outcome);
        delegate.OnFileDone(report);
    }
    return summary;
}

}  // namespace

TransferSummary RunTransfer(const TransferRequest& request, TransferDelegate& delegate) {
    if (request.sources.size() != request.destinations.size()) {
        return RefuseMismatched(request, delegate);
    }
    std::vector<std::uint64_t> sizes;
    TransferProgress progress;
    progress.filesTotal = request.sources.size();
    for (const std::string& source : request.sources) {
        sizes.push_back(SizeOf(source));
        progress.bytesTotal += sizes.back();
    }
    delegate.OnProgress(progress);

    std::uint64_t bytesBefore = 0;
    std::uint64_t bytesOfFile = 0;
    std::size_t current = 0;
    FileTransferContext context{
        request.operation, request.flags, request.chunkBytes, delegate, [&](std::uint64_t bytes) {
            bytesOfFile += bytes;
            progress.bytesDone = bytesBefore + std::min(bytesOfFile, sizes[current]);
            delegate.OnProgress(progress);
            return !delegate.CancelRequested();
        }};
    TransferSummary summary;
    for (; current < request.sources.size(); ++current) {
        const std::string& source = request.sources[current];
        const std::string& destination = request.destinations[current];
        bytesOfFile = 0;
        FileReport report{source, destination, FileOutcome::Cancelled, {}};
        if (!summary.cancelled && !delegate.CancelRequested()) {
            report = TransferFile(source, destination, context);
        }
        Count(summary, report.outcome);
        delegate.OnFileDone(report);
        if (summary.cancelled)
            continue;
        bytesBefore += sizes[current];
        progress.filesDone = current + 1;
        progress.bytesDone = bytesBefore;
        delegate.OnProgress(progress);
    }
    return summary;
}

}  // namespace tunvex
