#include "core/system/profile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

#include "core/base/paths.h"
#include "core/base/text.h"

namespace tunvex {
namespace {

// How long a settings pipe may stay silent before the load gives up on it.
constexpr int kPipeWaitMilliseconds = 5000;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// CR, LF and CRLF each end a line, as editors on every system write them.
std::vector<ProfileLine> SplitLines(std::string_view content) {
    std::vector<ProfileLine> lines;
    while (!content.empty()) {
        std::size_t end = content.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            lines.push_back({std::string(content), ""});
            break;
        }
        std::size_t endingLength = content.substr(end, 2) == "\r\n" ? 2 : 1;
        lines.push_back(
            {std::string(content.substr(0, end)), std::string(content.substr(end, endingLength))});
        content.remove_prefix(end + endingLength);
    }
    return lines;
}

// The whole file, or nullopt when it is larger than the bound or cannot be read; a file that
// is not there reads as empty. A pipe gives what its writer sends at once (a process
// substitution); one that stays silent would hold the start-up forever, and fails instead.
std::optional<std::string> ReadBounded(const std::string& path) {
    std::string content;
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return content;
        return std::nullopt;
    }
    struct stat info;
    bool readable = fstat(fd, &info) == 0 && IsProfileFileType(info.st_mode);
    bool pipe = readable && S_ISFIFO(info.st_mode);
    char buffer[65536];
    while (readable) {
        pollfd ready{fd, POLLIN, 0};
        int polled = pipe ? poll(&ready, 1, kPipeWaitMilliseconds) : 1;
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            break;
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n == 0) {
            close(fd);
            return content;
        }
        if (n < 0 || content.size() + static_cast<std::size_t>(n) > kMaxProfileBytes)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return std::nullopt;
}

std::string Trimmed(std::string_view text) {
    std::string trimmed(text);
    // The names and the bytes trimmed here are ASCII; no trail byte is white space.
    TrimWhiteSpace(CodePage::SingleByte, trimmed);
    return trimmed;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::optional<std::string> SectionName(const std::string& line) {
    std::string trimmed = Trimmed(line);
    if (trimmed.size() < 2 || trimmed.front() != '[')
        return std::nullopt;
    std::size_t close = trimmed.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return Trimmed(std::string_view(trimmed).substr(1, close - 1));
}

// One pair of matching outer quotes is dropped, as Windows does; a value that would otherwise
// lose its outer spaces, or its own outer quotes, is written inside a pair.
bool IsQuoted(std::string_view value) {
    return value.size() >= 2 && value.front() == value.back() &&
           (value.front() == '"' || value.front() == '\'');
}

std::string Unquoted(const std::string& value) {
    return IsQuoted(value) ? value.substr(1, value.size() - 2) : value;
}

std::string Quoted(const std::string& value) {
    bool keep = !value.empty() && (IsWhiteSpaceByte(value.front()) ||
                                   IsWhiteSpaceByte(value.back()) || IsQuoted(value));
    return keep ? '"' + value + '"' : value;
}

bool IsKeyLine(const std::string& line, const std::string& key, std::string* value) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos || Trimmed(line.substr(0, equals)).empty())
        return false;
    if (!EqualsIgnoringCase(Trimmed(line.substr(0, equals)), key))
        return false;
    if (value)
        *value = ParseProfileString(line.substr(equals + 1));
    return true;
}

// Line indexes of the section: its header, and the end of its last non-blank line.
struct SectionSpan {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionSpan> FindSection(const std::vector<ProfileLine>& lines,
                                       const std::string& section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string> name = SectionName(lines[i].text);
        if (!name || !EqualsIgnoringCase(*name, section))
            continue;
        SectionSpan span{i, i + 1};
        for (std::size_t j = i + 1; j < lines.size() && !SectionName(lines[j].text); ++j) {
            if (!Trimmed(lines[j].text).empty())
                span.end = j + 1;
        }
        return span;
    }
    return std::nullopt;
}

std::optional<std::string> FindValue(const ProfileContent& profile, const std::string& section,
                                     const std::string& key) {
    std::optional<SectionSpan> span = FindSection(profile.lines, section);
    if (!span)
        return std::nullopt;
    for (std::size_t i = span->header + 1; i < span->end; ++i) {
        std::string value;
        if (IsKeyLine(profile.lines[i].text, key, &value))
            return value;
    }
    return std::nullopt;
}

