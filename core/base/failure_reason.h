// Why a file was not sorted, undone or left as asked: data that each front words in its own
// language (EnglishReason for the command line and the logs, JapaneseReason for the window).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace tunvex {

enum class FailureKind : unsigned {
    None,
    // A transfer's file.
    SameFile,                 // the source is its own destination
    RepeatedSource,           // the same file as an earlier source of the request
    SourceReplacedByRequest,  // an earlier file of the request replaced it
    SourceChanged,            // no longer the file of its snapshot
    SourceUnreadable,         // error
    NotRegularFile,           // a device, a pipe or the like
    NoDestinationName,        // the destination ends in a folder
    FolderNotCreated,         // path, error
    FolderNotOpened,          // path, error
    FolderNotDurable,         // path, error
    CopyFailed,               // error
    CopyNotDurable,           // error
    NameNotClaimed,           // error
    ExistingNotReplaced,      // error
    ExistingNotTrashed,       // error
    PlacedNotDurable,         // error
    SourceNotRemoved,         // error: the copy is in place, the source too
    MoveTakenBack,            // error: the source stays, its copy was removed again
    SourceChangedWhileMoved,  // the copy is in place, the source too
    RequestMismatched,        // not as many destinations as sources
    // A transfer's undo journal.
    JournalFolderNotCreated,  // path, error
    JournalNotCreated,        // path: its folder, error
    JournalNotWritten,        // path, error
    JournalNotDurable,        // error
    // A journal an undo or the list of runs cannot use.
    JournalIsLink,            // a link stands where the journal is
    JournalNotRead,           // error
    JournalOfAnotherUser,     // owned by another user
    JournalWritableByOthers,  // group or others may write to it
    NotAJournal,              // not a journal of this program
    RunStillGoing,            // its run, or an undo of it, holds it
    RunUndoneAlready,         // the journal says so
    // A file of a drop that is not sorted.
    FolderUnreadable,    // error
    LeftoverTemporary,   // a temporary of a transfer that did not finish
    NoTags,              // the tag library reads none
    DestinationTooLong,  // longer than the path limit
    NoDestination,       // the naming settings give none
    NulInNaming,         // the naming settings hold a NUL byte
    TracksNotAllPlaced,  // an album extra whose folder's tracks did not all go
    // A source folder a move emptied that stays (the undo could not make it again as it was).
    FolderLinkOnPath,             // a link on its path below the dropped folder, or itself
    FolderIsMountPoint,           // something is mounted on it
    FolderNotEmpty,               // it still holds something
    FolderNotRemoved,             // error
    FolderOfAnotherUser,          // its owner is not the user of the run
    FolderOfAnotherGroup,         // its group is not the one a new folder gets in its parent
    FolderHasAcl,                 // an access or default ACL
    FolderHasExtendedAttributes,  // user.* extended attributes
    // A file or folder an undo leaves alone.
    NotTrashed,             // error
    SourceTaken,            // path: the source of a move
    LinkOnSourcePath,       // path: the source of a move
    LinkOnPath,             // on the entry's own path
    NotMovedBack,           // path, error
    SourceFolderElsewhere,  // path: where its folder would be made, on another mount now
    LinkNotMade,            // error
    NotWherePlaced,         // no longer where the run put it
    PresenceUnknown,        // error: a look that cannot tell whether it is there
    ChangedSinceRun,        // written to since the run
    NotInTrash,             // a replaced file's trash entry is outside the trash
    ReplacedNotInTrash,     // path: the trash entry
    TrashedFileUnrecorded,  // the journal lacks its identity
    NotReplacedFile,        // the trash entry is another file
    ReplacedStaysInTrash,   // path: its place, taken
    NotBroughtBack,         // path, error
    FolderUnrecorded,       // the journal lacks its identity
    NotMadeFolder,          // another folder, or no folder, stands there
    FolderPathTaken,        // a removed source folder: something else stands on its path
    FolderNotMadeAgain,     // a removed source folder, error
    RecordsNotReread,       // count: the id of the file
    DamagedRecord,          // a journal line that is not a record
    MoreDamagedRecords,     // count
};
constexpr std::size_t kFailureKindCount =
    static_cast<std::size_t>(FailureKind::MoreDamagedRecords) + 1;

struct FailureReason {
    FailureReason() = default;
    FailureReason(FailureKind what, int errorNumber = 0, std::string about = {},
                  std::uint64_t number = 0)
        : kind(what), error(errorNumber), path(std::move(about)), count(number) {}

    FailureKind kind = FailureKind::None;
    int error = 0;     // errno, 0 when none
    std::string path;  // a path other than the one reported, when the kind names one
    std::uint64_t count = 0;

    bool empty() const { return kind == FailureKind::None; }
    bool operator==(const FailureReason&) const = default;
};

// As the command line prints it; empty for None.
std::string EnglishReason(const FailureReason& reason);

// Through the message catalogue, in the system code page; the error in Japanese for the common
// ones, else as the system words it.
std::string JapaneseReason(const FailureReason& reason);

}  // namespace tunvex
