// Which source folders a move may remove once it has emptied them.
#pragma once

#include <string>
#include <vector>

namespace tunvex {

// The folders from each source's own up to the dropped folder it was found in (roots, by
// position; empty for a file dropped itself, whose folder always stays), deepest first. Never a
// dropped folder's parent.
std::vector<std::string> SourceFoldersToRemove(const std::vector<std::string>& sources,
                                               const std::vector<std::string>& roots);

}  // namespace tunvex
