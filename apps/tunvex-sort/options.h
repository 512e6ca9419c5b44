// The command line of tunvex-sort.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tunvex {

constexpr int kExitAllDone = 0;
constexpr int kExitNotAllDone = 1;
constexpr int kExitUsage = 2;

struct SortOptions {
    std::optional<std::string> settingsPath;
    std::vector<std::pair<std::string, std::string>> overrides;  // KEY, VALUE in given order
    bool dryRun = false;
    bool preview = false;
    bool yes = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
    bool undo = false;
    bool listRuns = false;
    std::vector<std::string> paths;  // with undo, the journal if one is named
};

// False with error set for a usage error.
bool ParseSortOptions(const std::vector<std::string>& arguments, SortOptions& options,
                      std::string& error);

extern const char kSortUsage[];

}  // namespace tunvex
