#include "platform/undo_run.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_copy.h"
#include "platform/file_move.h"
#include "platform/journal_file.h"
#include "platform/paths.h"
#include "platform/transfer_folders.h"
#include "platform/transfer_retry.h"
#include "platform/trash.h"

namespace tunvex {
namespace {

struct UndoContext {
    const Journal& journal;
    int fd;
    bool dryRun;
    UndoDelegate& delegate;
    UndoSummary summary;
};

std::string ErrorText(int error) {
    return std::strerror(error);
}

bool Stat(const std::string& path, struct stat& info) {
    return lstat(path.c_str(), &info) == 0;
}

void Report(UndoContext& undo, UndoAction action, const std::string& path,
            const std::string& to = {}, const std::string& reason = {}) {
    UndoSummary& summary = undo.summary;
    switch (action) {
        case UndoAction::MovedBack:
        case UndoAction::Relinked:
            ++summary.movedBack;
            break;
        case UndoAction::Trashed:
            ++summary.trashed;
            break;
        case UndoAction::Restored:
            ++summary.restored;
            break;
        case UndoAction::FolderRemoved:
            ++summary.foldersRemoved;
            break;
        case UndoAction::LeftAlone:
            ++summary.leftAlone;
            break;
    }
    undo.delegate.OnUndo({action, path, to, reason});
}

bool LeaveAlone(UndoContext& undo, const std::string& path, const std::string& reason) {
    Report(undo, UndoAction::LeftAlone, path, {}, reason);
    return false;
}

// A mark that cannot be written only makes a second undo look at the file again.
void Mark(const UndoContext& undo, const std::string& line) {
    WriteAll(undo.fd, line.data(), line.size());
}

// A name a claim may have given the file asked for as stem + extension: that one, or a numbered
// one (NumberedName), its stem maybe cut short. Not another name of it: a hard link the user
// keeps beside it.
bool IsClaimName(std::string_view name, std::string_view stem, std::string_view extension) {
    if (!name.ends_with(extension))
        return false;
    name.remove_suffix(extension.size());
    if (name == stem)
        return true;
    std::size_t open = name.rfind(" (");
    if (open == std::string_view::npos || open == 0 || !name.ends_with(')') ||
        !stem.starts_with(name.substr(0, open)))
        return false;
    std::string_view number = name.substr(open + 2, name.size() - open - 3);
    return !number.empty() && number.find_first_not_of("0123456789") == std::string_view::npos;
}

// The run stopped between a file's claim and its record: the file is under the name asked for
// or a numbered one beside it, or still under the name of its temporary copy, if anywhere.
// Empty when it is nowhere there.
std::string FindUnrecorded(const JournaledFile& file) {
    std::string folder = ParentFolder(file.requested);
    std::string stem = file.requested;
    StripToFileName(SystemCodePage(), stem);
    std::size_t dot = FindExtension(SystemCodePage(), stem);
    std::string extension;
    if (dot != std::string::npos && dot != 0) {
        extension = stem.substr(dot);
        stem.resize(dot);
    }
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return {};
    std::string found;
    while (const struct dirent* entry = readdir(listing)) {
        std::string_view name = entry->d_name;
        bool temporary = entry->d_ino == file.staged.inode && IsTemporaryName(name);
        if (!temporary && !IsClaimName(name, stem, extension))
            continue;
        std::string path = folder + "/" + std::string(name);
        struct stat info;
        if (path != file.source && Stat(path, info) && IsRecordedFile(file.staged, info)) {
            found = path;
            break;
        }
    }
    closedir(listing);
    return found;
}

// Where the run put the file, and what it put there; false when it put nothing.
bool PlacedFile(const UndoContext& undo, const JournaledFile& file, std::string& path,
                RecordedIdentity& identity) {
    if (file.placed) {
        path = file.destination;
        identity = file.placedIdentity;
        return true;
    }
    if (undo.journal.ended)
        return false;
    path = FindUnrecorded(file);
    identity = file.staged;
    return true;
}

// The source path holds the moved file: it was never removed, or an undo brought it back.
bool SourceHoldsTheFile(const JournaledFile& file, const RecordedIdentity& placed) {
    struct stat info;
    if (!Stat(file.source, info))
        return false;
    std::string text;
    if (file.sourceIsLink)
        return S_ISLNK(info.st_mode) && ReadLinkText(file.source, text) == 0 &&
               text == file.linkText;
    return IsRecordedFile(file.sourceIdentity, info) || LooksLikeRecordedFile(placed, info);
}

bool Trash(UndoContext& undo, const std::string& path) {
    std::string trashedPath;
    if (!undo.dryRun) {
        int error = MoveToTrash(path, &trashedPath);
        if (error != 0)
            return LeaveAlone(undo, path, "cannot move it to the trash: " + ErrorText(error));
    }
    Report(undo, UndoAction::Trashed, path, trashedPath);
    return true;
}

bool MoveBack(UndoContext& undo, const std::string& path, const std::string& source) {
    if (!undo.dryRun) {
        int error = MakeFolders(ParentFolder(source), 0777);
        if (error == 0)
            error = MoveNoReplace(path, source);
        if (error == EEXIST)
            return LeaveAlone(undo, path, "its source " + source + " is taken");
        if (error != 0) {
            return LeaveAlone(undo, path,
                              "cannot move it back to " + source + ": " + ErrorText(error));
        }
    }
    Report(undo, UndoAction::MovedBack, path, source);
    return true;
}

// Makes the moved link again, with its time.
bool Relink(UndoContext& undo, const JournaledFile& file) {
    if (!undo.dryRun) {
        int error = MakeFolders(ParentFolder(file.source), 0777);
        if (error == 0 && symlink(file.linkText.c_str(), file.source.c_str()) != 0)
            error = errno;
        if (error != 0)
            return LeaveAlone(undo, file.source, "cannot make the link again: " + ErrorText(error));
        const struct timespec times[2] = {
            {0, UTIME_OMIT},
            {file.sourceIdentity.modifiedSeconds, file.sourceIdentity.modifiedNanoseconds}};
        utimensat(AT_FDCWD, file.source.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    Report(undo, UndoAction::Relinked, file.source, file.linkText);
    return true;
}

// Takes the file the run placed away from there; freed gets the path it left. False when it
// was left alone.
bool TakeBack(UndoContext& undo, const JournaledFile& file, std::string& freed) {
    std::string at;
    RecordedIdentity identity;
    if (!PlacedFile(undo, file, at, identity))
        return true;
    bool move = undo.journal.operation == TransferOperation::Move;
    struct stat info;
    if (at.empty() || !Stat(at, info)) {
        if (!move || SourceHoldsTheFile(file, identity))
            return true;
        return LeaveAlone(undo, at.empty() ? file.requested : at,
                          "it is no longer where the run put it");
    }
    if (!IsRecordedFile(identity, info))
        return LeaveAlone(undo, at, "it changed after the run");
    bool taken = false;
    if (!move || SourceHoldsTheFile(file, identity)) {
        taken = Trash(undo, at);
    } else if (Stat(file.source, info)) {
        return LeaveAlone(undo, at, "its source " + file.source + " is taken");
    } else if (file.sourceIsLink) {
        taken = Relink(undo, file) && Trash(undo, at);
    } else {
        taken = MoveBack(undo, at, file.source);
    }
    if (taken)
        freed = at;
    return taken;
}

// Brings the file that the run replaced back from the trash. False when it was left alone.
bool BringBackReplaced(UndoContext& undo, const JournaledFile& file, const std::string& freed) {
    const std::string& entry = file.trashedPath;
    const std::string& place = file.replaced;
    if (entry.empty())
        return true;
    struct stat inTrash;
    struct stat atPlace;
    bool placeTaken = Stat(place, atPlace) && !(undo.dryRun && freed == place);
    if (!Stat(entry, inTrash)) {
        if (!placeTaken) {
            return LeaveAlone(undo, place,
                              "the file it replaced is no longer in the trash as " + entry);
        }
        // Brought back by an undo that stopped before it could drop the entry's info.
        if (!undo.dryRun)
            unlink(TrashInfoPath(entry).c_str());
        return true;
    }
    if (placeTaken) {
        // A copy back from another file system, cut short before the entry was removed.
        if (LooksLikeRecordedFile(RecordIdentity(inTrash), atPlace))
            return true;
        return LeaveAlone(undo, entry,
                          "the file it replaced stays in the trash: " + place + " is taken");
    }
    if (!undo.dryRun) {
        int error = RestoreFromTrash(entry, place);
        if (error != 0) {
            return LeaveAlone(undo, entry,
                              "cannot bring it back to " + place + ": " + ErrorText(error));
        }
    }
    Report(undo, UndoAction::Restored, entry, place);
    return true;
}

void UndoFile(UndoContext& undo, const JournaledFile& file) {
    std::string freed;
    bool done = TakeBack(undo, file, freed);
    done = BringBackReplaced(undo, file, freed) && done;
    if (done && !undo.dryRun)
        Mark(undo, JournalLine({"undone", std::to_string(file.id)}));
}

// Deepest first; a folder that still holds something stays. What a killed run was copying when
// it stopped is not journaled: its temporaries are cleared from the folders it made.
void RemoveFolders(UndoContext& undo) {
    const std::vector<std::string>& folders = undo.journal.folders;
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        if (!undo.dryRun)
            RemoveStaleTemporaries(*folder);
        bool removed = undo.dryRun ? IsDirectory(*folder) : rmdir(folder->c_str()) == 0;
        if (removed)
            Report(undo, UndoAction::FolderRemoved, *folder);
    }
}

// The move's source folders as they were: their files are back, so their times may be too.
void RestoreSourceFolderTimes(const Journal& journal) {
    for (const RecordedFolderTime& folder : journal.sourceFolders) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, folder.modified};
        utimensat(AT_FDCWD, folder.path.c_str(), times, 0);
    }
}

}  // namespace

