#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "opened_file.h"
#include "tag_fields.h"

namespace mp3infp {

struct RiffContents {
    std::string formType;
    std::optional<FieldTexts> info;   // the LIST/INFO chunk, when there is one
    std::optional<FieldTexts> id3v1;  // closing the file, or else the data chunk
    std::optional<FieldTexts> id3v2;  // an "id3 " chunk
    FieldTexts aiffTexts;             // the NAME and AUTH chunks of an AIFF file
    bool dataStartsWithMpeg = false;
};

// Walks the chunks of a RIFF file. Chunk sizes are trusted only as far as the file
// goes. Nothing when the file is not RIFF.
std::optional<RiffContents> ReadRiffChunks(const OpenedFile& file);

// The same for the big-endian chunks of an AIFF file ("FORM").
std::optional<RiffContents> ReadAiffChunks(const OpenedFile& file);

}  // namespace mp3infp
