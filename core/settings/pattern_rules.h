// The rules a user pattern must keep before the settings dialog stores it.
#pragma once

#include <string_view>

#include "core/base/text.h"

namespace tunvex {

// No character of "/:,;*\"<>|", no dot at either end or before a backslash (a backslash makes
// a folder level), and no question mark but those of the placeholders ?A ?a ?T ?t.
bool IsValidFolderPattern(CodePage codePage, std::string_view pattern);
// No character of "/:,;*\\\"<>|" and no question mark but those of the placeholders.
bool IsValidFilePattern(CodePage codePage, std::string_view pattern);

}  // namespace tunvex
