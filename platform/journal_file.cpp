#include "platform/journal_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <unordered_map>

#include "platform/transfer_retry.h"
#include "platform/user_folders.h"

namespace tunvex {
namespace {

constexpr char kJournalMagic[] = "tunvex-journal";
constexpr char kJournalVersion[] = "1";

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

// Reads one record into journal; false when it is malformed.
bool ReadRecord(const std::vector<std::string>& fields, Journal& journal,
                std::unordered_map<std::size_t, std::size_t>& byId) {
    const std::string& kind = fields[0];
    std::size_t id = 0;
    JournaledFile* file = nullptr;
    if (fields.size() >= 2 && kind != "folder" && kind != "sourcefolder" &&
        ParseNumber(fields[1], id)) {
        auto found = byId.find(id);
        if (found != byId.end())
            file = &journal.files[found->second];
    }
    if (kind == "folder" && fields.size() == 2) {
        journal.folders.push_back(fields[1]);
    } else if (kind == "sourcefolder" && fields.size() == 3) {
        std::int64_t seconds = 0, nanoseconds = 0;
        if (!ParseTime(fields[2], seconds, nanoseconds))
            return false;
        journal.sourceFolders.push_back({fields[1], {seconds, nanoseconds}});
    } else if (kind == "file" && fields.size() == 6 && file == nullptr) {
        JournaledFile added;
        added.id = id;
        added.source = fields[2];
        added.requested = fields[4];
        if (!ParseIdentity(fields[3], added.sourceIdentity) ||
            !ParseIdentity(fields[5], added.staged))
            return false;
        byId.emplace(id, journal.files.size());
        journal.files.push_back(std::move(added));
    } else if (kind == "staged" && fields.size() == 3 && file != nullptr) {
        if (!ParseIdentity(fields[2], file->staged))
            return false;
    } else if (kind == "link" && fields.size() == 3 && file != nullptr) {
        file->sourceIsLink = true;
        file->linkText = fields[2];
    } else if (kind == "trashed" && fields.size() == 4 && file != nullptr) {
        // A file that appeared at the destination while it was claimed may follow the first
        // one into the trash: the first is the one to bring back.
        if (!file->trashedPath.empty())
            return true;
        file->replaced = fields[2];
        file->trashedPath = fields[3];
    } else if (kind == "placed" && fields.size() == 4 && file != nullptr) {
        if (!ParseIdentity(fields[3], file->placedIdentity))
            return false;
        file->placed = true;
        file->destination = fields[2].empty() ? file->requested : fields[2];
    } else if (kind == "end" && fields.size() == 1) {
        journal.ended = true;
    } else if (kind == "undone" && fields.size() == 1) {
        journal.undone = true;
    } else if (kind == "undone" && fields.size() == 2 && file != nullptr) {
        file->undone = true;
    } else {
        return false;
    }
    return true;
}

bool ReadHeader(const std::vector<std::string>& fields, Journal& journal) {
    if (fields.size() != 4 || fields[0] != kJournalMagic || fields[1] != kJournalVersion)
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

}  // namespace

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

bool IsRecordedFile(const RecordedIdentity& recorded, const struct stat& info) {
    return LooksLikeRecordedFile(recorded, info) && RecordIdentity(info).inode == recorded.inode;
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

bool ReadJournal(int fd, Journal& journal, std::string& error) {
    std::string text;
    char buffer[1 << 16];
    ssize_t got;
    while ((got = RetryOnInterrupt([&] { return read(fd, buffer, sizeof buffer); })) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    if (got < 0) {
        error = std::strerror(errno);
        return false;
    }
    journal = Journal();
    std::unordered_map<std::size_t, std::size_t> byId;
    std::size_t start = 0;
    for (std::size_t lineNumber = 1;; ++lineNumber) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;
        std::vector<std::string> fields =
            SplitFields(std::string_view(text).substr(start, end - start));
        if (lineNumber == 1 ? !ReadHeader(fields, journal) : !ReadRecord(fields, journal, byId))
            break;
        start = end + 1;
    }
    if (start == 0) {
        error = "not a tunvex journal";
        return false;
    }
    journal.length = start;
    return true;
}

bool ReadJournal(const std::string& path, Journal& journal, std::string& error) {
    int fd = RetryOnInterrupt([&] { return open(path.c_str(), O_RDONLY | O_CLOEXEC); });
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool read = ReadJournal(fd, journal, error);
    close(fd);
    return read;
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
