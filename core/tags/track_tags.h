#pragma once

#include <string>

namespace tunvex {

// The four texts that name one file in its destination path.
struct TrackTags {
    std::string title;
    std::string artist;
    std::string album;
    std::string track;
};

}  // namespace tunvex
