#include "library_plan.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace tunvex::bench {
namespace {

constexpr int kFilesPerArtist = 30;
constexpr int kMaxArtists = 400;
constexpr int kMinArtists = 8;
// Below this a demo library would be two or three albums of one format: albums shrink instead.
constexpr int kSmallLibraryFiles = 200;

constexpr std::array<std::string_view, 6> kRipFolders = {
    "Rips", "Music/CD Rips", "Downloads/Albums", "old laptop/My Music", "FLAC", "Shared/Music"};
constexpr std::array<std::string_view, 5> kLooseFolders = {"", "Downloads", "Downloads/new",
                                                           "Unsorted/phone", "Rips/misc"};

// Input names come from the tags, as rippers make them; only the separator cannot stay.
std::string InputName(std::string text) {
    std::replace(text.begin(), text.end(), '/', '_');
    return text;
}

std::string TwoDigits(int number) {
    std::string text = std::to_string(number);
    return text.size() < 2 ? "0" + text : text;
}

std::string TrackText(SeededRandom& random, int number, int total) {
    const int shape = random.Between(0, 9);
    if (shape < 2) {
        return TwoDigits(number);
    }
    if (shape < 3) {
        return std::to_string(number) + "/" + std::to_string(total);
    }
    return std::to_string(number);
}

// Album containers in a fixed turn, so that even a demo of a few albums shows every kind: 70% MP3,
// 15% FLAC, 10% Ogg Vorbis, 5% MP4.
constexpr std::array<FileKind, 20> kContainerTurn = {
    FileKind::Mp3, FileKind::Flac,      FileKind::Mp3, FileKind::OggVorbis, FileKind::Mp3,
    FileKind::Mp4, FileKind::Mp3,       FileKind::Mp3, FileKind::Flac,      FileKind::Mp3,
    FileKind::Mp3, FileKind::OggVorbis, FileKind::Mp3, FileKind::Mp3,       FileKind::Flac,
    FileKind::Mp3, FileKind::Mp3,       FileKind::Mp3, FileKind::Mp3,       FileKind::Mp3};

// One artist in eleven is Japanese, the first of them early enough for a demo.
bool JapaneseArtist(std::size_t index) {
    return index % 11 == 3;
}

FileKind AlbumFormat(SeededRandom& random, int albumIndex, bool japanese) {
    const FileKind container =
        kContainerTurn[static_cast<std::size_t>(albumIndex) % kContainerTurn.size()];
    if (container != FileKind::Mp3) {
        return container;
    }
    const int tags = random.Between(0, 99);
    if (tags < 3 && !japanese) {
        return FileKind::Mp3Id3v1Only;
    }
    return tags < 20 ? FileKind::Mp3WithId3v1 : FileKind::Mp3;
}

std::string_view Extension(FileKind kind) {
    switch (kind) {
        case FileKind::Flac:
            return ".flac";
        case FileKind::OggVorbis:
            return ".ogg";
        case FileKind::Mp4:
            return ".m4a";
        default:
            return ".mp3";
    }
}

}  // namespace

LibraryPlanner::LibraryPlanner(uint64_t seed, int fileCount)
    : random_(seed),
      minTracks_(fileCount < kSmallLibraryFiles ? 2 : 8),
      maxTracks_(fileCount < kSmallLibraryFiles ? 4 : 14) {
    const int artistCount = std::clamp(fileCount / kFilesPerArtist, kMinArtists, kMaxArtists);
    std::set<std::string> names;
    while (static_cast<int>(artists_.size()) < artistCount) {
        ArtistName artist = MakeArtistName(random_, JapaneseArtist(artists_.size()));
        if (names.insert(artist.text).second) {
            artists_.push_back(std::move(artist));
        }
    }
}

std::vector<LibraryEntry> LibraryPlanner::NextGroup() {
    if (random_.Percent(2)) {
        return {NextLooseFile()};
    }
    return NextAlbum();
}

std::string LibraryPlanner::UniqueAlbumTitle(const ArtistName& artist) {
    std::string title = MakeAlbumTitle(random_, artist.japanese);
    if (!usedAlbums_.insert(artist.text + '\n' + title).second) {
        title += " Vol. " + std::to_string(albumCount_ + 1);
        usedAlbums_.insert(artist.text + '\n' + title);
    }
    return title;
}

std::vector<LibraryEntry> LibraryPlanner::NextAlbum() {
    const ArtistName& artist = artists_[static_cast<std::size_t>(albumCount_) % artists_.size()];
    const std::string album = UniqueAlbumTitle(artist);
    const FileKind format = AlbumFormat(random_, albumCount_, artist.japanese);
    ++albumCount_;
    const auto version =
        random_.Percent(50) ? fixtures::Id3v2Version::V3 : fixtures::Id3v2Version::V4;
    const std::string folder =
        std::string(random_.Pick(kRipFolders)) + "/" + InputName(artist.text + " - " + album) + "/";
    const int discCount = random_.Percent(12) ? 2 : 1;

    std::vector<LibraryEntry> entries;
    for (int disc = 1; disc <= discCount; ++disc) {
        const std::string discFolder = discCount > 1 ? "Disc " + std::to_string(disc) + "/" : "";
        const int trackCount = random_.Between(minTracks_, maxTracks_);
        for (int track = 1; track <= trackCount; ++track) {
            std::string title = MakeTrackTitle(random_, artist.japanese);
            std::string name = TwoDigits(track) + " " + InputName(title);
            fixtures::TagValues tags{title, artist.text, album,
                                     TrackText(random_, track, trackCount)};
            entries.push_back({folder + discFolder + name + std::string(Extension(format)), format,
                               std::move(tags), version});
        }
    }
    if (random_.Percent(25)) {
        entries.push_back({folder + "cover.jpg", FileKind::CoverImage, {}});
    }
    if (random_.Percent(6)) {
        entries.push_back({folder + "notes.txt", FileKind::Notes, {}});
    }
    return entries;
}

LibraryEntry LibraryPlanner::NextLooseFile() {
    const ArtistName& artist = artists_[static_cast<std::size_t>(
        random_.Between(0, static_cast<int>(artists_.size()) - 1))];
    const std::string title = MakeTrackTitle(random_, artist.japanese);
    std::string folder(random_.Pick(kLooseFolders));
    std::string stem =
        (folder.empty() ? "" : folder + "/") + InputName(artist.text + " - " + title);
    std::string path = stem + ".mp3";
    for (int copy = 2; !usedLoosePaths_.insert(path).second; ++copy) {
        path = stem + " (" + std::to_string(copy) + ").mp3";
    }
    return {path, FileKind::Mp3, {title, artist.text, std::nullopt, std::nullopt}};
}

}  // namespace tunvex::bench
