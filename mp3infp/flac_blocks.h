#pragma once

#include <optional>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// The Vorbis comment of a native FLAC file whose metadata blocks run past the end of the file, as
// a download cut short leaves them: the comment when its block is whole. Nothing when the
// metadata is whole, or when the file is no FLAC or is cut before its STREAMINFO block ends.
std::optional<FieldTexts> ReadCutFlacTags(const OpenedFile& file);

}  // namespace mp3infp
