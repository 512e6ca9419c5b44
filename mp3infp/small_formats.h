#pragma once

#include <optional>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// The tags of formats the own readers read from a few fixed places. Each gives nothing when the
// file is not of its kind, and leaves ID3 tags to the caller.

// OptimFROG (.ofr) and OptimFROG DualStream (.ofs): the APE tag at the end.
std::optional<FieldTexts> ReadOptimFrogTags(const OpenedFile& file);

// SNES SPC700 sound files: the APE tag at the end, then the ID666 tag of the header (song title,
// game title as the album, artist).
std::optional<FieldTexts> ReadSpcTags(const OpenedFile& file);

// TwinVQ (.vqf): the text chunks NAME, AUTH, ALBM and TRCK of the header.
std::optional<FieldTexts> ReadTwinVqTags(const OpenedFile& file);

}  // namespace mp3infp
