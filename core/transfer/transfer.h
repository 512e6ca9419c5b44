// The transfer engine: copies or moves a list of files to their sorted destinations so that no
// file a user owns is ever lost or left half-written.
//
// Its words, used alike in every file of this folder:
// - snapshot (SourceState, TakeSnapshot in snapshot.h): what tells one version of a file from
//   another (device, inode, size, modification and change time), taken once before the file's
//   tags are read. A file is "changed" when IsUnchangedSince its snapshot no longer holds: it is
//   then left where it is. A file never goes onto itself (IsSourceItself).
// - stage: everything a file needs before its name is taken: the checks, the question about an
//   existing destination, the folders, and for a copy the data in a locked temporary.
// - batch barrier: the syncfs (or the fsyncs) between staging a batch and claiming its names,
//   and again before the sources of moves through a copy go.
// - claim: taking the destination name with an atomic no-replace rename (the next free
//   numbered name in rename mode, the trash first for a replace with undo).
// - place: a claimed file reported and journaled as where it now is.
//
// Guarantees:
// - A destination name only ever shows a complete file: data goes to a ".tunvex-XXXXXX.part"
//   temporary in the destination folder, is made durable, and is then renamed into place. A
//   failure or a cancel removes the temporary; the source stays intact. Each temporary stays
//   locked while it exists, and the first write of a request into a folder removes the ones
//   there that no live run holds: what a killed run left.
// - An existing file is replaced only when the collision rules say so, and with
//   kTransferAllowUndo it goes to the XDG trash first. A file that appears between the check
//   and the write is never clobbered: names are claimed with an atomic no-replace rename.
// - Missing destination folders are created (mode 0777 & ~umask) without asking.
// - A source that is its own destination (same path, or same device and inode) is left alone.
// - Symlink sources are followed: the file they point to is copied. Moving a symlink puts a
//   copy of its target at the destination and then removes the link, never the target.
// - Each file ends in exactly one OnFileDone report, in request order; a failure does not stop
//   the others.
//
// Durability is paid per batch (TransferRequest::batchFiles files or batchBytes copied bytes),
// not per file. A batch first stages its files in order: checks, the question about an existing
// destination, folders, and the copy into a temporary. One syncfs per destination file system
// then makes the staged data durable, and only after it are the names claimed in order (a
// collision that appeared meanwhile is handled, and asked about, then). Another syncfs makes the
// names durable before the sources of moves through a copy are removed. Where syncfs reaches no
// storage (FUSE, NFS, SMB and the like) each copy is fsync'd as it is made and each folder that
// took a name is fsync'd instead. So a crash can lose files of the batch under way, never leave
// a partial one, and never lose a source whose copy is not durable. Files are reported as their
// names are claimed; a move through a copy once its source is gone. A cancel while staging ends
// the batch at the file under way: the files staged before it are still placed, it and all
// later ones are Cancelled.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/base/failure_reason.h"
#include "core/base/path_column.h"
#include "core/base/text.h"
#include "core/transfer/snapshot.h"

