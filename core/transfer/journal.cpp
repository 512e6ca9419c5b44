#include "core/transfer/journal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <unordered_map>

#include "core/base/owned_fd.h"
#include "core/base/retry.h"
#include "core/base/user_folders.h"
#include "core/files/no_link_path.h"

namespace tunvex {
namespace {

constexpr char kJournalMagic[] = "tunvex-journal";
constexpr char kJournalVersion[] = "2";
// No record comes near: four paths at the length limit, every byte escaped.
constexpr std::size_t kMaxLineLength = 1 << 20;
constexpr std::size_t kDamagedLinesKept = 100;

void AppendEscaped(std::string& line, std::string_view field) {
    for (char c : field) {
        switch (c) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            default:
                line += c;
        }
    }
}

}  // namespace

std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number& number) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseTime(std::string_view text, std::int64_t& seconds, std::int64_t& nanoseconds) {
    std::size_t dot = text.find('.');
    return dot != std::string_view::npos && ParseNumber(text.substr(0, dot), seconds) &&
           ParseNumber(text.substr(dot + 1), nanoseconds);
}

bool ParseIdentity(std::string_view text, RecordedIdentity& identity) {
    std::size_t colon1 = text.find(':');
    std::size_t colon2 = text.find(':', colon1 + 1);
    std::size_t colon3 = text.find(':', colon2 + 1);
    if (colon1 == std::string_view::npos || colon2 == std::string_view::npos ||
        colon3 == std::string_view::npos)
        return false;
    return ParseNumber(text.substr(0, colon1), identity.device) &&
           ParseNumber(text.substr(colon1 + 1, colon2 - colon1 - 1), identity.inode) &&
           ParseNumber(text.substr(colon2 + 1, colon3 - colon2 - 1), identity.size) &&
           ParseTime(text.substr(colon3 + 1), identity.modifiedSeconds,
                     identity.modifiedNanoseconds);
}

bool ParseFolderIdentity(std::string_view text, RecordedIdentity& identity) {
    std::size_t colon = text.find(':');
    return colon != std::string_view::npos && ParseNumber(text.substr(0, colon), identity.device) &&
           ParseNumber(text.substr(colon + 1), identity.inode);
}

bool IsFileRecord(const std::string& kind) {
    return kind == "file" || kind == "staged" || kind == "link" || kind == "trashed" ||
           kind == "placed";
}

// Applies one of a file's records to it; false when it is malformed.
bool ApplyFileRecord(const std::vector<std::string>& fields, JournaledFile& file) {
    const std::string& kind = fields[0];
    if (kind == "file" && fields.size() == 6) {
        file.source = fields[2];
        file.requested = fields[4];
        return IsPlainAbsolutePath(file.source) && IsPlainAbsolutePath(file.requested) &&
               ParseIdentity(fields[3], file.sourceIdentity) &&
               ParseIdentity(fields[5], file.staged);
    }
    if (kind == "staged" && fields.size() == 3)
        return ParseIdentity(fields[2], file.staged);
    if (kind == "link" && fields.size() == 3) {
        file.sourceIsLink = true;
        file.linkText = fields[2];
        return true;
    }
    if (kind == "trashed" && (fields.size() == 4 || fields.size() == 5)) {
        file.replaced = fields[2];
        file.trashedPath = fields[3];
        file.trashedIdentityKnown = fields.size() == 5;
        return IsPlainAbsolutePath(file.replaced) && IsPlainAbsolutePath(file.trashedPath) &&
               (fields.size() == 4 || ParseIdentity(fields[4], file.trashedIdentity));
    }
    if (kind == "placed" && fields.size() == 4) {
        file.placed = true;
        file.destination = fields[2].empty() ? file.requested : fields[2];
        return (fields[2].empty() || IsPlainAbsolutePath(fields[2])) &&
               ParseIdentity(fields[3], file.placedIdentity);
    }
    return false;
}

