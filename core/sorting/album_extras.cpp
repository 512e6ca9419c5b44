#include "core/sorting/album_extras.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>

#include "core/files/folders.h"
#include "core/files/temporaries.h"
#include "core/sorting/destination_rows.h"
#include "core/sorting/file_identity.h"

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

std::optional<Identity> IdentityOf(const std::string& path) {
    struct stat info;
    if (stat(path.empty() ? "." : path.c_str(), &info) != 0)
        return std::nullopt;
    return Identity{info.st_dev, info.st_ino};
}

// Where a source folder's files go: one folder, or (empty) several places or none.
struct SourceFolder {
    std::string prefix;
    std::string destination;
    std::vector<std::size_t> tracks;  // positions in the request
};

// The album extras of a folder, and whether a music file there is not in this run.
struct FolderExtras {
    std::vector<std::string> names;
    bool musicLeftBehind = false;
};

// The regular files directly in the folder that match patterns and are not music: read means
// the drop read the file (music, when in music), else isMusic asks, only while it matters.
FolderExtras ExtrasOf(const std::string& prefix, std::string_view patterns, const Identities& music,
                      const Identities& read,
                      const std::function<bool(const std::string&)>& isMusic) {
    FolderExtras extras;
    DIR* listing = opendir(prefix.empty() ? "." : prefix.c_str());
    if (listing == nullptr)
        return extras;
    while (const struct dirent* entry = readdir(listing)) {
        std::string_view name = entry->d_name;
        struct stat info;
        if (name == "." || name == ".." || IsTemporaryName(name) ||
            fstatat(dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        const Identity id{info.st_dev, info.st_ino};
        if (music.contains(id))
            continue;
        const bool matches = MatchesExtraPatterns(name, patterns);
        if (!read.contains(id) && (matches || !extras.musicLeftBehind) &&
            isMusic(prefix + std::string(name))) {
            extras.musicLeftBehind = true;
            continue;
        }
        if (matches)
            extras.names.emplace_back(name);
    }
    closedir(listing);
    std::sort(extras.names.begin(), extras.names.end());
    return extras;
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

void AddAlbumExtras(SortBatchPlan& plan, std::string_view patterns,
                    const std::function<bool(const std::string&)>& isMusic) {
    TransferRequest& request = plan.request;
    std::vector<SourceFolder> folders;
    std::unordered_map<Identity, std::size_t, IdentityHash> byIdentity;
    Identities music, read;
    auto note = [&](const std::string& path, const std::string& destination) -> SourceFolder* {
        std::string prefix = FolderPrefix(path);
        std::optional<Identity> folder = IdentityOf(prefix);
        if (!folder)
            return nullptr;
        auto [found, added] = byIdentity.emplace(*folder, folders.size());
        if (added)
            folders.push_back({std::move(prefix), destination, {}});
        else if (folders[found->second].destination != destination)
            folders[found->second].destination.clear();
        return &folders[found->second];
    };
    for (std::size_t i = 0; i < request.sources.size(); ++i) {
        const SourceState& state = request.sourceStates[i];
        music.insert({state.device, state.inode});
        read.insert({state.device, state.inode});
        if (SourceFolder* folder = note(request.sources[i], ParentFolder(request.destinations[i])))
            folder->tracks.push_back(i);
    }
    // A music file that stays keeps its folder's extras with it.
    std::vector<std::optional<Identity>> notSortedIds;
    for (const NotSorted& file : plan.notSorted) {
        notSortedIds.push_back(IdentityOf(file.path));
        if (!notSortedIds.back())
            continue;
        read.insert(*notSortedIds.back());
        if (file.failed) {
            music.insert(*notSortedIds.back());
            note(file.path, {});
        }
    }
    DestinationRows destinations(0, RowKeys(&request.destinations), RowKeys(&request.destinations));
    for (std::size_t row = 0; row < request.destinations.size(); ++row)
        destinations.insert(static_cast<std::uint32_t>(row));
    Identities carried;
    for (const SourceFolder& folder : folders) {
        const FolderExtras extras = ExtrasOf(folder.prefix, patterns, music, read, isMusic);
        for (const std::string& name : extras.names) {
            std::string path = folder.prefix + name;
            std::string destination = folder.destination + "/" + name;
            if (folder.destination.empty() || extras.musicLeftBehind) {
                plan.extrasKept.push_back({path, ExtraKeptBecause::TracksGoToSeveralFolders});
            } else if (destinations.contains(SplitAtLastSlash(destination))) {
                plan.extrasKept.push_back({path, ExtraKeptBecause::NameTakenAtDestination});
            } else {
                SourceState state = TakeSnapshot(path);
                carried.insert({state.device, state.inode});
                request.placedFirst.emplace(request.sources.size(), folder.tracks);
                request.sources.push_back(path);
                request.destinations.push_back(destination);
                destinations.insert(static_cast<std::uint32_t>(request.destinations.size() - 1));
                request.sourceStates.push_back(state);
            }
        }
    }
    std::size_t index = 0;
    std::erase_if(plan.notSorted, [&](const NotSorted&) {
        const std::optional<Identity>& id = notSortedIds[index++];
        return id && carried.contains(*id);
    });
}

}  // namespace tunvex
