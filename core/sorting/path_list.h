#pragma once

#include <string>
#include <vector>

namespace tunvex {

// Paths in the order they were found, appended at the end and walked from first to last.
using PathList = std::vector<std::string>;

inline void AppendPathList(PathList& list, PathList&& more) {
    list.insert(list.end(), std::make_move_iterator(more.begin()),
                std::make_move_iterator(more.end()));
}

}  // namespace tunvex
