#pragma once

#include <optional>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// The iTunes-style tag items of an MP4 file whose movie atom runs past the end of the file, as a
// download cut short leaves it: the items that are whole. Nothing when the movie atom is whole
// or missing.
std::optional<FieldTexts> ReadCutMp4Tags(const OpenedFile& file);

}  // namespace mp3infp
