#include "platform/transfer_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/paths.h"
#include "platform/transfer_folders.h"
#include "platform/transfer_names.h"
#include "platform/transfer_rename.h"
#include "platform/transfer_retry.h"
#include "platform/trash.h"

namespace tunvex {
namespace {

constexpr unsigned kMaxCollisionNumber = 9999;
constexpr char kSameFileReason[] = "source and destination are the same file";

enum class Decision { Replace, Skip, Cancel };

// The file that goes to the destination: the source itself while a plain rename can do the
// move, else a complete temporary copy.
struct Staged {
    std::string path;
    bool temporary = false;
};

FileReport Finish(FileReport report, FileOutcome outcome, std::string reason = {}) {
    report.outcome = outcome;
    report.reason = std::move(reason);
    return report;
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

bool IsSameFile(const struct stat& source, const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && info.st_dev == source.st_dev &&
           info.st_ino == source.st_ino;
}

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool IsRealFolder(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsPlainFile(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

Decision Decide(FileTransferContext& context, const std::string& source,
                const std::string& destination) {
    if (context.replaceAll)
        return Decision::Replace;
    switch (context.delegate.AskReplace(source, destination)) {
        case CollisionAnswer::ReplaceAll:
            context.replaceAll = true;
            return Decision::Replace;
        case CollisionAnswer::Replace:
            return Decision::Replace;
        case CollisionAnswer::Skip:
            return Decision::Skip;
        case CollisionAnswer::Cancel:
            break;
    }
    return Decision::Cancel;
}

FileOutcome OutcomeOf(Decision decision) {
    return decision == Decision::Skip ? FileOutcome::Skipped : FileOutcome::Cancelled;
}

bool IsPlaced(FileOutcome outcome) {
    return outcome == FileOutcome::Transferred || outcome == FileOutcome::Renamed ||
           outcome == FileOutcome::Replaced;
}

void Discard(const Staged& staged) {
    if (staged.temporary)
        unlink(staged.path.c_str());
}

// Empty reason and Transferred when the copy is in place; outcome Cancelled on a stop.
FileReport StageCopy(const FileReport& report, const std::string& folder,
                     FileTransferContext& context, Staged& staged) {
    StagedCopy copy = CopyToTemporary(report.source, folder, context.chunkBytes, context.onChunk);
    if (copy.cancelled)
        return Finish(report, FileOutcome::Cancelled);
    if (copy.error != 0)
        return Finish(report, FileOutcome::Failed, ErrorText(copy.error));
    staged = {copy.temporaryPath, true};
    return Finish(report, FileOutcome::Transferred);
}

// Puts staged under report.destination, or the next free numbered name, or over the file there
// when the collision rules say so. report.destination ends as the name taken.
FileReport Claim(FileReport report, const struct stat& sourceInfo, const std::string& folder,
                 FileTransferContext& context, Staged& staged, bool replaceDecided) {
    const std::string requested = report.destination;
    bool renameMode = (context.flags & kTransferRenameOnCollision) != 0;
    bool replaced = false;
    unsigned number = 1;
    while (true) {
        int error = RenameNoReplace(staged.path, report.destination);
        if (error == EXDEV && !staged.temporary) {
            FileReport copied = StageCopy(report, folder, context, staged);
            if (copied.outcome != FileOutcome::Transferred)
                return copied;
            continue;
        }
        if (error == 0)
            break;
        if (error != EEXIST || (renameMode && number == kMaxCollisionNumber)) {
            Discard(staged);
            return Finish(report, FileOutcome::Failed, ErrorText(error));
        }
        // Also catches a source already sorted under a numbered name by an earlier run.
        if (IsSameFile(sourceInfo, report.destination)) {
            Discard(staged);
            return Finish(report, FileOutcome::SameFile, kSameFileReason);
        }
        if (renameMode) {
            report.destination = NumberedName(SystemCodePage(), requested, ++number);
            continue;
        }
        Decision decision =
            replaceDecided ? Decision::Replace : Decide(context, report.source, report.destination);
        replaceDecided = false;
        if (decision != Decision::Replace) {
            Discard(staged);
            return Finish(report, OutcomeOf(decision));
        }
        if (IsRealFolder(report.destination)) {
            Discard(staged);
            return Finish(report, FileOutcome::Failed, ErrorText(EISDIR));
        }
        replaced = true;
        if ((context.flags & kTransferAllowUndo) == 0) {
            error = RenameReplacing(staged.path, report.destination);
            if (error == 0)
                break;
            Discard(staged);
            return Finish(report, FileOutcome::Failed, ErrorText(error));
        }
        error = MoveToTrash(report.destination);
        if (error != 0) {
            Discard(staged);
            return Finish(report, FileOutcome::Failed,
                          "cannot move the existing file to the trash: " + ErrorText(error));
        }
    }
    if (replaced)
        return Finish(report, FileOutcome::Replaced);
    return Finish(
        report, report.destination == requested ? FileOutcome::Transferred : FileOutcome::Renamed);
}

// A move that went through a copy ends by removing the source, once the copy is durable.
FileReport RemoveMovedSource(FileReport report, const std::string& folder) {
    int error = SyncFolder(folder);
    if (error == 0 && RetryOnInterrupt([&] { return unlink(report.source.c_str()); }) != 0) {
        error = errno;
    }
    if (error == 0)
        return report;
    return Finish(
        report, FileOutcome::Failed,
        "copied to the destination, but the source could not be removed: " + ErrorText(error));
}

}  // namespace

FileReport TransferFile(const std::string& source, const std::string& destination,
                        FileTransferContext& context) {
    FileReport report{source, destination, FileOutcome::Failed, {}};
    struct stat sourceInfo;
    if (stat(source.c_str(), &sourceInfo) != 0) {
        return Finish(report, FileOutcome::Failed, ErrorText(errno));
    }
    if (S_ISDIR(sourceInfo.st_mode))
        return Finish(report, FileOutcome::Failed, ErrorText(EISDIR));
    if (!S_ISREG(sourceInfo.st_mode)) {
        return Finish(report, FileOutcome::Failed, "not a regular file");
    }
    if (destination.empty() || destination.back() == kPathSeparator) {
        return Finish(report, FileOutcome::Failed, "the destination has no file name");
    }
    if (IsSameFile(sourceInfo, destination)) {
        return Finish(report, FileOutcome::SameFile, kSameFileReason);
    }
    bool replaceDecided = false;
    if ((context.flags & kTransferRenameOnCollision) == 0 && Exists(destination)) {
        Decision decision = Decide(context, source, destination);
        if (decision != Decision::Replace)
            return Finish(report, OutcomeOf(decision));
        replaceDecided = true;
    }
    std::string folder = ParentFolder(destination);
    int error = MakeFolders(folder, 0777);
    if (error != 0) {
        return Finish(report, FileOutcome::Failed,
                      "cannot create the folder " + folder + ": " + ErrorText(error));
    }
    Staged staged;
    if (context.operation == TransferOperation::Move && IsPlainFile(source)) {
        staged = {source, false};
    } else {
        FileReport copied = StageCopy(report, folder, context, staged);
        if (copied.outcome != FileOutcome::Transferred)
            return copied;
    }
    report = Claim(report, sourceInfo, folder, context, staged, replaceDecided);
    if (!IsPlaced(report.outcome))
        return report;
    if (context.operation == TransferOperation::Move && staged.temporary) {
        return RemoveMovedSource(report, folder);
    }
    SyncFolder(folder);
    return report;
}

}  // namespace tunvex