bool HasWriteBit(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes content to a temporary file beside target and renames it over target.
bool ReplaceFileContent(const std::string& target, const std::string& content,
                        const struct stat& like) {
    std::string temporary = target + ".XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // Best effort: a save by another user (sudo) keeps the file its owner's; failing to is no
    // reason not to save.
    [[maybe_unused]] int ownerKept = fchown(fd, like.st_uid, like.st_gid);
    bool ok = fchmod(fd, like.st_mode & 07777) == 0;
    for (std::size_t written = 0; ok && written < content.size();) {
        ssize_t n = write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += static_cast<std::size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

// The file the path stands for: links are followed, also to a target that does not exist yet,
// so that a link survives the rename.
std::string ResolveTarget(const std::string& iniPath) {
    std::string target = iniPath;
    for (int depth = 0; depth < 40; ++depth) {
        char* resolved = realpath(target.c_str(), nullptr);
        if (resolved) {
            target = resolved;
            free(resolved);
            return target;
        }
        std::string link(kMaxPath, '\0');
        ssize_t length = readlink(target.c_str(), link.data(), link.size() - 1);
        if (length <= 0)
            return target;
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
    }
    return target;
}

struct stat NewFileInfo() {
    mode_t mask = umask(0);
    umask(mask);
    struct stat info = {};
    info.st_mode = 0666 & ~mask;
    info.st_uid = geteuid();
    info.st_gid = getegid();
    return info;
}

std::string LineEndingOf(const std::vector<ProfileLine>& lines) {
    return lines.empty() || lines.front().ending.empty() ? "\n" : lines.front().ending;
}

// Replaces the key's value in place, or adds it at the end of its section, or adds the section
// at the end of the file.
void SetEntry(std::vector<ProfileLine>& lines, const std::string& section,
              const ProfileEntry& entry) {
    std::string ending = LineEndingOf(lines);
    ProfileLine line{entry.key + "=" + Quoted(entry.value), ending};
    std::optional<SectionSpan> span = FindSection(lines, section);
    if (!span) {
        if (!lines.empty() && lines.back().ending.empty())
            lines.back().ending = ending;
        lines.push_back({"[" + section + "]", ending});
        lines.push_back(line);
        return;
    }
    for (std::size_t i = span->header + 1; i < span->end; ++i) {
        if (IsKeyLine(lines[i].text, entry.key, nullptr)) {
            lines[i].text = line.text;
            return;
        }
    }
    ProfileLine& last = lines[span->end - 1];
    if (last.ending.empty())
        last.ending = ending;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(span->end), line);
}

}  // namespace

bool IsProfileFileType(mode_t mode) {
    return S_ISREG(mode) || S_ISFIFO(mode);
}

std::optional<ProfileContent> ReadProfile(const std::string& iniPath) {
    std::optional<std::string> content = ReadBounded(iniPath);
    if (!content)
        return std::nullopt;
    ProfileContent profile;
    // Editors on Windows start UTF-8 files with a byte order mark; the names come after it.
    profile.byteOrderMark = content->starts_with(kByteOrderMark);
    profile.lines = SplitLines(
        std::string_view(*content).substr(profile.byteOrderMark ? kByteOrderMark.size() : 0));
    return profile;
}

std::string ReadProfileString(const ProfileContent& profile, const std::string& section,
                              const std::string& key, const std::string& defaultValue) {
    return FindValue(profile, section, key).value_or(defaultValue);
}

int ReadProfileInt(const ProfileContent& profile, const std::string& section,
                   const std::string& key, int defaultValue) {
    std::optional<std::string> value = FindValue(profile, section, key);
    return value ? ParseProfileInt(*value) : defaultValue;
}

int ParseProfileInt(const std::string& value) {
    long long number = std::strtoll(value.c_str(), nullptr, 10);
    if (number > INT_MAX)
        return INT_MAX;
    if (number < INT_MIN)
        return INT_MIN;
    return static_cast<int>(number);
}

std::string ParseProfileString(const std::string& value) {
    return Unquoted(Trimmed(value));
}

bool WriteProfileStrings(const std::string& iniPath, const std::string& section,
                         const std::vector<ProfileEntry>& entries) {
    for (const ProfileEntry& entry : entries) {
        if (entry.value.find_first_of("\r\n") != std::string::npos)
            return false;
    }
    std::string target = ResolveTarget(iniPath);
    struct stat folderInfo;
    if (stat(FolderOf(target).c_str(), &folderInfo) != 0 || !HasWriteBit(folderInfo.st_mode)) {
        return false;
    }
    struct stat fileInfo = NewFileInfo();
    bool exists = stat(target.c_str(), &fileInfo) == 0;
    if (exists && (!S_ISREG(fileInfo.st_mode) || !HasWriteBit(fileInfo.st_mode)))
        return false;
    if (exists && access(target.c_str(), R_OK) != 0)
        return false;  // its other entries cannot be kept

    std::optional<ProfileContent> profile = ReadProfile(target);
    if (!profile)
        return false;
    for (const ProfileEntry& entry : entries)
        SetEntry(profile->lines, section, entry);
    std::string content(profile->byteOrderMark ? kByteOrderMark : "");
    for (const ProfileLine& line : profile->lines)
        content += line.text + line.ending;
    // A file the next start would refuse to read is not written.
    if (content.size() > kMaxProfileBytes)
        return false;
    return ReplaceFileContent(target, content, fileInfo);
}

bool WriteProfileString(const std::string& iniPath, const std::string& section,
                        const std::string& key, const std::string& value) {
    return WriteProfileStrings(iniPath, section, {{key, value}});
}

}  // namespace tunvex
