#pragma once

#include <optional>
#include <string>

#include "opened_file.h"

namespace mp3infp {

// When an Ogg file multiplexes several logical streams: the first one alone, as Ogg
// pages from its start up to its header packets. Nothing for a file of one stream.
std::optional<std::string> FirstOfMultiplexedOgg(const OpenedFile& file);

}  // namespace mp3infp
