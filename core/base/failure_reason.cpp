#include "core/base/failure_reason.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <utility>

#include "core/base/catalogue.h"

namespace tunvex {
namespace {

struct Wording {
    FailureKind kind;
    const char* english;   // %p the path, %e the error, %n the count
    CatalogueId japanese;  // the same marks, but for %e: the error follows (kReasonWithError)
};

// Every kind but None, in the order of the enum.
constexpr Wording kWordings[] = {
    {FailureKind::SameFile, "source and destination are the same file", kReasonSameFile},
    {FailureKind::RepeatedSource, "the same file as an earlier source of this request",
     kReasonRepeatedSource},
    {FailureKind::SourceReplacedByRequest, "it was replaced by an earlier file of this request",
     kReasonSourceReplacedByRequest},
    {FailureKind::SourceChanged,
     "it is no longer the file that was planned: it changed or was replaced", kReasonSourceChanged},
    {FailureKind::SourceUnreadable, "%e", kReasonSourceUnreadable},
    {FailureKind::NotRegularFile, "not a regular file", kReasonNotRegularFile},
    {FailureKind::NoDestinationName, "the destination has no file name", kReasonNoDestinationName},
    {FailureKind::FolderNotCreated, "cannot create the folder %p: %e", kReasonFolderNotCreated},
    {FailureKind::FolderNotOpened, "cannot open the folder %p: %e", kReasonFolderNotOpened},
    {FailureKind::FolderNotDurable, "cannot make the folder %p durable: %e",
     kReasonFolderNotDurable},
    {FailureKind::CopyFailed, "%e", kReasonCopyFailed},
    {FailureKind::CopyNotDurable, "the copy could not be made durable: %e", kReasonCopyNotDurable},
    {FailureKind::NameNotClaimed, "%e", kReasonNameNotClaimed},
    {FailureKind::ExistingNotReplaced, "%e", kReasonExistingNotReplaced},
    {FailureKind::ExistingNotTrashed, "cannot move the existing file to the trash: %e",
     kReasonExistingNotTrashed},
    {FailureKind::PlacedNotDurable, "placed, but the file system could not make it durable: %e",
     kReasonPlacedNotDurable},
    {FailureKind::SourceNotRemoved,
     "copied to the destination, but the source could not be removed: %e", kReasonSourceNotRemoved},
    {FailureKind::MoveTakenBack, "the source cannot be removed, so it was not moved: %e",
     kReasonMoveTakenBack},
    {FailureKind::SourceChangedWhileMoved,
     "copied to the destination, but the source could not be removed: it changed or was replaced "
     "while it was moved, so both are kept",
     kReasonSourceChangedWhileMoved},
    {FailureKind::RequestMismatched, "the request has not as many destinations as sources",
     kReasonRequestMismatched},
    {FailureKind::JournalFolderNotCreated, "cannot create %p: %e", kReasonJournalFolderNotCreated},
    {FailureKind::JournalNotCreated, "cannot create a journal in %p: %e", kReasonJournalNotCreated},
    {FailureKind::JournalNotWritten, "cannot write the journal %p: %e", kReasonJournalNotWritten},
    {FailureKind::JournalNotDurable, "cannot make the journal durable: %e",
     kReasonJournalNotDurable},
    {FailureKind::JournalIsLink, "it is a link, not a journal", kReasonJournalIsLink},
    {FailureKind::JournalNotRead, "cannot read the journal: %e", kReasonJournalNotRead},
    {FailureKind::JournalOfAnotherUser, "it belongs to another user", kReasonJournalOfAnotherUser},
    {FailureKind::JournalWritableByOthers, "others may write to it",
     kReasonJournalWritableByOthers},
    {FailureKind::NotAJournal, "not a tunvex journal", kReasonNotAJournal},
    {FailureKind::RunStillGoing, "its run is still going, or being undone", kReasonRunStillGoing},
    {FailureKind::RunUndoneAlready, "this run is undone already", kReasonRunUndoneAlready},
    {FailureKind::FolderUnreadable, "the folder cannot be read: %e", kReasonFolderUnreadable},
    {FailureKind::LeftoverTemporary, "a temporary of a transfer that did not finish",
     kReasonLeftoverTemporary},
    {FailureKind::NoTags, "its tags cannot be read", kReasonNoTags},
    {FailureKind::DestinationTooLong, "its destination would be longer than the path limit",
     kReasonDestinationTooLong},
    {FailureKind::NoDestination, "the naming settings give it no destination",
     kReasonNoDestination},
    {FailureKind::NulInNaming, "the naming settings hold a NUL byte: no destination",
     kReasonNulInNaming},
    {FailureKind::TracksNotAllPlaced, "an album extra whose folder's tracks were not all placed",
     kReasonTracksNotAllPlaced},
    {FailureKind::FolderLinkOnPath, "a link stands on its path", kReasonFolderLinkOnPath},
    {FailureKind::FolderIsMountPoint, "it is a mount point", kReasonFolderIsMountPoint},
    {FailureKind::FolderNotEmpty, "it is not empty", kReasonFolderNotEmpty},
    {FailureKind::FolderNotRemoved, "cannot remove it: %e", kReasonFolderNotRemoved},
    {FailureKind::FolderOfAnotherUser, "an undo could not give back its owner",
     kReasonFolderOfAnotherUser},
    {FailureKind::FolderOfAnotherGroup, "an undo could not give back its group",
     kReasonFolderOfAnotherGroup},
    {FailureKind::FolderHasAcl, "an undo could not give back its ACL", kReasonFolderHasAcl},
    {FailureKind::FolderHasExtendedAttributes,
     "an undo could not give back its extended attributes", kReasonFolderHasExtendedAttributes},
    {FailureKind::NotTrashed, "cannot move it to the trash: %e", kReasonNotTrashed},
    {FailureKind::SourceTaken, "its source %p is taken", kReasonSourceTaken},
    {FailureKind::LinkOnSourcePath, "its source %p: a link stands on its path now",
     kReasonLinkOnSourcePath},
    {FailureKind::LinkOnPath, "a link stands on its path now", kReasonLinkOnPath},
    {FailureKind::NotMovedBack, "cannot move it back to %p: %e", kReasonNotMovedBack},
    {FailureKind::SourceFolderElsewhere,
     "%p is not on the disk its folder was on at the run: is that disk mounted?",
     kReasonSourceFolderElsewhere},
    {FailureKind::LinkNotMade, "cannot make the link again: %e", kReasonLinkNotMade},
    {FailureKind::NotWherePlaced, "it is no longer where the run put it", kReasonNotWherePlaced},
    {FailureKind::PresenceUnknown, "cannot tell whether it is there: %e", kReasonPresenceUnknown},
    {FailureKind::ChangedSinceRun, "it changed after the run", kReasonChangedSinceRun},
    {FailureKind::NotInTrash, "it is not in the trash", kReasonNotInTrash},
    {FailureKind::ReplacedNotInTrash, "the file it replaced is no longer in the trash as %p",
     kReasonReplacedNotInTrash},
    {FailureKind::TrashedFileUnrecorded, "the journal does not say which file it was",
     kReasonTrashedFileUnrecorded},
    {FailureKind::NotReplacedFile, "it is not the file the run replaced", kReasonNotReplacedFile},
    {FailureKind::ReplacedStaysInTrash, "the file it replaced stays in the trash: %p is taken",
     kReasonReplacedStaysInTrash},
    {FailureKind::NotBroughtBack, "cannot bring it back to %p: %e", kReasonNotBroughtBack},
    {FailureKind::FolderUnrecorded, "the journal does not say which folder it made",
     kReasonFolderUnrecorded},
    {FailureKind::NotMadeFolder, "it is not the folder the run made", kReasonNotMadeFolder},
    {FailureKind::FolderPathTaken, "something else stands on its path", kReasonFolderPathTaken},
    {FailureKind::FolderNotMadeAgain, "cannot make the folder again: %e",
     kReasonFolderNotMadeAgain},
    {FailureKind::RecordsNotReread, "the records of file %n cannot be read again",
     kReasonRecordsNotReread},
    {FailureKind::DamagedRecord, "a damaged record", kReasonDamagedRecord},
    {FailureKind::MoreDamagedRecords, "%n more damaged records", kReasonMoreDamagedRecords},
};

constexpr bool InKindOrder() {
    for (std::size_t i = 0; i < std::size(kWordings); ++i) {
        if (static_cast<std::size_t>(kWordings[i].kind) != i + 1)
            return false;
    }
    return true;
}
static_assert(std::size(kWordings) == kFailureKindCount - 1 && InKindOrder(),
              "one wording for every kind, in the order of the enum");

constexpr std::pair<int, CatalogueId> kJapaneseErrors[] = {
    {ENOENT, kErrorENOENT},
    {EACCES, kErrorEACCES},
    {EPERM, kErrorEACCES},
    {ENOSPC, kErrorENOSPC},
    {EROFS, kErrorEROFS},
    {EEXIST, kErrorEEXIST},
    {ENOTDIR, kErrorENOTDIR},
    {EISDIR, kErrorEISDIR},
    {EXDEV, kErrorEXDEV},
    {EIO, kErrorEIO},
    {ENAMETOOLONG, kErrorENAMETOOLONG},
    {EDQUOT, kErrorEDQUOT},
};

const Wording& WordingOf(FailureKind kind) {
    return kWordings[static_cast<std::size_t>(kind) - 1];
}

// Fills the marks ("%p" and the like) in one pass, so that a path holding "%e" stays as it is. A
// "%" is never the trail byte of a Shift-JIS character, so the text may be in either code page.
std::string Fill(std::string_view text,
                 std::initializer_list<std::pair<char, std::string_view>> marks) {
    std::string filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::pair<char, std::string_view>* found = nullptr;
        if (text[i] == '%' && i + 1 < text.size()) {
            for (const auto& mark : marks) {
                if (mark.first == text[i + 1])
                    found = &mark;
            }
        }
        if (found == nullptr) {
            filled += text[i];
            continue;
        }
        filled += found->second;
        ++i;
    }
    return filled;
}

std::string JapaneseError(int error) {
    std::string text;
    for (const auto& [number, id] : kJapaneseErrors) {
        if (number == error && LoadCatalogueString(id, text))
            return text;
    }
    return std::strerror(error);
}

}  // namespace

std::string EnglishReason(const FailureReason& reason) {
    if (reason.empty())
        return {};
    return Fill(WordingOf(reason.kind).english, {{'p', reason.path},
                                                 {'e', std::strerror(reason.error)},
                                                 {'n', std::to_string(reason.count)}});
}

std::string JapaneseReason(const FailureReason& reason) {
    if (reason.empty())
        return {};
    std::string text;
    LoadCatalogueString(WordingOf(reason.kind).japanese, text);
    std::string worded = Fill(text, {{'p', reason.path}, {'n', std::to_string(reason.count)}});
    if (reason.error == 0 || !LoadCatalogueString(kReasonWithError, text))
        return worded;
    return Fill(text, {{'r', worded}, {'e', JapaneseError(reason.error)}});
}

}  // namespace tunvex
