// Atomic renames that never clobber a file that appeared in between.
#pragma once

#include <string>

namespace tunvex {

// Renames from to to unless to exists (EEXIST then; both untouched). Uses
// renameat2(RENAME_NOREPLACE) and falls back to MoveByLink where the file system or kernel
// lacks it. 0 or errno; EXDEV across file systems.
int RenameNoReplace(const std::string& from, const std::string& to);

// link + unlink: the no-replace rename of file systems without RENAME_NOREPLACE. Where hard
// links are unsupported too, a rename after checking that to is free (a narrow race, only
// there). On failure both names are as before. 0 or errno.
int MoveByLink(const std::string& from, const std::string& to);

// Plain rename(2), replacing to atomically. 0 or errno.
int RenameReplacing(const std::string& from, const std::string& to);

}  // namespace tunvex
