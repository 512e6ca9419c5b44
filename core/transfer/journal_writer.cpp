#include "core/transfer/journal_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

#include "core/base/paths.h"
#include "core/base/retry.h"
#include "core/base/write_all.h"
#include "core/files/file_move.h"
#include "core/files/folders.h"
#include "core/transfer/journal.h"

namespace tunvex {
namespace {

constexpr unsigned kMaxNameAttempts = 100;
constexpr std::size_t kResolvedFoldersKept = 4096;

// UTC to the microsecond, so that names sort as the runs started.
std::string JournalName(const struct timespec& now) {
    struct tm utc;
    gmtime_r(&now.tv_sec, &utc);
    char text[64];
    std::size_t length = std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%06ld-%d", now.tv_nsec / 1000,
                  static_cast<int>(getpid()));
    return text + std::string(kJournalExtension);
}

// Removes the oldest journals beyond keep, passing over any whose run is still going.
void RemoveOldJournals(const std::string& folder, std::size_t keep) {
    std::vector<std::string> journals = ListJournals(folder);
    for (std::size_t i = 0; i + keep < journals.size(); ++i) {
        int fd = open(journals[i].c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(journals[i].c_str());
        close(fd);
    }
}

}  // namespace

void TransferJournal::Start(std::string folder, TransferOperation operation, CodePage codePage) {
    folder_ = std::move(folder);
    operation_ = operation;
    codePage_ = codePage;
    // Sized by getcwd itself: a working folder deeper than PATH_MAX is still one.
    if (char* cwd = getcwd(nullptr, 0)) {
        cwd_ = cwd;
        std::free(cwd);
    }
}

TransferJournal::~TransferJournal() {
    if (fd_ >= 0)
        close(fd_);
}

void TransferJournal::FolderMade(const std::string& path) {
    if (!Keeping())
        return;
    changed_ = true;
    // Its identity tells the undo that the folder it would remove is still the one made here.
    struct stat info = {};
    lstat(path.c_str(), &info);
    pending_ += JournalLine({"folder", Absolute(path),
                             std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino)});
    Write();
}

void TransferJournal::Staged(std::size_t id, const std::string& source,
                             const struct stat& sourceEntry, const std::string& destination,
                             const struct stat& staged) {
    if (!Keeping())
        return;
    if (operation_ == TransferOperation::Move)
        RecordSourceFolder(Absolute(source));
    pending_ += JournalLine({"file", std::to_string(id), Absolute(source),
                             FormatIdentity(RecordIdentity(sourceEntry)), Absolute(destination),
                             FormatIdentity(RecordIdentity(staged))});
    std::string linkText;
    if (S_ISLNK(sourceEntry.st_mode) && ReadLinkText(source, linkText) == 0)
        pending_ += JournalLine({"link", std::to_string(id), linkText});
}

void TransferJournal::Restaged(std::size_t id, const struct stat& staged) {
    if (!Keeping())
        return;
    pending_ += JournalLine({"staged", std::to_string(id), FormatIdentity(RecordIdentity(staged))});
    Sync();
}

void TransferJournal::Trashed(std::size_t id, const std::string& path,
                              const std::string& trashedPath, const struct stat& replaced) {
    if (!Keeping())
        return;
    changed_ = true;
    pending_ += JournalLine({"trashed", std::to_string(id), Absolute(path), Absolute(trashedPath),
                             FormatIdentity(RecordIdentity(replaced))});
    Sync();
}

void TransferJournal::Placed(std::size_t id, const std::string& requested,
                             const std::string& destination, const struct stat& placed) {
    if (!Keeping())
        return;
    changed_ = true;
    ++placed_;
    pending_ += JournalLine({"placed", std::to_string(id),
                             destination == requested ? std::string() : Absolute(destination),
                             FormatIdentity(RecordIdentity(placed))});
}

// As if undone: no undo looks for it.
void TransferJournal::TakenBack(std::size_t id) {
    if (!Keeping())
        return;
    --placed_;
    pending_ += JournalLine({"undone", std::to_string(id)});
}

void TransferJournal::FolderRemoved(const std::string& path, mode_t mode,
                                    const struct timespec& modified) {
    if (!Keeping())
        return;
    changed_ = true;
    char octal[16];
    std::snprintf(octal, sizeof octal, "%o", static_cast<unsigned>(mode & 07777));
    pending_ +=
        JournalLine({"removedfolder", path, octal, FormatTime(modified.tv_sec, modified.tv_nsec)});
}

void TransferJournal::FolderTimeBefore(const std::string& path, const struct timespec& modified) {
    struct stat info;
    if (!Keeping() || sourceFolders_.contains(path) || stat(path.c_str(), &info) != 0)
        return;
    info.st_mtim = modified;
    RecordSourceFolderAs(path, info);
}

