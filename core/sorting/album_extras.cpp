#include "core/sorting/album_extras.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "core/files/file_copy.h"
#include "core/files/folders.h"

namespace tunvex {
namespace {

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Backtracks to the last '*' only: linear enough for a file name.
bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    std::size_t n = 0, p = 0;
    std::size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = ++p;
            resumeAt = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            for (++n; n < name.size() && IsContinuationByte(name[n]); ++n) {
            }
        } else if (p < pattern.size() && Lower(pattern[p]) == Lower(name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// What the folder of the request's files is: "" for the working folder, else with its slash.
std::string FolderPrefix(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

// Where a source folder's files go: one folder, or (empty) several places.
struct SourceFolder {
    std::string prefix;
    std::string destination;
};

// The regular files of the folder that match, by name.
std::vector<std::string> MatchingFiles(const std::string& prefix, std::string_view patterns) {
    std::vector<std::string> names;
    DIR* listing = opendir(prefix.empty() ? "." : prefix.c_str());
    if (listing == nullptr)
        return names;
    while (const struct dirent* entry = readdir(listing)) {
        std::string_view name = entry->d_name;
        struct stat info;
        if (name == "." || name == ".." || IsTemporaryName(name) ||
            !MatchesExtraPatterns(name, patterns) ||
            fstatat(dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        names.emplace_back(name);
    }
    closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

bool MatchesExtraPatterns(std::string_view name, std::string_view patterns) {
    while (!patterns.empty()) {
        std::size_t end = std::min(patterns.find(';'), patterns.size());
        std::string_view pattern = patterns.substr(0, end);
        while (!pattern.empty() && pattern.front() == ' ')
            pattern.remove_prefix(1);
        if (!pattern.empty() && MatchesWildcard(name, pattern))
            return true;
        patterns.remove_prefix(std::min(end + 1, patterns.size()));
    }
    return false;
}

void AddAlbumExtras(SortBatchPlan& plan, std::string_view patterns) {
    TransferRequest& request = plan.request;
    std::vector<SourceFolder> folders;
    std::unordered_map<std::string, std::size_t> byPrefix;
    std::unordered_set<std::string> music(request.sources.begin(), request.sources.end());
    auto note = [&](const std::string& path, const std::string& destination) {
        auto [found, added] = byPrefix.emplace(FolderPrefix(path), folders.size());
        if (added)
            folders.push_back({found->first, destination});
        else if (folders[found->second].destination != destination)
            folders[found->second].destination.clear();
    };
    for (std::size_t i = 0; i < request.sources.size(); ++i)
        note(request.sources[i], ParentFolder(request.destinations[i]));
    // A music file that stays keeps its folder's extras with it.
    for (const NotSorted& file : plan.notSorted) {
        if (file.failed) {
            music.insert(file.path);
            note(file.path, {});
        }
    }
    std::unordered_set<std::string> destinations(request.destinations.begin(),
                                                 request.destinations.end());
    std::unordered_set<std::string> carried;
    for (const SourceFolder& folder : folders) {
        for (const std::string& name : MatchingFiles(folder.prefix, patterns)) {
            std::string path = folder.prefix + name;
            if (music.contains(path))
                continue;
            std::string destination = folder.destination + "/" + name;
            if (folder.destination.empty()) {
                plan.extrasKept.push_back({path, ExtraKeptBecause::TracksGoToSeveralFolders});
            } else if (!destinations.insert(destination).second) {
                plan.extrasKept.push_back({path, ExtraKeptBecause::NameTakenAtDestination});
            } else {
                request.sources.push_back(path);
                request.destinations.push_back(std::move(destination));
                request.sourceStates.push_back(TakeSnapshot(path));
                carried.insert(std::move(path));
            }
        }
    }
    std::erase_if(plan.notSorted,
                  [&](const NotSorted& file) { return carried.contains(file.path); });
}

}  // namespace tunvex
