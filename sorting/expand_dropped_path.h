#pragma once

#include <string>

#include "sorting/path_list.h"

namespace tunvex {

// A folder gives every file beneath it, depth first in the order the folder lists them, hidden
// ones included; folders themselves are never entries. Anything that is not a folder (a file, a
// path that does not exist) is its own entry. Links to folders are followed, but no folder is
// entered twice (a link cycle ends, and links that meet again cannot multiply the entries), and
// a folder that cannot be read gives nothing.
PathList ExpandDroppedPath(const std::string& path);

}  // namespace tunvex
