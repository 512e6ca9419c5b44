#pragma once

#include <optional>
#include <string_view>

namespace mp3infp {

// Length in bytes of the MPEG audio frame whose header starts bytes, 0 for a free-format frame;
// nothing when the first four bytes are not a valid header.
std::optional<size_t> MpegFrameLength(std::string_view bytes);

// Whether bytes begin with an MPEG audio frame that is followed by another frame, by a tag or by
// the end of bytes.
bool StartsWithMpegAudio(std::string_view bytes);

}  // namespace mp3infp