// Reads one record into journal; false when it is malformed.
bool ReadRecord(const std::vector<std::string>& fields, std::uint64_t at, Journal& journal,
                std::unordered_map<std::size_t, std::size_t>& byId) {
    const std::string& kind = fields[0];
    std::size_t id = 0;
    JournalEntry* entry = nullptr;
    bool numbered = fields.size() >= 2 && ParseNumber(fields[1], id);
    if (numbered && (IsFileRecord(kind) || kind == "undone")) {
        auto found = byId.find(id);
        if (found != byId.end())
            entry = &journal.files[found->second];
    }
    if (IsFileRecord(kind)) {
        JournaledFile scratch;
        if (!numbered || (kind == "file") != (entry == nullptr) ||
            !ApplyFileRecord(fields, scratch))
            return false;
        if (kind == "file") {
            byId.emplace(id, journal.files.size());
            journal.files.push_back({id, at});
        } else if (kind == "staged") {
            entry->stagedAt = at;
        } else if (kind == "link") {
            entry->linkAt = at;
        } else if (kind == "trashed") {
            // A file that appeared at the destination while it was claimed may follow the
            // first one into the trash: the first is the one to bring back.
            if (entry->trashedAt == 0)
                entry->trashedAt = at;
        } else {
            entry->placedAt = at;
        }
        return true;
    }
    if (kind == "folder" && (fields.size() == 2 || fields.size() == 3)) {
        RecordedFolder folder;
        folder.path = fields[1];
        folder.identityKnown = fields.size() == 3;
        if (!IsPlainAbsolutePath(folder.path) ||
            (folder.identityKnown && !ParseFolderIdentity(fields[2], folder.identity)))
            return false;
        journal.folders.push_back(std::move(folder));
    } else if (kind == "sourcefolder" && (fields.size() == 3 || fields.size() == 4)) {
        std::int64_t seconds = 0, nanoseconds = 0;
        if (!IsPlainAbsolutePath(fields[1]) || !ParseTime(fields[2], seconds, nanoseconds))
            return false;
        journal.sourceFolders.push_back(
            {fields[1], {seconds, nanoseconds}, fields.size() == 4 ? fields[3] : std::string()});
    } else if (kind == "removedfolder" && fields.size() == 4) {
        std::int64_t seconds = 0, nanoseconds = 0;
        unsigned mode = 0;
        const std::string& octal = fields[2];
        auto [end, error] = std::from_chars(octal.data(), octal.data() + octal.size(), mode, 8);
        if (!IsPlainAbsolutePath(fields[1]) || error != std::errc() ||
            end != octal.data() + octal.size() || mode > 07777 ||
            !ParseTime(fields[3], seconds, nanoseconds))
            return false;
        journal.removedFolders.push_back(
            {fields[1], static_cast<mode_t>(mode), {seconds, nanoseconds}});
    } else if (kind == "end" &&
               (fields.size() == 1 || (fields.size() == 2 && ParseNumber(fields[1], id)))) {
        journal.ended = true;
    } else if (kind == "undone" && fields.size() == 1) {
        journal.undone = true;
    } else if (kind == "undone" && fields.size() == 2 && entry != nullptr) {
        entry->undone = true;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool ReadHeader(const std::vector<std::string>& fields, Journal& journal) {
    if (fields.size() != 4 || fields[0] != kJournalMagic ||
        (fields[1] != kJournalVersion && fields[1] != "1"))
        return false;
    if (fields[2] == "move") {
        journal.operation = TransferOperation::Move;
    } else if (fields[2] == "copy") {
        journal.operation = TransferOperation::Copy;
    } else {
        return false;
    }
    return ParseNumber(fields[3], journal.started);
}

bool ReadLineAt(int fd, std::uint64_t offset, std::string& line) {
    line.clear();
    char buffer[4096];
    while (line.size() < kMaxLineLength) {
        ssize_t got = RetryOnInterrupt(
            [&] { return pread(fd, buffer, sizeof buffer, static_cast<off_t>(offset)); });
        if (got <= 0)
            return false;
        std::string_view chunk(buffer, static_cast<std::size_t>(got));
        std::size_t end = chunk.find('\n');
        line.append(chunk.substr(0, end));
        if (end != std::string_view::npos)
            return true;
        offset += static_cast<std::uint64_t>(got);
    }
    return false;
}

RecordedIdentity RecordIdentity(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size), static_cast<std::int64_t>(info.st_mtim.tv_sec),
            static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

bool LooksLikeRecordedFile(const RecordedIdentity& recorded, const struct stat& info) {
    RecordedIdentity now = RecordIdentity(info);
    return S_ISREG(info.st_mode) && now.size == recorded.size &&
           now.modifiedSeconds == recorded.modifiedSeconds &&
           now.modifiedNanoseconds == recorded.modifiedNanoseconds;
}

bool IsRecordedFile(const RecordedIdentity& recorded, const struct stat& info, bool inodesKept) {
    if (inodesKept)
        return LooksLikeRecordedFile(recorded, info) &&
               RecordIdentity(info).inode == recorded.inode;
    constexpr std::int64_t kFatTimeStep = 2'000'000'000;
    RecordedIdentity now = RecordIdentity(info);
    std::int64_t apart = (now.modifiedSeconds - recorded.modifiedSeconds) * 1'000'000'000 +
                         (now.modifiedNanoseconds - recorded.modifiedNanoseconds);
    return S_ISREG(info.st_mode) && now.size == recorded.size && apart <= kFatTimeStep &&
           apart >= -kFatTimeStep;
}

std::size_t FilesOfRun(const Journal& journal) {
    std::size_t files = 0;
    for (const JournalEntry& file : journal.files)
        files += file.placedAt != 0 || !journal.ended ? 1 : 0;
    return files;
}

std::string JournalLine(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (std::string_view field : fields) {
        if (!line.empty())
            line += '\t';
        AppendEscaped(line, field);
    }
    line += '\n';
    return line;
}

std::string FormatTime(std::int64_t seconds, std::int64_t nanoseconds) {
    std::string fraction = std::to_string(nanoseconds);
    return std::to_string(seconds) + "." +
           std::string(9 - std::min<std::size_t>(fraction.size(), 9), '0') + fraction;
}

std::string FormatIdentity(const RecordedIdentity& identity) {
    return std::to_string(identity.device) + ":" + std::to_string(identity.inode) + ":" +
           std::to_string(identity.size) + ":" +
           FormatTime(identity.modifiedSeconds, identity.modifiedNanoseconds);
}

int OpenJournal(const std::string& path, bool forWriting, FailureReason& error) {
    int flags = (forWriting ? O_RDWR | O_APPEND : O_RDONLY) | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;
    OwnedFd fd(RetryOnInterrupt([&] { return open(path.c_str(), flags); }));
    struct stat info;
    if (fd.get() < 0 || fstat(fd.get(), &info) != 0) {
        error = errno == ELOOP ? FailureReason(FailureKind::JournalIsLink)
                               : FailureReason(FailureKind::JournalNotRead, errno);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        error = {FailureKind::NotRegularFile};
    } else if (info.st_uid != geteuid()) {
        error = {FailureKind::JournalOfAnotherUser};
    } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        error = {FailureKind::JournalWritableByOthers};
    } else if (fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK & ~O_CLOEXEC) != 0) {
        error = {FailureKind::JournalNotRead, errno};
    } else {
        return fd.Release();
    }
    return -1;
}

