#pragma once

// Artist, album and track names as found in real collections: mostly English, some Japanese, and
// some with characters that file systems refuse or mangle.

#include <string>

#include "seeded_random.h"

namespace tunvex::bench {

struct ArtistName {
    std::string text;
    bool japanese = false;
};

ArtistName MakeArtistName(SeededRandom& random, bool japanese);
std::string MakeAlbumTitle(SeededRandom& random, bool japanese);
std::string MakeTrackTitle(SeededRandom& random, bool japanese);

}  // namespace tunvex::bench
