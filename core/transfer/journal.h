// The undo journal of a transfer run: what it holds, how it is read, where journals live.
//
// One text file per run that changed something, one record a line, its fields separated by
// tabs; a tab, a line break or a backslash inside a field is written \t, \n or \\.
//   tunvex-journal 2 copy|move STARTED      STARTED: seconds since the epoch
//   folder PATH DEVICE:INODE                a folder the run made
//   sourcefolder PATH TIME MOUNT            a move's source folder, or one that held a folder
//                                           the move removed, its modification time before
//                                           the run took anything out of it, and the mount it
//                                           was on (mounts.h; older journals lack it)
//   removedfolder PATH MODE TIME            a source folder the move emptied and removed, its
//                                           mode (octal) and modification time before the run
//                                           (in journals of tunvex 2.2.0 and before, when it
//                                           was removed); deepest first
//   file ID SOURCE SOURCE-IDENTITY DESTINATION STAGED-IDENTITY
//                                           durable before the batch's names are claimed;
//                                           ID is the file's position in the request
//   staged ID IDENTITY                      what was staged instead: a copy made at the claim
//   link ID TEXT                            the source was a link with this text
//   trashed ID PATH TRASHED-PATH IDENTITY   the file at PATH, IDENTITY, went to the trash
//   placed ID FINAL-DESTINATION IDENTITY    FINAL-DESTINATION empty when as asked
//   end PLACED                              the run came to its end, having placed PLACED
//                                           files (older journals do not say)
//   undone ID                               an undo has dealt with that file
//   undone                                  an undo has dealt with the whole run
// A TIME is SECONDS.NANOSECONDS; an identity is DEVICE:INODE:SIZE:TIME (the modification
// time). Paths are absolute, with no "." or ".." and no link among their folders when written.
// Journals of version 1 lack the identities of folders and trashed files.
//
// A last line cut short is what a crash can leave after the last write made durable, and is
// passed over; any other line that is not a record is damaged, and counted.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/transfer/transfer.h"

namespace tunvex {

constexpr char kJournalExtension[] = ".journal";
// Older journals beyond this many are removed when a new one is made.
constexpr std::size_t kJournalsKept = 50;

struct RecordedIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
};

RecordedIdentity RecordIdentity(const struct stat& info);

// The recorded file is still the one at hand: same inode, size and modification time. The
// device is left out: btrfs and network file systems may number theirs anew at each mount.
// Where inodes are numbered anew too (inodesKept false: FAT, exFAT, most of FUSE), the file
// at the recorded path is known by its size and a time within the two seconds FAT keeps.
bool IsRecordedFile(const RecordedIdentity& recorded, const struct stat& info,
                    bool inodesKept = true);

// A copy of the recorded file, its times kept: same size and modification time.
bool LooksLikeRecordedFile(const RecordedIdentity& recorded, const struct stat& info);

struct JournaledFile {
    std::size_t id = 0;
    std::string source;
    RecordedIdentity sourceIdentity;
    bool sourceIsLink = false;  // a moved link: its target was copied, the link removed
    std::string linkText;
    std::string requested;    // the destination asked for
    RecordedIdentity staged;  // what was about to be put there
    bool placed = false;
    std::string destination;  // final, once placed
    RecordedIdentity placedIdentity;
    std::string replaced;     // the file at this path went to the trash...
    std::string trashedPath;  // ...and is there under this path
    bool trashedIdentityKnown = false;
    RecordedIdentity trashedIdentity;  // what it was
    bool undone = false;
};

struct RecordedFolderTime {
    std::string path;
    struct timespec modified = {};
    std::string mount;  // empty when the journal does not say
};

struct RemovedFolder {
    std::string path;
    mode_t mode = 0;
    struct timespec modified = {};
};

struct RecordedFolder {
    std::string path;
    bool identityKnown = false;  // a journal of version 1 has none
    RecordedIdentity identity;   // device and inode
};

// One file of a run as the journal's first reading keeps it: where its records are, so that a
// run of a million files is read back one file at a time (LoadJournaledFile).
struct JournalEntry {
    std::size_t id = 0;
    std::uint64_t fileAt = 0;  // offsets of its records; 0 for none
    std::uint64_t stagedAt = 0;
    std::uint64_t linkAt = 0;
    std::uint64_t trashedAt = 0;
    std::uint64_t placedAt = 0;
    bool undone = false;
};

struct Journal {
    TransferOperation operation = TransferOperation::Copy;
    std::int64_t started = 0;
    std::vector<RecordedFolder> folders;  // in the order they were made
    std::vector<RecordedFolderTime> sourceFolders;
    std::vector<RemovedFolder> removedFolders;  // in the order they were removed
    std::vector<JournalEntry> files;            // in request order
    bool ended = false;
    bool undone = false;
    std::uint64_t length = 0;                 // bytes up to the end of the last whole line
    std::uint64_t damaged = 0;                // lines that are not records
    std::vector<std::uint64_t> damagedLines;  // the first of them, by number
};

// The files a run placed; all it set out to place when it did not come to its end.
std::size_t FilesOfRun(const Journal& journal);

// One record's line, its fields escaped and joined.
std::string JournalLine(std::initializer_list<std::string_view> fields);
std::string FormatIdentity(const RecordedIdentity& identity);
std::string FormatTime(std::int64_t seconds, std::int64_t nanoseconds);

// A line's fields, unescaped.
std::vector<std::string> SplitFields(std::string_view line);
// The header's fields into journal; false when they are not a journal's header.
bool ReadHeader(const std::vector<std::string>& fields, Journal& journal);
// The line that starts at offset, without its line break. False when there is none whole.
bool ReadLineAt(int fd, std::uint64_t offset, std::string& line);

// Opens a journal without blocking on what is not a file: it must be a regular file of this user
// that no one else may write to, for an undo acts on what it says. fd, or -1 with error set.
int OpenJournal(const std::string& path, bool forWriting, FailureReason& error);

// Reads a journal from an open file as a stream: its memory grows with its files, not its size.
// False with error set when it is not one (its first line is not the header), or when
// stop, polled as it reads, asks to stop.
bool ReadJournal(int fd, Journal& journal, FailureReason& error,
                 const std::function<bool()>& stop = {});
bool ReadJournal(const std::string& path, Journal& journal, FailureReason& error);

// The records of one file, read again from the journal. False when they cannot be read.
bool LoadJournaledFile(int fd, const JournalEntry& entry, JournaledFile& file);

// $XDG_STATE_HOME/tunvex, or ~/.local/state/tunvex; empty when there is no home folder.
std::string JournalFolder();

// The journals in folder, oldest first.
std::vector<std::string> ListJournals(const std::string& folder);

}  // namespace tunvex
