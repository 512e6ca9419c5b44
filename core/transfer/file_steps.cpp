#include "core/transfer/file_steps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>

#include "core/base/paths.h"
#include "core/base/retry.h"
#include "core/files/folders.h"
#include "core/files/names.h"
#include "core/files/rename.h"
#include "core/files/temporaries.h"
#include "core/files/trash.h"

namespace tunvex {
namespace {

constexpr unsigned kMaxCollisionNumber = 9999;

enum class Decision { Replace, Skip, Cancel };

FileReport Finish(FileReport report, FileOutcome outcome, FailureReason reason = {}) {
    report.outcome = outcome;
    report.reason = std::move(reason);
    return report;
}

FileIdentity IdentityOf(const PlannedSource& planned) {
    return {planned.device, planned.inode};
}

// Why a source that is no longer its planned file is left alone.
FailureReason SourceGoneReason(const StagedFile& file, const FileTransferContext& context) {
    return {context.replaced.count(IdentityOf(file.planned)) != 0
                ? FailureKind::SourceReplacedByRequest
                : FailureKind::SourceChanged};
}

// Why the entry at path is no longer the planned source; empty while it is. The entry itself: a
// move renames it, not what it may point to by now.
FailureReason EntryGoneReason(const StagedFile& file, const FileTransferContext& context,
                              const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return {FailureKind::SourceUnreadable, errno};
    return IsUnchangedSince(AsStat(file.planned), info) ? FailureReason()
                                                        : SourceGoneReason(file, context);
}

bool IsRealFolder(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
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

// Ends the file with outcome, a success as much as a failure; false, so that a step can return
// it.
bool EndFile(StagedFile& file, FileOutcome outcome, FailureReason reason = {}) {
    file.report = Finish(file.report, outcome, std::move(reason));
    return false;
}

bool Fail(StagedFile& file, FailureReason reason) {
    return EndFile(file, FileOutcome::Failed, std::move(reason));
}

bool IsMove(const FileTransferContext& context) {
    return context.operation == TransferOperation::Move;
}

// Stages a copy of the file's source into a temporary beside its destination; with durable, or
// where only an fsync makes it so, its data is durable when it is handed back.
bool StageCopy(StagedFile& file, FileTransferContext& context, bool durable) {
    // Its source goes once the copy is durable, and only while it is still this version of it.
    if (IsMove(context) && lstat(file.report.source.c_str(), &file.sourceEntry) != 0)
        return Fail(file, {FailureKind::SourceUnreadable, errno});
    // A move's source is opened only now; what was opened is copied only if it is the file planned.
    if (file.source.get() < 0) {
        int error = OpenSource(file.report.source, file.source, file.sourceInfo);
        if (error != 0)
            return Fail(file, {FailureKind::SourceUnreadable, error});
    }
    if (!IsUnchangedSince(AsStat(file.planned), file.sourceInfo))
        return Fail(file, SourceGoneReason(file, context));
    bool syncData = context.copies.syncData;
    context.copies.syncData = syncData || durable || context.fileSystems.SyncsEachFile(file.device);
    StagedCopy copy = CopyToTemporary(std::move(file.source), file.sourceInfo, file.folder,
                                      context.copies, context.onChunk);
    context.copies.syncData = syncData;
    if (copy.cancelled)
        return EndFile(file, FileOutcome::Cancelled);
    if (copy.error != 0)
        return Fail(file, {FailureKind::CopyFailed, copy.error});
    if (copy.sourceChanged)
        return Fail(file, SourceGoneReason(file, context));
    file.path = copy.temporaryPath;
    file.staged = copy.copy;
    file.temporary = true;
    file.temporaryLock = std::move(copy.lock);
    file.attributesNotKept = copy.notKept;
    return true;
}

// The source as staging needs it, in file.sourceInfo. A copy opens it, and copies what it
// opened; a move of a file takes it as planned, since it is compared with its snapshot again
// before its folder is made, before a question about it and at its claim; a link gets a new
// snapshot of what it points to now (a move copies the target and removes the link).
int TakeSourceForStaging(StagedFile& file, TransferOperation operation) {
    const PlannedSource& planned = file.planned;
    if (planned.error != 0)
        return planned.error;
    if (operation == TransferOperation::Move) {
        if (!planned.isLink) {
            file.sourceInfo = file.sourceEntry = AsStat(planned);
            return 0;
        }
        SourceState now = TakeSnapshot(file.report.source);
        file.linkSource = now.isLink;
        file.sourceInfo = AsStat(now);
        if (!file.linkSource)
            file.sourceEntry = file.sourceInfo;
        return now.error;
    }
    // Refused below: no device or FIFO is opened.
    if (!S_ISREG(planned.mode)) {
        file.sourceInfo = AsStat(planned);
        return 0;
    }
    return OpenSource(file.report.source, file.source, file.sourceInfo);
}

bool IsMadeFolder(const FileTransferContext& context, const std::string& folder) {
    auto known = context.folders.find(folder);
    return known != context.folders.end() && known->second.made;
}

bool MayStandThere(const FileTransferContext& context, const std::string& folder,
                   const std::string& destination) {
    return !IsMadeFolder(context, folder) || context.taken.MayBeTaken(destination);
}

// Takes the file at destination out of the way: into the trash with undo, else by renaming from
// over it (placed is then true). Empty, or why it could not.
FailureReason ReplaceExisting(const std::string& from, std::size_t index,
                              const std::string& destination, FileTransferContext& context,
                              bool& placed) {
    struct stat victim = {};
    bool victimKnown = lstat(destination.c_str(), &victim) == 0;
    if ((context.flags & kTransferAllowUndo) == 0) {
        int error = RenameReplacing(from, destination);
        if (error != 0)
            return {FailureKind::ExistingNotReplaced, error};
        placed = true;
    } else {
        // Journaled before it moves, so that no crash leaves it in the trash unrecorded.
        int error = MoveToTrash(
            destination, nullptr,
            [&](const std::string& trashedPath) {
                context.journal.Trashed(index, destination, trashedPath, victim);
            },
            victimKnown ? &victim : nullptr);
        if (error != 0)
            return {FailureKind::ExistingNotTrashed, error};
    }
    if (victimKnown)
        context.replaced.insert({victim.st_dev, victim.st_ino});
    return {};
}

// The names a claim tries: the requested one, then numbered ones in rename mode.
struct ClaimAttempt {
    std::string requested;
    unsigned number = 1;
    bool replaced = false;
};

// The claimed file's report, and in rename mode the number the next collision there tries.
void Place(StagedFile& file, FileTransferContext& context, const ClaimAttempt& attempt) {
    if (attempt.replaced) {
        EndFile(file, FileOutcome::Replaced);
        return;
    }
    if (attempt.number > 1)
        context.nextNumbers[attempt.requested] = attempt.number + 1;
    EndFile(file, file.report.destination == attempt.requested ? FileOutcome::Transferred
                                                               : FileOutcome::Renamed);
}

// Rename mode: the next free numbered name is tried.
bool TryNextNumber(StagedFile& file, FileTransferContext& context, ClaimAttempt& attempt) {
    attempt.number = std::max(attempt.number + 1, context.nextNumbers[attempt.requested]);
    if (attempt.number > kMaxCollisionNumber)
        return Fail(file, {FailureKind::NameNotClaimed, EEXIST});
    file.report.destination = NumberedName(context.codePage, attempt.requested, attempt.number);
    return true;
}

// Ask mode: the file there goes, once the user agrees; true when the name is to be tried again.
bool ReplaceAtClaim(StagedFile& file, FileTransferContext& context, ClaimAttempt& attempt) {
    const std::string& destination = file.report.destination;
    // An answer given while staging holds only for the file it was about; another file of this
    // request may stand there by now.
    bool agreed = file.replaceDecided && IsUnchangedSince(file.agreedReplacement, destination);
    file.replaceDecided = false;
    Decision decision =
        agreed ? Decision::Replace : Decide(context, file.report.source, destination);
    if (decision != Decision::Replace)
        return EndFile(file, OutcomeOf(decision));
    if (IsRealFolder(destination))
        return Fail(file, {FailureKind::NameNotClaimed, EISDIR});
    attempt.replaced = true;
    bool placed = false;
    FailureReason failure = ReplaceExisting(file.path, file.index, destination, context, placed);
    if (!failure.empty())
        return Fail(file, failure);
    if (placed)
        Place(file, context, attempt);
    return !placed;
}

// After a claim's rename was refused with error: true when a name is to be tried again.
bool AfterRefusedName(StagedFile& file, FileTransferContext& context, ClaimAttempt& attempt,
                      int error) {
    // A rename across mounts of one device: copied now, durable before it is claimed.
    if (error == EXDEV && !file.temporary) {
        if (!StageCopy(file, context, true))
            return false;
        context.journal.Restaged(file.index, file.staged);
        return true;
    }
    if (error != EEXIST)
        return Fail(file, {FailureKind::NameNotClaimed, error});
    // Also catches a source already sorted under a numbered name by an earlier run.
    if (IsSourceItself(file.sourceInfo, file.report.destination))
        return EndFile(file, FileOutcome::SameFile, {FailureKind::SameFile});
    if ((context.flags & kTransferRenameOnCollision) != 0)
        return TryNextNumber(file, context, attempt);
    return ReplaceAtClaim(file, context, attempt);
}

// The report ends placed, with the name taken, or says why not.
void Claim(StagedFile& file, FileTransferContext& context) {
    if (context.replaced.count(IdentityOf(file.planned)) != 0) {
        Fail(file, {FailureKind::SourceReplacedByRequest});
        return;
    }
    if (!file.temporary) {
        FailureReason gone = EntryGoneReason(file, context, file.path);
        if (!gone.empty()) {
            Fail(file, gone);
            return;
        }
    }
    ClaimAttempt attempt{file.report.destination};
    while (true) {
        int error = RenameNoReplace(file.path, file.report.destination);
        if (error == 0) {
            Place(file, context, attempt);
            return;
        }
        if (!AfterRefusedName(file, context, attempt, error))
            return;
    }
}

}  // namespace

PlannedSource PlanSource(const SourceState& state, bool repeated) {
    PlannedSource source;
    static_cast<SourceState&>(source) = state;
    if (source.error != 0)
        return source;
    if (repeated) {
        source.repeated = true;
    } else if (S_ISREG(source.mode)) {
        source.bytes = source.size;
    }
    return source;
}

namespace {

// The source, still the file of its snapshot and a regular file, taken for staging.
bool StageSource(StagedFile& file, FileTransferContext& context) {
    if (file.planned.repeated)
        return EndFile(file, FileOutcome::Repeated, {FailureKind::RepeatedSource});
    int error = TakeSourceForStaging(file, context.operation);
    if (error != 0)
        return Fail(file, {FailureKind::SourceUnreadable, error});
    // A file swapped for a folder or a pipe since its snapshot is told of as such.
    if (!IsUnchangedSince(AsStat(file.planned), file.sourceInfo))
        return Fail(file, SourceGoneReason(file, context));
    if (S_ISDIR(file.sourceInfo.st_mode))
        return Fail(file, {FailureKind::SourceUnreadable, EISDIR});
    if (!S_ISREG(file.sourceInfo.st_mode))
        return Fail(file, {FailureKind::NotRegularFile});
    return true;
}

// A move's source compared with its snapshot again, as an entry: a move renames it.
bool StillPlannedEntry(StagedFile& file, FileTransferContext& context) {
    FailureReason gone = EntryGoneReason(file, context, file.report.source);
    return gone.empty() || Fail(file, gone);
}

// Ask mode: the question about the file that stands at the destination.
bool AskAboutStandingFile(StagedFile& file, FileTransferContext& context) {
    Decision decision = Decide(context, file.report.source, file.report.destination);
    if (decision != Decision::Replace)
        return EndFile(file, OutcomeOf(decision));
    file.replaceDecided = true;
    // The source's entry as it is once the question is answered.
    if (IsMove(context) && lstat(file.report.source.c_str(), &file.sourceEntry) != 0)
        return Fail(file, {FailureKind::SourceUnreadable, errno});
    return true;
}

// The destination: a file name, not the source itself, and in ask mode the question about a
// file that stands there.
bool StageDestination(StagedFile& file, FileTransferContext& context) {
    const std::string& destination = file.report.destination;
    if (destination.empty() || destination.back() == kPathSeparator)
        return Fail(file, {FailureKind::NoDestinationName});
    file.folder = ParentFolder(destination);
    bool askMode = (context.flags & kTransferRenameOnCollision) == 0;
    if (MayStandThere(context, file.folder, destination) &&
        IsSourceItself(file.sourceInfo, destination, askMode ? &file.agreedReplacement : nullptr))
        return EndFile(file, FileOutcome::SameFile, {FailureKind::SameFile});
    bool standing = file.agreedReplacement.st_mode != 0;
    // A move takes its source as planned until something is asked or a folder made for it.
    if (IsMove(context) && !file.linkSource &&
        (standing || context.folders.count(file.folder) == 0) && !StillPlannedEntry(file, context))
        return false;
    return !standing || AskAboutStandingFile(file, context);
}

// The destination's folders made, journaled and opened; where syncfs reaches no storage, a new
// folder's entry is made durable at once: no later batch barrier knows of it.
bool StageFolders(StagedFile& file, FileTransferContext& context) {
    std::vector<std::string> made;
    int error = MakeKnownFolders(context.folders, file.folder, 0777, file.device,
                                 [&](const std::string& folder) {
                                     context.journal.FolderMade(folder);
                                     made.push_back(folder);
                                 });
    if (error != 0)
        return Fail(file, {FailureKind::FolderNotCreated, error, file.folder});
    if (!IsMadeFolder(context, file.folder) && context.cleared.insert(file.folder).second)
        RemoveStaleTemporaries(file.folder);
    error = context.fileSystems.Open(file.device, file.folder);
    if (error != 0)
        return Fail(file, {FailureKind::FolderNotOpened, error, file.folder});
    if (!context.fileSystems.SyncsEachFile(file.device))
        return true;
    for (const std::string& folder : made) {
        error = SyncFolder(ParentFolder(folder));
        if (error != 0)
            return Fail(file, {FailureKind::FolderNotDurable, error, folder});
    }
    return true;
}

// What the claim renames: a move's source itself within one file system, else a copy.
bool StageData(StagedFile& file, FileTransferContext& context) {
    if (IsMove(context) && !file.linkSource && file.sourceInfo.st_dev == file.device) {
        file.path = file.report.source;
        file.staged = file.sourceEntry;
        return true;
    }
    return StageCopy(file, context, false);
}

StagedFile Stage(const std::string& source, const std::string& destination,
                 const PlannedSource& planned, FileTransferContext& context) {
    StagedFile file;
    file.report = {source, destination, FileOutcome::Failed, {}};
    file.planned = planned;
    if (!StageSource(file, context) || !StageDestination(file, context) ||
        !StageFolders(file, context) || !StageData(file, context))
        return file;
    file.pending = true;
    file.folderMade = IsMadeFolder(context, file.folder);
    if (file.folderMade)
        context.taken.Take(destination);
    return file;
}

}  // namespace

StagedFile StageFile(const std::string& source, const std::string& destination,
                     const PlannedSource& planned, FileTransferContext& context) {
    StagedFile file = Stage(source, destination, planned, context);
    // A source that was not copied is not held open while its batch goes on.
    file.source.Reset();
    return file;
}

void ClaimFile(StagedFile& file, FileTransferContext& context) {
    Claim(file, context);
    file.pending = false;
    if (!IsPlaced(file.report.outcome) && file.temporary)
        unlink(file.path.c_str());
    file.temporaryLock.Reset();
    if (IsPlaced(file.report.outcome)) {
        context.attributesNotKept |= file.attributesNotKept;
        if (file.folderMade)
            context.taken.Take(file.report.destination);
    }
}

void DropStaged(StagedFile& file, FileOutcome outcome, FailureReason reason) {
    if (file.pending && file.temporary)
        unlink(file.path.c_str());
    file.temporaryLock.Reset();
    file.pending = false;
    file.report = Finish(file.report, outcome, std::move(reason));
}

bool IsPlaced(FileOutcome outcome) {
    return outcome == FileOutcome::Transferred || outcome == FileOutcome::Renamed ||
           outcome == FileOutcome::Replaced;
}

namespace {

// A placed move whose source is still there: it went through a copy.
bool AwaitsSourceRemoval(const StagedFile& file, TransferOperation operation) {
    return operation == TransferOperation::Move && file.temporary && IsPlaced(file.report.outcome);
}

// A move whose source stays is undone by removing its copy, unless that copy replaced a file
// (its name would be left empty) or was written to since it was placed.
bool TakeCopyBack(const StagedFile& file) {
    struct stat now;
    if (file.report.outcome == FileOutcome::Replaced ||
        lstat(file.report.destination.c_str(), &now) != 0)
        return false;
    const struct stat& placed = file.staged;
    bool same = now.st_dev == placed.st_dev && now.st_ino == placed.st_ino &&
                now.st_size == placed.st_size && now.st_mtim.tv_sec == placed.st_mtim.tv_sec &&
                now.st_mtim.tv_nsec == placed.st_mtim.tv_nsec;
    return same && unlink(file.report.destination.c_str()) == 0;
}

}  // namespace

void SettlePlacedFile(StagedFile& file, FileTransferContext& context, int syncError) {
    if (!AwaitsSourceRemoval(file, context.operation)) {
        if (syncError != 0 && IsPlaced(file.report.outcome)) {
            file.report = Finish(file.report, FileOutcome::Failed,
                                 {FailureKind::PlacedNotDurable, syncError});
        }
        return;
    }
    FailureReason reason;
    if (syncError != 0) {
        reason = {FailureKind::SourceNotRemoved, syncError};
    } else if (!IsUnchangedSince(file.sourceEntry, file.report.source)) {
        reason = {FailureKind::SourceChangedWhileMoved};
    } else if (RetryOnInterrupt([&] { return unlink(file.report.source.c_str()); }) != 0) {
        int error = errno;
        reason = {FailureKind::SourceNotRemoved, error};
        if (TakeCopyBack(file)) {
            context.journal.TakenBack(file.index);
            reason = {FailureKind::MoveTakenBack, error};
        }
    } else {
        return;
    }
    file.report = Finish(file.report, FileOutcome::Failed, reason);
}

}  // namespace tunvex
