#pragma once

#include <optional>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// The ID3v2 tag of a DSF file, at the offset its header points to; nothing when the file is no
// DSF.
std::optional<FieldTexts> ReadDsfTags(const OpenedFile& file);

// The "ID3 " chunk of a DSDIFF file; nothing when the file is no DSDIFF.
std::optional<FieldTexts> ReadDsdiffTags(const OpenedFile& file);

}  // namespace mp3infp
