#pragma once

#include <optional>
#include <string>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

// ID3v1, ID3v2 and APE tags of an MPEG file; nothing when it has neither a tag nor a valid frame.
std::optional<TagBlocks> ReadMpegTags(OpenedFile& file);

// INFO list of a RIFF "RMP3" file, and an ID3v1 block at the end of its MPEG data.
std::optional<TagBlocks> ReadRiffMp3Tags(OpenedFile& file);

}  // namespace mp3infp
