#pragma once

// Decides what a generated library holds: folders of albums as ripped, loose downloads, and the
// odd cover image or note next to the music.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "audio_fixtures.h"
#include "library_names.h"
#include "seeded_random.h"

namespace tunvex::bench {

enum class FileKind { Mp3, Mp3WithId3v1, Mp3Id3v1Only, Flac, OggVorbis, Mp4, CoverImage, Notes };

struct LibraryEntry {
    std::string relativePath;
    FileKind kind;
    fixtures::TagValues tags;
    fixtures::Id3v2Version id3v2Version = fixtures::Id3v2Version::V4;
};

class LibraryPlanner {
  public:
    // fileCount sizes the artist roster and the albums; the caller decides when to stop.
    LibraryPlanner(uint64_t seed, int fileCount);

    // One album folder, or one loose file.
    std::vector<LibraryEntry> NextGroup();

  private:
    std::vector<LibraryEntry> NextAlbum();
    LibraryEntry NextLooseFile();
    std::string UniqueAlbumTitle(const ArtistName& artist);

    SeededRandom random_;
    std::vector<ArtistName> artists_;
    std::set<std::string> usedAlbums_;
    std::set<std::string> usedLoosePaths_;
    int albumCount_ = 0;
    int minTracks_;
    int maxTracks_;
};

}  // namespace tunvex::bench
