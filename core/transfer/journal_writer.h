// Writes the undo journal of one transfer run as it goes (its records: journal.h).
//
// Records are made durable with the batch: the records of a batch's files before any of their
// names is claimed, a file sent to the trash at once, the rest with the batch's last syncfs, and
// a folder reaches the file as it is made. So after a crash or a kill the journal names every
// file that may have been put in place and every file sent to the trash; what it names beyond
// what happened, an undo finds missing and passes over, and a file placed whose record was not
// written yet it finds beside the name asked for. Only an empty folder made just before a power
// loss can go unrecorded.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/files/mounts.h"
#include "core/transfer/transfer.h"

namespace tunvex {

class TransferJournal {
  public:
    TransferJournal() = default;
    TransferJournal(const TransferJournal&) = delete;
    TransferJournal& operator=(const TransferJournal&) = delete;
    ~TransferJournal();

    // Keeps a journal in folder from now on; until then every call does nothing. Nothing is
    // written before the run makes its first change.
    void Start(std::string folder, TransferOperation operation, CodePage codePage);

    void FolderMade(const std::string& path);
    // Written by the next Sync: the file staged is about to be put at destination.
    void Staged(std::size_t id, const std::string& source, const struct stat& sourceEntry,
                const std::string& destination, const struct stat& staged);
    // Made durable at once: the file about to be put at its destination is now staged (a copy
    // made at the claim, where a rename could not cross two mounts of one device).
    void Restaged(std::size_t id, const struct stat& staged);
    // replaced: the file at path, as it was before it went.
    void Trashed(std::size_t id, const std::string& path, const std::string& trashedPath,
                 const struct stat& replaced);
    // placed: the file now at destination, as the rename that put it there kept it. Written by
    // the next Sync.
    void Placed(std::size_t id, const std::string& requested, const std::string& destination,
                const struct stat& placed);
    // The file placed is gone again: its move could not remove its source. Written by the next
    // Sync; until then an undo finds it missing and passes over it.
    void TakenBack(std::size_t id);
    // The folder at path, of mode, is removed (the move emptied it); modified: its time before
    // the run. Written by the next Sync: an undo without the record still makes the folder
    // again, with the default mode.
    void FolderRemoved(const std::string& path, mode_t mode, const struct timespec& modified);
    // The folder at path, which held one the move removed, had this time before the run; the
    // undo gives it back. Written by the next Sync, unless the folder's time is recorded already.
    void FolderTimeBefore(const std::string& path, const struct timespec& modified);
    void Sync();

    // Ends the journal. Kept when the run changed something, its path returned; else removed.
    std::string Finish();
    // Why the journal is missing or incomplete; empty when all went well.
    const FailureReason& error() const { return error_; }

  private:
    bool Keeping() const { return !folder_.empty(); }
    bool Open();
    void Write();
    void Fail(FailureReason reason);
    std::string Absolute(const std::string& path);
    std::string Resolved(const std::string& folder);
    std::string ResolveFolder(const std::string& folder);
    void RecordSourceFolder(const std::string& source);
    void RecordSourceFolderAs(const std::string& folder, const struct stat& info);

    std::string folder_;
    TransferOperation operation_ = TransferOperation::Copy;
    CodePage codePage_ = CodePage::Utf8;
    std::string cwd_;
    std::string path_;
    int fd_ = -1;
    std::string pending_;
    std::unordered_set<std::string> sourceFolders_;
    std::unordered_map<std::string, std::string> resolvedFolders_;
    Mounts mounts_;
    bool changed_ = false;
    std::size_t placed_ = 0;
    bool nameDurable_ = false;
    FailureReason error_;
};

}  // namespace tunvex
