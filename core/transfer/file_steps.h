// One file of a transfer request, in the phases a batch takes it through: staged (checked,
// asked about, copied into a temporary), claimed (renamed under its destination name), and for
// a move through a copy, its source removed once the copy is durable.
#pragma once

#include <sys/stat.h>

#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/files/file_copy.h"
#include "core/files/folders.h"
#include "core/transfer/journal_writer.h"
#include "core/transfer/taken_names.h"
#include "core/transfer/transfer.h"

namespace tunvex {

// A source as the request plans it. A file is moved or copied only while it is still the file
// looked at: the same device and inode, size, modification and change time.
struct PlannedSource : SourceState {
    off_t bytes = 0;        // to copy: 0 unless a regular file, and for a repeat
    bool repeated = false;  // the same file as an earlier source of the request
};

using FileIdentity = std::pair<dev_t, ino_t>;

// repeated: an earlier source of the request is the same file.
PlannedSource PlanSource(const SourceState& state, bool repeated);

// What a file needs from its request; replaceAll carries a ReplaceAll answer to the files
// after it.
struct FileTransferContext {
    FileTransferContext(const TransferRequest& request, TransferDelegate& told,
                        ChunkObserver afterChunk)
        : operation(request.operation),
          flags(request.flags),
          codePage(request.codePage),
          delegate(told),
          onChunk(std::move(afterChunk)) {}

    TransferOperation operation;
    unsigned flags;
    CodePage codePage;
    TransferDelegate& delegate;
    ChunkObserver onChunk;  // false cancels the request
    CopySession copies;
    KnownFolders folders;
    FileSystemHandles fileSystems;
    bool replaceAll = false;
    unsigned attributesNotKept = 0;  // of the copies placed so far
    // Files that a claim replaced: no later file of the request takes them as its source.
    std::set<FileIdentity> replaced;
    TransferJournal journal{};
    // Destination folders found there and cleared of the temporaries killed runs left; one the
    // request made holds none.
    std::unordered_set<std::string> cleared;
    // By destination, the number after the last one a collision took: the numbers below it are
    // taken, so each file tries the next one instead of all of them again.
    std::unordered_map<std::string, unsigned> nextNumbers;
    // Nothing stands in a folder the request made (folders) but what it put there: a destination
    // there that no file of the request took needs no look.
    TakenNames taken;
};

struct StagedFile {
    std::size_t index = 0;  // in the request
    FileReport report;      // final unless pending
    bool pending = false;   // staged, waiting for its claim
    PlannedSource planned;
    struct stat sourceInfo = {};
    std::string folder;
    bool folderMade = false;  // by this request
    dev_t device = 0;         // of folder
    std::string path;         // what the claim renames: a temporary copy, or the source itself
    struct stat staged = {};  // that file as it was staged: a rename keeps it
    bool temporary = false;
    HeldTemporary temporaryLock;
    unsigned attributesNotKept = 0;
    OwnedFd source;  // a source to copy, opened when it was checked
    // A move's source is a symlink: its target is copied, and the link removed.
    bool linkSource = false;
    // The source's own entry (a link itself, not its target) as it was staged: a move removes
    // the source only while it is still that file.
    struct stat sourceEntry = {};
    // The file the user agreed to replace, as it stood when asked.
    bool replaceDecided = false;
    struct stat agreedReplacement = {};
};

// Everything up to the claim. The temporary's data is not yet durable. Outcome Cancelled
// stops the request.
StagedFile StageFile(const std::string& source, const std::string& destination,
                     const PlannedSource& planned, FileTransferContext& context);

// Puts a pending file under its destination, the next free numbered name, or over the file
// there when the collision rules say so. Outcome Cancelled stops the request.
void ClaimFile(StagedFile& file, FileTransferContext& context);

// Removes the temporary of a file that will not be claimed; the report becomes outcome.
void DropStaged(StagedFile& file, FileOutcome outcome, FailureReason reason = {});

bool IsPlaced(FileOutcome outcome);

// Ends a placed file once its name has been made durable, or not (syncError): a move through a
// copy loses its source only after that; a file that could not be made durable is reported
// failed, though in place, and a moved source is kept. A source that cannot be removed takes its
// copy back where no data can be lost by it, and the file is reported failed.
void SettlePlacedFile(StagedFile& file, FileTransferContext& context, int syncError);

}  // namespace tunvex