namespace tunvex {

enum class TransferOperation { Move = 1, Copy = 2 };

// The flag values of the Windows shell request, kept because the settings map to them.
// Destinations are always full file paths paired with the sources by position, and missing
// folders are always created, so kTransferMultiDestFiles and kTransferNoConfirmMkdir are
// accepted but change nothing.
constexpr unsigned kTransferMultiDestFiles = 0x0001;
constexpr unsigned kTransferRenameOnCollision = 0x0008;
constexpr unsigned kTransferAllowUndo = 0x0040;
constexpr unsigned kTransferNoConfirmMkdir = 0x0200;

constexpr std::size_t kDefaultTransferChunkBytes = 8u << 20;
constexpr std::size_t kDefaultTransferBatchFiles = 256;
// Each staged copy holds a descriptor until its claim.
constexpr std::size_t kMaxTransferBatchFiles = 512;
constexpr std::uint64_t kDefaultTransferBatchBytes = 256u << 20;

// A source folder that a move may remove once it has emptied it.
struct FolderToRemove {
    std::string path;  // as the request's sources spell it
    // The dropped folder it lies in or is, spelt as path begins: resolved once as the run starts,
    // the links above it are followed, and none from it down.
    std::string root;
};

struct TransferRequest {
    TransferOperation operation = TransferOperation::Copy;
    PathColumn sources;       // paired by position with destinations
    PathColumn destinations;  // full destination file paths
    unsigned flags = 0;
    CodePage codePage = CodePage::Utf8;  // of the paths
    // Bytes copied between two progress reports and cancel polls.
    std::size_t chunkBytes = kDefaultTransferChunkBytes;
    // A batch closes at whichever comes first: this many files, or this many bytes copied into
    // temporaries (files at most kMaxTransferBatchFiles, and half the descriptors the process may
    // open). 1 makes every file durable before the next one starts.
    std::size_t batchFiles = kDefaultTransferBatchFiles;
    std::uint64_t batchBytes = kDefaultTransferBatchBytes;
    // By position, the sources as they were when their destinations were decided (before their
    // tags were read); empty: as the request starts. A file is moved or copied only while it is
    // still the file looked at.
    std::vector<SourceState> sourceStates;
    // Where the run's undo journal goes (journal.h); empty: no journal.
    std::string journalFolder;
    // For a move not cancelled: folders to remove once the run has emptied them, deepest first
    // (emptied_folder_removal.h). Their times, and those of the folders that hold them, are taken
    // as the run starts. One goes only when a file the run moved or a folder it removed came out of
    // it, and it holds nothing at all, has no link on its path from its root down, is no mount
    // point, and an undo could make it again as it is; each removal is journaled for the undo, and
    // each that stays is reported in TransferSummary::foldersKept.
    std::vector<FolderToRemove> removeWhenEmptied;
    // By position, the earlier files that must all have been placed before this one goes (an
    // album's extras wait for its tracks); one whose files were not all placed stays where it
    // is, Skipped with reason TracksNotAllPlaced. Files not named here go as they come.
    std::unordered_map<std::size_t, std::vector<std::size_t>> placedFirst;
};

enum class CollisionAnswer {
    Replace,     // this one
    ReplaceAll,  // this one and every later collision, without asking
    Skip,        // keep the existing file and the source
    Cancel,      // stop the whole request; files already done stay done
};

enum class FileOutcome {
    Transferred,
    Renamed,   // put under the first free "name (N).ext"
    Replaced,  // the file that stood there was trashed (undo) or overwritten
    Skipped,
    SameFile,  // the source is its own destination; nothing touched
    Repeated,  // the same file as an earlier source of the request (given twice, or a hard
               // link of it): left to that one, nothing touched
    Failed,    // reason says why; the source is intact. When a moved source could not be
               // removed after its copy, destination names the complete copy.
    Cancelled,
};

struct FileReport {
    std::string source;
    std::string destination;  // final, after any rename
    FileOutcome outcome = FileOutcome::Failed;
    FailureReason reason;  // set for Failed, SameFile and Repeated
};

struct TransferProgress {
    std::size_t filesDone = 0;
    std::size_t filesTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;  // sizes of the sources when the request started
};

// The GUI shows dialogs, the CLI prints, tests record.
class TransferDelegate {
  public:
    virtual ~TransferDelegate() = default;
    // Asked in ask mode (no kTransferRenameOnCollision) when destination exists.
    virtual CollisionAnswer AskReplace(const std::string& source,
                                       const std::string& destination) = 0;
    // At the start, after every chunk of a copied file and after every file.
    virtual void OnProgress(const TransferProgress&) {}
    virtual void OnFileDone(const FileReport&) {}
    // Polled between files and between chunks of a file; safe to back with a signal flag.
    virtual bool CancelRequested() { return false; }
};

// A folder of removeWhenEmptied that the run emptied, or took files out of, and kept.
struct KeptFolder {
    std::string path;  // as removeWhenEmptied spells it
    FailureReason reason;
};

struct TransferSummary {
    std::size_t transferred = 0;
    std::size_t renamed = 0;
    std::size_t replaced = 0;
    std::size_t skipped = 0;
    std::size_t sameFile = 0;
    std::size_t repeated = 0;
    std::size_t failed = 0;
    bool cancelled = false;
    std::string journal{};           // kept only when the run changed something
    FailureReason journalError{};    // why the journal is missing or incomplete
    unsigned attributesNotKept = 0;  // AttributeLoss bits (attribute_loss.h) of every copy placed
    std::size_t foldersRemoved = 0;  // of removeWhenEmptied
    // Of removeWhenEmptied, deepest first: those a file or a removed folder left and that stay.
    std::vector<KeptFolder> foldersKept{};
};

// Runs the whole request, batch by batch, in order. A request whose lists differ in length is
// refused: every file is reported Failed and nothing is touched.
TransferSummary RunTransfer(const TransferRequest& request, TransferDelegate& delegate);

}  // namespace tunvex
