#include "core/transfer/emptied_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <optional>

#include "core/files/folders.h"
#include "core/files/no_link_path.h"

namespace tunvex {
namespace {

// The path from the root with "." and empty components dropped, as the journal must name it;
// nullopt when it holds "..", which only a walk through the links could resolve.
std::optional<std::string> PlainAbsolute(const std::string& path) {
    std::string joined = path;
    if (!path.starts_with('/')) {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd) == nullptr)
            return std::nullopt;
        joined = std::string(cwd) + "/" + path;
    }
    std::string plain;
    std::size_t start = 0;
    while (start < joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos)
            end = joined.size();
        std::string_view part(joined.data() + start, end - start);
        if (part == "..")
            return std::nullopt;
        if (!part.empty() && part != ".")
            (plain += '/') += part;
        start = end + 1;
    }
    return plain.empty() ? std::nullopt : std::optional(plain);
}

bool IsPlacedOutcome(FileOutcome outcome) {
    return outcome == FileOutcome::Transferred || outcome == FileOutcome::Renamed ||
           outcome == FileOutcome::Replaced;
}

}  // namespace

void MovedFromFolders::OnFileDone(const FileReport& report) {
    if (IsPlacedOutcome(report.outcome))
        folders_.insert(ParentFolder(report.source));
    delegate_.OnFileDone(report);
}

std::size_t RemoveEmptiedFolders(const std::vector<std::string>& candidates,
                                 const std::unordered_set<std::string>& movedFrom,
                                 TransferJournal& journal) {
    std::unordered_set<std::string> emptiedFrom;
    FolderPins pins;
    std::size_t removed = 0;
    for (const std::string& folder : candidates) {
        if (!movedFrom.contains(folder) && !emptiedFrom.contains(folder))
            continue;
        std::optional<std::string> absolute = PlainAbsolute(folder);
        PinnedEntry pinned;
        struct stat info;
        if (!absolute || pins.Pin(*absolute, pinned) != 0 ||
            fstatat(pinned.folder.get(), pinned.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISDIR(info.st_mode) ||
            unlinkat(pinned.folder.get(), pinned.name.c_str(), AT_REMOVEDIR) != 0)
            continue;
        journal.FolderRemoved(*absolute, info);
        emptiedFrom.insert(ParentFolder(folder));
        ++removed;
    }
    journal.Sync();
    return removed;
}

}  // namespace tunvex
