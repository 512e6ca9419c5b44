#pragma once

#include <optional>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// The tags of a Matroska or WebM file: the SimpleTags TITLE, ARTIST, ALBUM and PART_NUMBER, and
// the segment's title. Nothing when the file is neither.
std::optional<FieldTexts> ReadMatroskaTags(const OpenedFile& file);

}  // namespace mp3infp
