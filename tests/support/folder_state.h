// What a folder tree holds, to compare before and after a run or an undo.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tunvex::testing {

// An entry's mode and modification time, links not followed.
inline std::string ModeAndTime(const std::string& path) {
    struct stat info = {};
    lstat(path.c_str(), &info);
    return " mode " + std::to_string(info.st_mode) + " modified " +
           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

// Every entry under root, links not followed: bytes, mode and time; folders' too with folderTimes.
inline std::map<std::string, std::string> Snapshot(const std::string& root,
                                                   bool folderTimes = false) {
    std::map<std::string, std::string> entries;
    if (folderTimes)
        entries["./"] = ModeAndTime(root);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string name = entry.path().lexically_relative(root);
        if (!entry.is_directory() || entry.is_symlink())
            entries[name] = ReadFile(entry.path()) + ModeAndTime(entry.path());
        else
            entries[name + "/"] = folderTimes ? ModeAndTime(entry.path()) : "";
    }
    return entries;
}

// The relative paths of Snapshot, in order.
inline std::vector<std::string> Entries(const std::string& root) {
    std::vector<std::string> names;
    for (const auto& [name, state] : Snapshot(root))
        names.push_back(name);
    return names;
}

}  // namespace tunvex::testing
