// Which source folders a move may remove once it has emptied them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/transfer/transfer.h"

namespace tunvex {

// The folders from each source's own up to the dropped folder it was found in (roots, by
// position; empty for a file dropped itself, whose folder always stays), deepest first, each
// with that root. Never a dropped folder's parent, nor one of keep (known by identity, not by
// spelling).
std::vector<FolderToRemove> SourceFoldersToRemove(const PathColumn& sources,
                                                  const std::vector<std::string_view>& roots,
                                                  const std::vector<std::string>& keep);

// What a move never removes, however empty it leaves them: the home folder and the user folders
// in it, the base folder and every folder above it.
std::vector<std::string> FoldersNeverRemoved(const std::string& baseFolder);

}  // namespace tunvex
