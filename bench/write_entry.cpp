#include "write_entry.h"

#include <filesystem>

#include "audio_fixtures.h"

namespace tunvex::bench {
namespace {

// A baseline JPEG's opening (SOI, JFIF APP0) and its end marker: enough for anything that sniffs.
std::string CoverImageBytes() {
    std::string bytes("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    bytes.append(600, '\x80');
    bytes.append("\xFF\xD9", 2);
    return bytes;
}

}  // namespace

void WriteEntry(const std::string& root, const LibraryEntry& entry) {
    const std::string path = root + "/" + entry.relativePath;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const fixtures::TagValues& tags = entry.tags;
    switch (entry.kind) {
        case FileKind::Mp3:
            fixtures::WriteMp3(path, std::nullopt, tags, fixtures::Id3v2Encoding::Utf16,
                               entry.id3v2Version);
            break;
        case FileKind::Mp3WithId3v1:
            fixtures::WriteMp3(path, tags, tags, fixtures::Id3v2Encoding::Utf16,
                               entry.id3v2Version);
            break;
        case FileKind::Mp3Id3v1Only:
            fixtures::WriteMp3(path, tags, std::nullopt);
            break;
        case FileKind::Flac:
            fixtures::WriteFlac(path, tags);
            break;
        case FileKind::OggVorbis:
            fixtures::WriteOggVorbis(path, tags);
            break;
        case FileKind::Mp4:
            fixtures::WriteMp4(path, tags);
            break;
        case FileKind::CoverImage:
            fixtures::WriteTextFile(path, CoverImageBytes());
            break;
        case FileKind::Notes:
            fixtures::WriteTextFile(path, "Ripped in secure mode; log and cue sheet not kept.\n");
            break;
    }
}

}  // namespace tunvex::bench
