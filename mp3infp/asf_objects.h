#pragma once

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// The values of an ASF header. Each value is taken from the first object that holds it, in the
// order Content Description, Extended Content Description, Metadata, Metadata Library: the file
// order of the objects does not count.
FieldTexts ReadAsfTags(const OpenedFile& file);

}  // namespace mp3infp
