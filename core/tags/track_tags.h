#pragma once

#include <string>

namespace tunvex {

// The four texts that name one file in its destination path, and what keeps an album together.
struct TrackTags {
    std::string title;
    std::string artist;
    std::string album;
    std::string track;
    std::string albumArtist = {};  // cleaned as the others; empty when the tags have none
    bool compilation = false;      // the tags mark the file as part of a compilation
};

}  // namespace tunvex
