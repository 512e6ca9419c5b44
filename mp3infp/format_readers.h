#pragma once

#include <optional>
#include <string>

#include "file_kind.h"
#include "tag_fields.h"

namespace mp3infp {

// Reads the tag blocks of file as kind, without decoding audio properties. Nothing when the file
// is not valid as that kind.
std::optional<ReadResult> ReadFileTags(FileKind kind, OpenedFile& file);

}  // namespace mp3infp
