#pragma once

#include <optional>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// The values of an ASF header. Each value is taken from the first object that holds it, in the
// order Content Description, Extended Content Description, Metadata, Metadata Library: the file
// order of the objects does not count. Nothing when the file is no ASF or its header lacks the
// file or the stream properties. Read without TagLib, whose attribute lists grow in quadratic
// time.
std::optional<FieldTexts> ReadAsfTags(const OpenedFile& file);

}  // namespace mp3infp
