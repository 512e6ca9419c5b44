#include "core/transfer/journal_glance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

#include "core/base/owned_fd.h"
#include "core/base/retry.h"

namespace tunvex {
namespace {

// No end record or undo mark comes near.
constexpr std::size_t kLongestTailLine = 1 << 12;

// The last whole line, without its break; one cut short by a crash after it is passed over.
bool ReadLastLine(int fd, std::uint64_t size, std::string& line) {
    std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(size, kLongestTailLine));
    std::string bytes(tail, '\0');
    ssize_t got = RetryOnInterrupt(
        [&] { return pread(fd, bytes.data(), tail, static_cast<off_t>(size - tail)); });
    if (got != static_cast<ssize_t>(tail))
        return false;
    std::size_t end = bytes.rfind('\n');
    if (end == std::string::npos || end == 0)
        return false;
    std::size_t start = bytes.rfind('\n', end - 1);
    if (start == std::string::npos)
        return false;
    line = bytes.substr(start + 1, end - start - 1);
    return true;
}

// From the journal's last line: whether the run is undone (an undo's last mark), and, when no
// undo has marked any of its files yet, the count of files its end record gives. False when the
// count is not known so: the run was cut short or undone, or its journal is an older one.
bool ReadEnd(int fd, std::uint64_t size, JournalGlance& glance) {
    std::string line;
    if (!ReadLastLine(fd, size, line))
        return false;
    std::vector<std::string> fields = SplitFields(line);
    if (fields[0] == "undone" && fields.size() == 1) {
        glance.undone = true;
        return false;
    }
    if (fields[0] != "end" || fields.size() != 2)
        return false;
    auto [end, error] =
        std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), glance.files);
    glance.ended = error == std::errc() && end == fields[1].data() + fields[1].size();
    return glance.ended;
}

}  // namespace

bool GlanceAtJournal(const std::string& path, JournalGlance& glance, FailureReason& error,
                     bool countFiles) {
    glance = JournalGlance();
    glance.path = path;
    OwnedFd fd(OpenJournal(path, false, error));
    if (fd.get() < 0)
        return false;
    Journal journal;
    std::string header;
    struct stat info;
    if (!ReadLineAt(fd.get(), 0, header) || !ReadHeader(SplitFields(header), journal) ||
        fstat(fd.get(), &info) != 0) {
        error = {FailureKind::NotAJournal};
        return false;
    }
    glance.operation = journal.operation;
    glance.started = journal.started;
    if (ReadEnd(fd.get(), static_cast<std::uint64_t>(info.st_size), glance) || !countFiles)
        return true;
    if (lseek(fd.get(), 0, SEEK_SET) != 0 || !ReadJournal(fd.get(), journal, error))
        return false;
    glance.ended = journal.ended;
    glance.undone = journal.undone;
    glance.files = FilesOfRun(journal);
    glance.filesUndone = static_cast<std::uint64_t>(
        std::count_if(journal.files.begin(), journal.files.end(),
                      [](const JournalEntry& file) { return file.undone; }));
    return true;
}

std::vector<JournalGlance> RunsToUndo(const std::string& folder, std::size_t most,
                                      bool countFiles) {
    std::vector<JournalGlance> runs;
    std::vector<std::string> journals = ListJournals(folder);
    for (auto path = journals.rbegin(); path != journals.rend() && runs.size() < most; ++path) {
        JournalGlance glance;
        FailureReason error;
        if (GlanceAtJournal(*path, glance, error, countFiles) && !glance.undone)
            runs.push_back(std::move(glance));
    }
    return runs;
}

}  // namespace tunvex
