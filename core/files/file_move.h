// Moving one entry to a name that must be free, across file systems too.
#pragma once

#include <sys/stat.h>

#include <string>

namespace tunvex {

// Moves the entry at path (a link as the link) to target unless target exists (EEXIST then).
// Across file systems the entry is copied into target's folder, made durable, renamed to target
// and only then removed at path. 0 or errno; on failure the entry is still at path.
int MoveNoReplace(const std::string& path, const std::string& target);

// MoveNoReplace of the file that was checked as expected (lstat): when what reached target is
// another file (an editor saved a new version over path after the check), it goes back to path,
// replacing nothing, and the answer is ESTALE (or why it could not go back: it is then at target).
int MoveCheckedNoReplace(const std::string& path, const std::string& target,
                         const struct stat& expected);

// The text of the link at path. 0 or errno.
int ReadLinkText(const std::string& path, std::string& text);

}  // namespace tunvex
