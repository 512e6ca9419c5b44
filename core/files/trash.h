// The freedesktop.org home trash: files/NAME beside info/NAME.trashinfo.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>

namespace tunvex {

// $XDG_DATA_HOME/Trash, or $HOME/.local/share/Trash when XDG_DATA_HOME is unset or relative;
// empty when neither can be found.
std::string TrashFolder();

// Moves the file at path (a link as the link) into the trash under a name no other entry has (a
// long one shortened to leave room for ".trashinfo"), with a .trashinfo that records where it
// came from, whole, and when. From another file system the entry is copied in and then removed.
// 0 or errno; on failure the file stays where it was and the trash gets no entry. trashedPath,
// when given, gets where the file now is. beforeMove, when given, learns that place once it is
// reserved and before the file goes there, so that it can be written down first. expected, when
// given, is the file as it was checked: another file found at path by the move (a new version
// saved over it since) goes back there and the answer is ESTALE (MoveCheckedNoReplace).
int MoveToTrash(const std::string& path, std::string* trashedPath = nullptr,
                const std::function<void(const std::string&)>& beforeMove = {},
                const struct stat* expected = nullptr);

// The .trashinfo of the entry at trashedPath (Trash/files/NAME).
std::string TrashInfoPath(const std::string& trashedPath);

// Puts the entry at trashedPath back at destination unless something is there (EEXIST), and
// drops its .trashinfo. 0 or errno; on failure the entry stays in the trash.
int RestoreFromTrash(const std::string& trashedPath, const std::string& destination);

}  // namespace tunvex
