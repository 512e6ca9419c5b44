#pragma once

#include <optional>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// The APE tag (version 1000 or 2000) that closes file, alone or before an ID3v1 block; nothing
// when there is none. Read here rather than by TagLib, which drops every text item that is not
// valid UTF-8: item texts go through the legacy-text rules of ID3v2 Latin-1 frames, so UTF-8
// reads as UTF-8, Shift-JIS as Japanese and any other code page at least keeps its bytes.
std::optional<FieldTexts> ReadApeTag(const OpenedFile& file);

}  // namespace mp3infp
