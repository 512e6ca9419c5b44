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
// At least one pattern, and none that reads as several run together with spaces or commas
// ("*.jpg *.png"): a name such as "cover *.jpg" is one pattern.
bool AreValidExtraPatterns(CodePage codePage, std::string_view patterns);
// A line break, which the INI file cannot hold.
bool HasLineBreak(std::string_view text);

}  // namespace tunvex