void TransferJournal::Sync() {
    Write();
    if (fd_ < 0 || !error_.empty())
        return;
    if (RetryOnInterrupt([&] { return fdatasync(fd_); }) != 0) {
        Fail({FailureKind::JournalNotDurable, errno});
    } else if (!nameDurable_) {
        nameDurable_ = true;
        int error = SyncFolder(folder_);
        if (error != 0)
            Fail({FailureKind::JournalNotDurable, error});
    }
}

std::string TransferJournal::Finish() {
    if (fd_ < 0 && path_.empty())
        return {};
    if (!changed_) {
        unlink(path_.c_str());
        return {};
    }
    pending_ += JournalLine({"end", std::to_string(placed_)});
    Sync();
    return path_;
}

bool TransferJournal::Open() {
    if (!error_.empty())
        return false;
    if (fd_ >= 0)
        return true;
    int error = MakeFolders(folder_, 0700);
    if (error != 0) {
        Fail({FailureKind::JournalFolderNotCreated, error, folder_});
        return false;
    }
    RemoveOldJournals(folder_, kJournalsKept - 1);
    struct timespec now;
    for (unsigned attempt = 0; attempt < kMaxNameAttempts && fd_ < 0; ++attempt) {
        clock_gettime(CLOCK_REALTIME, &now);
        path_ = folder_ + "/" + JournalName(now);
        fd_ = RetryOnInterrupt([&] {
            return open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
        });
        if (fd_ < 0 && errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        Fail({FailureKind::JournalNotCreated, errno, folder_});
        path_.clear();
        return false;
    }
    // Held while the run goes, so that no undo starts on it meanwhile.
    flock(fd_, LOCK_EX);
    pending_.insert(0, JournalLine({"tunvex-journal", "2",
                                    operation_ == TransferOperation::Move ? "move" : "copy",
                                    std::to_string(now.tv_sec)}));
    return true;
}

void TransferJournal::Write() {
    if (pending_.empty())
        return;
    if (!Open()) {
        pending_.clear();
        return;
    }
    int error = WriteAll(fd_, pending_.data(), pending_.size());
    pending_.clear();
    if (error != 0)
        Fail({FailureKind::JournalNotWritten, error, path_});
}

// Nothing more is written, but the journal stays open and locked while the run goes, so that no
// undo starts on it meanwhile.
void TransferJournal::Fail(FailureReason reason) {
    if (error_.empty())
        error_ = std::move(reason);
}

// Once per folder, before the first of its files leaves it: the undo gives the folder its time
// back once everything is in it again.
void TransferJournal::RecordSourceFolder(const std::string& source) {
    std::string folder = source.substr(0, std::max<std::size_t>(source.rfind('/'), 1));
    struct stat info;
    if (!sourceFolders_.contains(folder) && stat(folder.c_str(), &info) == 0)
        RecordSourceFolderAs(folder, info);
}

// With its mount, so that an undo puts nothing back into a folder of another disk mounted there
// since, or into the bare mount point of one unmounted since.
void TransferJournal::RecordSourceFolderAs(const std::string& folder, const struct stat& info) {
    sourceFolders_.insert(folder);
    pending_ +=
        JournalLine({"sourcefolder", folder, FormatTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec),
                     mounts_.Of(folder, info.st_dev).name});
}

// With its folder's links, "." and ".." resolved: the undo follows no link, and takes a path
// that holds any of them for a damaged record. A folder that cannot be resolved (one past
// PATH_MAX, say) loses its "." and ".." at least.
std::string TransferJournal::Absolute(const std::string& path) {
    std::string absolute =
        path.empty() || path[0] == '/' || cwd_.empty() ? path : cwd_ + "/" + path;
    std::size_t slash = absolute.rfind('/');
    if (slash == std::string::npos)
        return absolute;
    std::string parent = Resolved(slash == 0 ? "/" : absolute.substr(0, slash));
    return parent + (parent == "/" ? "" : "/") + absolute.substr(slash + 1);
}

std::string TransferJournal::Resolved(const std::string& folder) {
    auto found = resolvedFolders_.find(folder);
    if (found != resolvedFolders_.end())
        return found->second;
    std::string resolved = ResolveFolder(folder);
    if (resolvedFolders_.size() >= kResolvedFoldersKept)
        resolvedFolders_.clear();
    resolvedFolders_.emplace(folder, resolved);
    return resolved;
}

// A folder is its parent resolved and its own name, unless it is a link: one look at each folder
// once, where resolving each path whole looks at every folder above it again.
std::string TransferJournal::ResolveFolder(const std::string& folder) {
    std::size_t slash = folder.rfind('/');
    std::string_view name = std::string_view(folder).substr(slash + 1);
    if (slash != std::string::npos && slash > 0 && !name.empty() && name != "." && name != "..") {
        std::string parent = Resolved(folder.substr(0, slash));
        struct stat info;
        if (lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return parent + (parent == "/" ? "" : "/") + std::string(name);
    }
    char resolved[PATH_MAX];
    return realpath(folder.c_str(), resolved) ? resolved : CanonicalizePath(codePage_, folder);
}

}  // namespace tunvex
