#pragma once

#include <optional>
#include <string>

#include "file_kind.h"
#include "tag_fields.h"

namespace mp3infp {

// Opens the file at path as kind and reads its tag blocks, without decoding audio properties.
// Nothing when the file is not valid as that kind.
std::optional<ReadResult> ReadFileTags(FileKind kind, const std::string& path);

}  // namespace mp3infp
