#pragma once

#include <optional>
#include <string>

namespace mp3infp {

// When the Ogg file at path multiplexes several logical streams: the first one alone, as Ogg
// pages from its start up to its header packets. Nothing for a file of one stream.
std::optional<std::string> FirstOfMultiplexedOgg(const std::string& path);

}  // namespace mp3infp
