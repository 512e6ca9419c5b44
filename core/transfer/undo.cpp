#include "core/transfer/undo.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/base/owned_fd.h"
#include "core/base/paths.h"
#include "core/base/retry.h"
#include "core/base/write_all.h"
#include "core/files/file_move.h"
#include "core/files/folders.h"
#include "core/files/mounts.h"
#include "core/files/no_link_path.h"
#include "core/files/temporaries.h"
#include "core/files/trash.h"
#include "core/transfer/journal.h"
#include "core/transfer/journal_glance.h"

namespace tunvex {
namespace {

struct UndoContext {
    const Journal& journal;
    CodePage codePage;
    int fd;
    bool dryRun;
    UndoDelegate& delegate;
    std::string trashFiles;  // where the trash keeps its files, links resolved
    FolderPins pins;
    UndoSummary summary;
    Mounts mounts;
    std::unordered_map<dev_t, bool> inodesKept;
    std::unordered_map<std::string, const RecordedFolderTime*> sourceFolders;
    std::unordered_map<std::string, const RemovedFolder*> removedFolders;
    std::unordered_map<std::string, FailureReason> readyFolders;
    std::unordered_set<std::string> foldersMade;
};

// Whether files keep their inode numbers where path is (KeepsInodeNumbers).
bool InodesKept(UndoContext& undo, const std::string& path, dev_t device) {
    auto known = undo.inodesKept.find(device);
    if (known == undo.inodesKept.end()) {
        known =
            undo.inodesKept
                .emplace(device, KeepsInodeNumbers(undo.mounts.Of(ParentFolder(path), device).type))
                .first;
    }
    return known->second;
}

bool IsRunsFile(UndoContext& undo, const std::string& path, const RecordedIdentity& recorded,
                const struct stat& info) {
    return IsRecordedFile(recorded, info, InodesKept(undo, path, info.st_dev));
}

// Pins path and looks at what it names, no link followed on the way. 0, ENOENT when nothing is
// there (or its folder is not), ELOOP when a link stands on the way, or another errno.
int LookAt(UndoContext& undo, const std::string& path, PinnedEntry& pinned, struct stat& info) {
    int error = undo.pins.Pin(path, pinned);
    if (error != 0)
        return error;
    if (fstatat(pinned.folder.get(), pinned.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    return 0;
}

// Why what a look (LookAt) did not find is left alone; empty when the look found it, or found
// nothing there (ENOTDIR: no folder on the way). Any other failure tells nothing either way.
FailureReason WhyNotLookedAt(int state) {
    if (state == ELOOP)
        return {FailureKind::LinkOnPath};
    if (state != 0 && state != ENOENT && state != ENOTDIR)
        return {FailureKind::PresenceUnknown, state};
    return {};
}

// The entry in the trash is the one the run sent there (a link too): renamed, or a file copied
// in from another file system with its size and time.
bool IsTrashedFile(const RecordedIdentity& recorded, const struct stat& info) {
    RecordedIdentity now = RecordIdentity(info);
    bool sizeAndTime = now.size == recorded.size &&
                       now.modifiedSeconds == recorded.modifiedSeconds &&
                       now.modifiedNanoseconds == recorded.modifiedNanoseconds;
    return sizeAndTime && (now.inode == recorded.inode ||
                           (now.device != recorded.device && S_ISREG(info.st_mode)));
}

void Report(UndoContext& undo, UndoAction action, const std::string& path,
            const std::string& to = {}, FailureReason reason = {}) {
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
        case UndoAction::FolderMade:
            ++summary.foldersMade;
            break;
        case UndoAction::LeftAlone:
            ++summary.leftAlone;
            break;
    }
    undo.delegate.OnUndo({action, path, to, std::move(reason)});
}

bool LeaveAlone(UndoContext& undo, const std::string& path, FailureReason reason) {
    Report(undo, UndoAction::LeftAlone, path, {}, std::move(reason));
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
// 0 with found set, ENOENT when it is nowhere there, or why the folder cannot be searched.
int FindUnrecorded(UndoContext& undo, const JournaledFile& file, std::string& found) {
    found.clear();
    std::string folder = ParentFolder(file.requested);
    std::string stem = file.requested;
    StripToFileName(undo.codePage, stem);
    std::size_t dot = FindExtension(undo.codePage, stem);
    std::string extension;
    if (dot != std::string::npos && dot != 0) {
        extension = stem.substr(dot);
        stem.resize(dot);
    }
    OwnedFd pinned;
    int error = OpenFolderNoLinks(folder, pinned);
    if (error != 0)
        return error;
    int readable = openat(pinned.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = readable < 0 ? nullptr : fdopendir(readable);
    if (listing == nullptr) {
        error = errno;
        if (readable >= 0)
            close(readable);
        return error;
    }
    while (const struct dirent* entry = readdir(listing)) {
        std::string_view name = entry->d_name;
        bool temporary = entry->d_ino == file.staged.inode && IsTemporaryName(name);
        if (!temporary && !IsClaimName(name, stem, extension))
            continue;
        std::string path = folder + "/" + std::string(name);
        struct stat info;
        if (path != file.source &&
            fstatat(dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            IsRunsFile(undo, path, file.staged, info)) {
            found = path;
            break;
        }
    }
    closedir(listing);
    return found.empty() ? ENOENT : 0;
}

// Pins and looks at the file the run put in place, as LookAt does; path gets where that is, or
// the name asked for when it was not recorded and is not found.
int LookAtPlaced(UndoContext& undo, const JournaledFile& file, std::string& path,
                 PinnedEntry& pinned, struct stat& info) {
    if (file.placed) {
        path = file.destination;
        return LookAt(undo, path, pinned, info);
    }
    int state = FindUnrecorded(undo, file, path);
    if (state == 0)
        return LookAt(undo, path, pinned, info);
    path = file.requested;
    return state;
}

// The source path holds the moved file: it was never removed, or an undo brought it back.
bool SourceHoldsTheFile(UndoContext& undo, const JournaledFile& file,
                        const RecordedIdentity& placed) {
    PinnedEntry pinned;
    struct stat info;
    if (LookAt(undo, file.source, pinned, info) != 0)
        return false;
    std::string text;
    if (file.sourceIsLink)
        return S_ISLNK(info.st_mode) && ReadLinkText(pinned.Path(), text) == 0 &&
               text == file.linkText;
    return IsRunsFile(undo, file.source, file.sourceIdentity, info) ||
           LooksLikeRecordedFile(placed, info);
}

// checked: the placed file as it was found to be the run's. A new version saved over it after
// that look goes back, and is left alone.
bool Trash(UndoContext& undo, const PinnedEntry& placed, const struct stat& checked) {
    const std::string& path = placed.original;
    std::string trashedPath;
    if (!undo.dryRun) {
        int error = MoveToTrash(placed.Path(), &trashedPath, {}, &checked);
        if (error == ESTALE)
            return LeaveAlone(undo, path, {FailureKind::ChangedSinceRun});
        if (error != 0)
            return LeaveAlone(undo, path, {FailureKind::NotTrashed, error});
    }
    Report(undo, UndoAction::Trashed, path, trashedPath);
    return true;
}

// Makes the folders missing down to folder inside the nearest one there, with their modes when
// the move removed them; nothing when that one is on another mount than folder was at the run.
FailureReason MakeReady(UndoContext& undo, const std::string& folder) {
    std::vector<std::string> missing;
    std::string there = folder;
    OwnedFd handle;
    int error = 0;
    while ((error = OpenFolderNoLinks(there, handle)) == ENOENT && there != "/") {
        missing.push_back(there);
        there = ParentFolder(there);
    }
    if (error == ELOOP)
        return {FailureKind::LinkOnSourcePath, 0, there};
    if (error == ENOTDIR)
        return {FailureKind::SourceTaken, 0, there};
    struct stat info;
    if (error == 0 && fstat(handle.get(), &info) != 0)
        error = errno;
    if (error != 0)
        return {FailureKind::NotMovedBack, error, there};
    auto record = undo.sourceFolders.find(folder);
    if (record != undo.sourceFolders.end() && !record->second->mount.empty() &&
        undo.mounts.Of(there, info.st_dev).name != record->second->mount)
        return {FailureKind::SourceFolderElsewhere, 0, there};
    for (auto path = missing.rbegin(); path != missing.rend(); ++path) {
        auto removed = undo.removedFolders.find(*path);
        if (!undo.dryRun) {
            bool wasRemoved = removed != undo.removedFolders.end();
            std::string name = path->substr(path->rfind('/') + 1);
            if (mkdirat(handle.get(), name.c_str(), wasRemoved ? 0700 : 0777) != 0 &&
                errno != EEXIST)
                return {FailureKind::NotMovedBack, errno, *path};
            OwnedFd made(openat(handle.get(), name.c_str(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (made.get() < 0)
                return {FailureKind::NotMovedBack, errno, *path};
            if (wasRemoved)
                fchmod(made.get(), removed->second->mode);
            handle = std::move(made);
        }
        if (undo.foldersMade.insert(*path).second)
            Report(undo, UndoAction::FolderMade, *path);
    }
    return {};
}

// The folder a file goes back into, made ready once (MakeReady); empty when it is.
FailureReason ReadyFolder(UndoContext& undo, const std::string& folder) {
    auto known = undo.readyFolders.find(folder);
    if (known == undo.readyFolders.end())
        known = undo.readyFolders.emplace(folder, MakeReady(undo, folder)).first;
    return known->second;
}

bool MoveBack(UndoContext& undo, const PinnedEntry& placed, const struct stat& checked,
              const std::string& source) {
    const std::string& path = placed.original;
    FailureReason unready = ReadyFolder(undo, ParentFolder(source));
    if (!unready.empty())
        return LeaveAlone(undo, path, std::move(unready));
    if (!undo.dryRun) {
        PinnedEntry target;
        int error = undo.pins.Pin(source, target);
        if (error == 0)
            error = MoveCheckedNoReplace(placed.Path(), target.Path(), checked);
        if (error == ESTALE)
            return LeaveAlone(undo, path, {FailureKind::ChangedSinceRun});
        if (error == ELOOP)
            return LeaveAlone(undo, path, {FailureKind::LinkOnSourcePath, 0, source});
        if (error == EEXIST)
            return LeaveAlone(undo, path, {FailureKind::SourceTaken, 0, source});
        if (error != 0) {
            return LeaveAlone(undo, path, {FailureKind::NotMovedBack, error, source});
        }
    }
    Report(undo, UndoAction::MovedBack, path, source);
    return true;
}

// Makes the moved link again, with its time.
bool Relink(UndoContext& undo, const JournaledFile& file) {
    FailureReason unready = ReadyFolder(undo, ParentFolder(file.source));
    if (!unready.empty())
        return LeaveAlone(undo, file.source, std::move(unready));
    if (!undo.dryRun) {
        PinnedEntry target;
        int error = undo.pins.Pin(file.source, target);
        if (error == 0 &&
            symlinkat(file.linkText.c_str(), target.folder.get(), target.name.c_str()) != 0)
            error = errno;
        if (error != 0)
            return LeaveAlone(undo, file.source, {FailureKind::LinkNotMade, error});
        const struct timespec times[2] = {
            {0, UTIME_OMIT},
            {file.sourceIdentity.modifiedSeconds, file.sourceIdentity.modifiedNanoseconds}};
        utimensat(target.folder.get(), target.name.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    Report(undo, UndoAction::Relinked, file.source, file.linkText);
    return true;
}

// Takes the file the run placed away from there; freed gets the path it left. False when it
// was left alone.
bool TakeBack(UndoContext& undo, const JournaledFile& file, std::string& freed) {
    if (!file.placed && undo.journal.ended)
        return true;
    const RecordedIdentity& identity = file.placed ? file.placedIdentity : file.staged;
    bool move = undo.journal.operation == TransferOperation::Move;
    std::string at;
    PinnedEntry placed;
    struct stat info;
    int state = LookAtPlaced(undo, file, at, placed, info);
    FailureReason unknown = WhyNotLookedAt(state);
    if (!unknown.empty())
        return LeaveAlone(undo, at, std::move(unknown));
    if (state != 0) {
        if (!move || SourceHoldsTheFile(undo, file, identity))
            return true;
        return LeaveAlone(undo, at, {FailureKind::NotWherePlaced});
    }
    if (!IsRunsFile(undo, at, identity, info))
        return LeaveAlone(undo, at, {FailureKind::ChangedSinceRun});
    bool taken = false;
    PinnedEntry source;
    struct stat sourceInfo;
    int sourceState = move ? LookAt(undo, file.source, source, sourceInfo) : ENOENT;
    if (!move || SourceHoldsTheFile(undo, file, identity)) {
        taken = Trash(undo, placed, info);
    } else if (sourceState == ELOOP) {
        return LeaveAlone(undo, at, {FailureKind::LinkOnSourcePath, 0, file.source});
    } else if (sourceState == 0 || sourceState == ENOTDIR) {
        return LeaveAlone(undo, at, {FailureKind::SourceTaken, 0, file.source});
    } else if (sourceState != ENOENT) {
        return LeaveAlone(undo, at, {FailureKind::NotMovedBack, sourceState, file.source});
    } else if (file.sourceIsLink) {
        taken = Relink(undo, file) && Trash(undo, placed, info);
    } else {
        taken = MoveBack(undo, placed, info, file.source);
    }
    if (taken)
        freed = at;
    return taken;
}

// Brings the file that the run replaced back from the trash: that file, and only while it is
// still there under the name the run gave it. False when it was left alone.
bool BringBackReplaced(UndoContext& undo, const JournaledFile& file, const std::string& freed) {
    const std::string& entry = file.trashedPath;
    const std::string& place = file.replaced;
    if (entry.empty())
        return true;
    if (ParentFolder(entry) != undo.trashFiles)
        return LeaveAlone(undo, entry, {FailureKind::NotInTrash});
    PinnedEntry atPlace;
    struct stat placeInfo;
    int placeState = LookAt(undo, place, atPlace, placeInfo);
    FailureReason placeUnknown = WhyNotLookedAt(placeState);
    if (!placeUnknown.empty())
        return LeaveAlone(undo, place, std::move(placeUnknown));
    bool placeTaken = placeState != ENOENT && !(undo.dryRun && freed == place);
    PinnedEntry inTrash;
    struct stat trashInfo;
    int entryState = LookAt(undo, entry, inTrash, trashInfo);
    FailureReason entryUnknown = WhyNotLookedAt(entryState);
    if (!entryUnknown.empty())
        return LeaveAlone(undo, entry, std::move(entryUnknown));
    if (entryState != 0) {
        if (!placeTaken) {
            return LeaveAlone(undo, place, {FailureKind::ReplacedNotInTrash, 0, entry});
        }
        // Brought back by an undo that stopped before it could drop the entry's info.
        if (!undo.dryRun && file.trashedIdentityKnown && placeState == 0 &&
            IsTrashedFile(file.trashedIdentity, placeInfo))
            unlink(TrashInfoPath(entry).c_str());
        return true;
    }
    if (!file.trashedIdentityKnown)
        return LeaveAlone(undo, entry, {FailureKind::TrashedFileUnrecorded});
    if (!IsTrashedFile(file.trashedIdentity, trashInfo))
        return LeaveAlone(undo, entry, {FailureKind::NotReplacedFile});
    if (placeTaken) {
        // A copy back from another file system, cut short before the entry was removed.
        if (placeState == 0 && LooksLikeRecordedFile(RecordIdentity(trashInfo), placeInfo))
            return true;
        return LeaveAlone(undo, entry, {FailureKind::ReplacedStaysInTrash, 0, place});
    }
    if (!undo.dryRun) {
        int error = RestoreFromTrash(entry, atPlace.Path());
        if (error != 0) {
            return LeaveAlone(undo, entry, {FailureKind::NotBroughtBack, error, place});
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

// Deepest first; a folder that still holds something stays, and so does one that is no longer
// the folder the run made. What a killed run was copying when it stopped is not journaled: its
// temporaries are cleared from the folders it made.
void RemoveFolders(UndoContext& undo) {
    const std::vector<RecordedFolder>& folders = undo.journal.folders;
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        PinnedEntry pinned;
        struct stat info;
        int state = LookAt(undo, folder->path, pinned, info);
        FailureReason unknown = WhyNotLookedAt(state);
        if (!unknown.empty()) {
            LeaveAlone(undo, folder->path, std::move(unknown));
            continue;
        }
        if (state != 0)
            continue;
        if (!folder->identityKnown) {
            LeaveAlone(undo, folder->path, {FailureKind::FolderUnrecorded});
            continue;
        }
        bool sameInode = RecordIdentity(info).inode == folder->identity.inode ||
                         !InodesKept(undo, folder->path, info.st_dev);
        if (!S_ISDIR(info.st_mode) || !sameInode) {
            LeaveAlone(undo, folder->path, {FailureKind::NotMadeFolder});
            continue;
        }
        if (!undo.dryRun)
            RemoveStaleTemporaries(pinned.Path());
        bool removed =
            undo.dryRun || unlinkat(pinned.folder.get(), pinned.name.c_str(), AT_REMOVEDIR) == 0;
        if (removed)
            Report(undo, UndoAction::FolderRemoved, folder->path);
    }
}

void SetFolderTime(UndoContext& undo, const std::string& path, const struct timespec& modified) {
    PinnedEntry pinned;
    if (undo.pins.Pin(path, pinned) != 0)
        return;
    const struct timespec times[2] = {{0, UTIME_OMIT}, modified};
    utimensat(pinned.folder.get(), pinned.name.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// The move's source folders as they were: their files are back, so their times may be too.
void RestoreSourceFolderTimes(UndoContext& undo) {
    for (const RemovedFolder& folder : undo.journal.removedFolders)
        SetFolderTime(undo, folder.path, folder.modified);
    for (const RecordedFolderTime& folder : undo.journal.sourceFolders)
        SetFolderTime(undo, folder.path, folder.modified);
}

// What the reading found that is not a record: its files are not undone, so the run is not.
void ReportDamage(UndoContext& undo, const std::string& journalPath) {
    for (std::uint64_t line : undo.journal.damagedLines)
        LeaveAlone(undo, journalPath + ":" + std::to_string(line), {FailureKind::DamagedRecord});
    std::uint64_t more = undo.journal.damaged - undo.journal.damagedLines.size();
    if (more > 0)
        LeaveAlone(undo, journalPath, {FailureKind::MoreDamagedRecords, 0, {}, more});
}

std::string TrashFilesFolder() {
    std::string folder = TrashFolder() + "/files";
    char resolved[PATH_MAX];
    return realpath(folder.c_str(), resolved) ? resolved : folder;
}

}  // namespace

UndoSummary UndoRun(CodePage codePage, const std::string& journalPath, bool dryRun,
                    UndoDelegate& delegate) {
    UndoSummary refused;
    OwnedFd fd(OpenJournal(journalPath, !dryRun, refused.refused));
    Journal journal;
    auto stop = [&] { return delegate.CancelRequested(); };
    if (fd.get() >= 0) {
        if (flock(fd.get(), (dryRun ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0)
            refused.refused = {FailureKind::RunStillGoing};
        else if (!ReadJournal(fd.get(), journal, refused.refused, stop))
            refused.cancelled = stop();
        else if (journal.undone)
            refused.refused = {FailureKind::RunUndoneAlready};
    }
    if (refused.cancelled || !refused.refused.empty())
        return refused;
    // Marks go after the last whole line, never after what a crash left cut short.
    if (!dryRun && lseek(fd.get(), 0, SEEK_END) > static_cast<off_t>(journal.length))
        RetryOnInterrupt([&] { return ftruncate(fd.get(), static_cast<off_t>(journal.length)); });
    UndoContext undo{journal, codePage, fd.get(), dryRun, delegate, TrashFilesFolder(), {}, {}, {},
                     {},      {},       {},       {},     {}};
    ReportDamage(undo, journalPath);
    for (const RecordedFolderTime& folder : journal.sourceFolders)
        undo.sourceFolders.emplace(folder.path, &folder);
    for (const RemovedFolder& folder : journal.removedFolders)
        undo.removedFolders.emplace(folder.path, &folder);
    for (auto entry = journal.files.rbegin(); entry != journal.files.rend(); ++entry) {
        if (entry->undone)
            continue;
        if (stop()) {
            undo.summary.cancelled = true;
            break;
        }
        JournaledFile file;
        if (!LoadJournaledFile(fd.get(), *entry, file)) {
            LeaveAlone(undo, journalPath, {FailureKind::RecordsNotReread, 0, {}, entry->id + 1});
            continue;
        }
        UndoFile(undo, file);
    }
    if (!undo.summary.cancelled)
        RemoveFolders(undo);
    if (!dryRun) {
        if (!undo.summary.cancelled && undo.summary.leftAlone == 0) {
            RestoreSourceFolderTimes(undo);
            Mark(undo, JournalLine({"undone"}));
        }
        RetryOnInterrupt([&] { return fdatasync(fd.get()); });
    }
    return undo.summary;
}

bool IsRunHeld(const std::string& journalPath) {
    FailureReason error;
    OwnedFd fd(OpenJournal(journalPath, false, error));
    return fd.get() >= 0 && flock(fd.get(), LOCK_SH | LOCK_NB) != 0;
}

std::string NewestJournalToUndo(const std::string& folder) {
    std::vector<JournalGlance> runs = RunsToUndo(folder, 1, false);
    return runs.empty() ? std::string() : runs.front().path;
}

}  // namespace tunvex
