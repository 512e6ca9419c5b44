// Songs for the tests that sort: real MP3 files whose tags name the folders they go to.
#pragma once

#include <filesystem>
#include <string>

#include "tests/fixtures/audio_fixtures.h"

namespace tunvex::testing {

// An MP3 at path, its folders made, tagged title, "Artist", album and track 1; its path.
inline std::string WriteSong(const std::string& path, const std::string& title,
                             const std::string& album = "Album") {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    fixtures::WriteMp3(path, std::nullopt, fixtures::TagValues{title, "Artist", album, "1"});
    return path;
}

}  // namespace tunvex::testing
