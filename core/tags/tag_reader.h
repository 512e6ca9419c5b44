// Title, artist, album and track of one file, from the preferred tag block, cleaned to stand as
// path components.
#pragma once

#include <string>

#include "core/base/text.h"
#include "core/tags/tag_library.h"
#include "core/tags/track_tags.h"

namespace tunvex {

// True when the library accepted the file; tags (given empty) are then complete: none empty,
// none holding a path-unsafe character, a track never one byte long. False leaves tags as given.
bool ReadTrackTags(const TagLibrary& library, int tagMode, CodePage codePage,
                   const std::string& path, TrackTags& tags);

// Replaces the ten path-unsafe characters by underscores, trims white space at both ends and
// half a character at the end, then replaces the control characters left inside by underscores.
void SanitizeTagText(CodePage codePage, std::string& text);

}  // namespace tunvex
