#pragma once

#include "opened_file.h"

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
    Dsf,
    Dsdiff,
    Tak,
    Matroska,
    OptimFrog,
    Spc,
    TwinVq,
};

// What file holds, judged by its first bytes; the extension of its own name decides only for
// MPEG audio that does not start at the beginning of the file.
FileKind SniffFileKind(const OpenedFile& file);

}  // namespace mp3infp