UndoSummary UndoRun(const std::string& journalPath, bool dryRun, UndoDelegate& delegate) {
    UndoSummary refused;
    int fd = RetryOnInterrupt([&] {
        return open(journalPath.c_str(), (dryRun ? O_RDONLY : O_RDWR | O_APPEND) | O_CLOEXEC);
    });
    if (fd < 0) {
        refused.error = journalPath + ": " + ErrorText(errno);
        return refused;
    }
    Journal journal;
    std::string error;
    if (flock(fd, (dryRun ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        refused.error = journalPath + ": its run is still going, or being undone";
    } else if (!ReadJournal(fd, journal, error)) {
        refused.error = journalPath + ": " + error;
    } else if (journal.undone) {
        refused.error = journalPath + ": this run is undone already";
    }
    if (!refused.error.empty()) {
        close(fd);
        return refused;
    }
    // Marks go after the last whole record, never after what a crash left cut short.
    if (!dryRun && lseek(fd, 0, SEEK_END) > static_cast<off_t>(journal.length))
        RetryOnInterrupt([&] { return ftruncate(fd, static_cast<off_t>(journal.length)); });
    UndoContext undo{journal, fd, dryRun, delegate, {}};
    for (auto file = journal.files.rbegin(); file != journal.files.rend(); ++file) {
        if (file->undone)
            continue;
        if (delegate.CancelRequested()) {
            undo.summary.cancelled = true;
            break;
        }
        UndoFile(undo, *file);
    }
    if (!undo.summary.cancelled)
        RemoveFolders(undo);
    if (!dryRun) {
        if (!undo.summary.cancelled && undo.summary.leftAlone == 0) {
            RestoreSourceFolderTimes(journal);
            Mark(undo, JournalLine({"undone"}));
        }
        RetryOnInterrupt([&] { return fdatasync(fd); });
    }
    close(fd);
    return undo.summary;
}

std::string NewestJournalToUndo(const std::string& folder) {
    std::vector<std::string> journals = ListJournals(folder);
    for (auto path = journals.rbegin(); path != journals.rend(); ++path) {
        Journal journal;
        std::string error;
        if (ReadJournal(*path, journal, error) && !journal.undone)
            return *path;
    }
    return {};
}

}  // namespace tunvex
