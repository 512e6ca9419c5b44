#pragma once

#include <string>
#include <vector>

#include "core/base/path_column.h"

namespace tunvex {

struct UnreadableFolder {
    std::string path;
    int error;  // errno
};

// A folder gives every file beneath it, depth first in the order the folder lists them, hidden
// ones included; folders themselves are never entries. Anything that is not a folder (a file, a
// path that does not exist) is its own entry. Links to folders are followed, but no folder is
// entered twice (a link cycle ends, and links that meet again cannot multiply the entries), and
// a folder that cannot be read gives nothing (it is added to unreadable when that is given).
PathColumn ExpandDroppedPath(const std::string& path,
                             std::vector<UnreadableFolder>* unreadable = nullptr);

}  // namespace tunvex