bool ReadJournal(int fd, Journal& journal, FailureReason& error,
                 const std::function<bool()>& stop) {
    journal = Journal();
    std::unordered_map<std::size_t, std::size_t> byId;
    std::string line;
    bool lineTooLong = false;
    std::uint64_t lineStart = 0;
    std::uint64_t offset = 0;
    std::uint64_t lineNumber = 1;
    char buffer[1 << 16];
    for (;;) {
        if (stop && stop()) {
            error = {};
            return false;
        }
        ssize_t got = RetryOnInterrupt([&] { return read(fd, buffer, sizeof buffer); });
        if (got < 0) {
            error = {FailureKind::JournalNotRead, errno};
            return false;
        }
        if (got == 0)
            break;
        std::string_view chunk(buffer, static_cast<std::size_t>(got));
        while (!chunk.empty()) {
            std::size_t end = chunk.find('\n');
            std::string_view part = chunk.substr(0, end);
            if (line.size() + part.size() > kMaxLineLength)
                lineTooLong = true;
            else
                line.append(part);
            offset += part.size();
            if (end == std::string_view::npos)
                break;
            chunk.remove_prefix(end + 1);
            ++offset;
            std::vector<std::string> fields = SplitFields(line);
            bool sound =
                !lineTooLong && (lineNumber == 1 ? ReadHeader(fields, journal)
                                                 : ReadRecord(fields, lineStart, journal, byId));
            if (lineNumber == 1 && !sound) {
                error = {FailureKind::NotAJournal};
                return false;
            }
            if (!sound && journal.damaged++ < kDamagedLinesKept)
                journal.damagedLines.push_back(lineNumber);
            journal.length = offset;
            lineStart = offset;
            line.clear();
            lineTooLong = false;
            ++lineNumber;
        }
    }
    if (journal.length == 0) {
        error = {FailureKind::NotAJournal};
        return false;
    }
    return true;
}

bool ReadJournal(const std::string& path, Journal& journal, FailureReason& error) {
    OwnedFd fd(OpenJournal(path, false, error));
    return fd.get() >= 0 && ReadJournal(fd.get(), journal, error);
}

bool LoadJournaledFile(int fd, const JournalEntry& entry, JournaledFile& file) {
    file = JournaledFile();
    file.id = entry.id;
    file.undone = entry.undone;
    std::string line;
    for (std::uint64_t at :
         {entry.fileAt, entry.stagedAt, entry.linkAt, entry.trashedAt, entry.placedAt}) {
        if (at != 0 && !(ReadLineAt(fd, at, line) && ApplyFileRecord(SplitFields(line), file)))
            return false;
    }
    return true;
}

std::string JournalFolder() {
    std::string stateHome = XdgFolder("XDG_STATE_HOME", ".local/state");
    return stateHome.empty() ? "" : stateHome + "/tunvex";
}

std::vector<std::string> ListJournals(const std::string& folder) {
    std::vector<std::string> names;
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return names;
    while (const struct dirent* entry = readdir(listing)) {
        std::string_view name = entry->d_name;
        if (name.size() > std::strlen(kJournalExtension) && name.ends_with(kJournalExtension))
            names.emplace_back(name);
    }
    closedir(listing);
    std::sort(names.begin(), names.end());
    for (std::string& name : names)
        name = folder + "/" + name;
    return names;
}

}  // namespace tunvex
