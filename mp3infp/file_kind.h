#pragma once

#include <string>

namespace mp3infp {

enum class FileKind {
    Unknown,
    Mpeg,
    RiffMp3,
    Wav,
    Aiff,
    Flac,
    OggVorbis,
    OggOpus,
    OggSpeex,
    OggFlac,
    Mp4,
    Asf,
    Ape,
    WavPack,
    Musepack,
    TrueAudio,
    Mod,
    S3m,
    It,
    Xm,
};

// What the file at path holds, judged by its first bytes; the extension of name (the file's own
// name) decides only for MPEG audio that does not start at the beginning of the file.
FileKind SniffFileKind(const std::string& path, const std::string& name);

}  // namespace mp3infp
