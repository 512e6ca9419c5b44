// Where one file goes: the base folder, a folder part and a file part chosen by the naming modes
// and patterns of the settings, built from the file's cleaned tags.
#pragma once

#include <string>

#include "core/base/text.h"
#include "core/settings/settings.h"
#include "core/tags/track_tags.h"

namespace tunvex {

// Replaces "?A", "?a", "?T" and "?t" by artist, album, title and track, in this order.
std::string ExpandNamingPattern(CodePage codePage, const std::string& pattern,
                                const TrackTags& tags);

// The source's extension, dot included, or empty.
std::string GetSourceExtension(CodePage codePage, const std::string& sourcePath);

// The artist the folder part names: with UseAlbumArtist 1 the album artist when the tags give
// one, else CompilationArtist for a compilation, else (and without the setting) the artist.
std::string FolderArtist(const Settings& settings, CodePage codePage, const TrackTags& tags);

// Fills destination (given empty). The file part names the track's own artist. Every name is cut to
// what the file system takes (a file name leaves room for a collision's " (N)"). False when the
// whole destination would not fit in kMaxPath: it is then no place to put the file, never one cut
// short.
bool BuildDestinationPath(const Settings& settings, CodePage codePage, std::string& destination,
                          const std::string& sourcePath, const TrackTags& tags);

}  // namespace tunvex
