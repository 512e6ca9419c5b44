#include "format_cases.h"

#include <array>

#include "mp3infp/mp3infp.h"

namespace tunvex::testing {
namespace {

void WriteId3v2Mp3(const std::string& path, const fixtures::TagValues& values) {
    fixtures::WriteMp3(path, std::nullopt, values);
}

const std::array kFormats = {
    FormatCase{"Mp3", "a.mp3", &WriteId3v2Mp3, MP3INFP_TYPE_MP3},
    FormatCase{"RiffMp3", "a.rmp", &fixtures::WriteRmp3, MP3INFP_TYPE_MP3},
    FormatCase{"Wav", "a.wav", &fixtures::WriteWav, MP3INFP_TYPE_WAV},
    FormatCase{"Aiff", "a.aiff", &fixtures::WriteAiff, MP3INFP_TYPE_AIFF},
    FormatCase{"Flac", "a.flac", &fixtures::WriteFlac, MP3INFP_TYPE_FLAC},
    FormatCase{"OggVorbis", "a.ogg", &fixtures::WriteOggVorbis, MP3INFP_TYPE_OGG_VORBIS},
    FormatCase{"OggOpus", "a.opus", &fixtures::WriteOggOpus, MP3INFP_TYPE_OGG_OPUS},
    FormatCase{"OggSpeex", "a.spx", &fixtures::WriteOggSpeex, MP3INFP_TYPE_OGG_SPEEX},
    FormatCase{"OggFlac", "a.oga", &fixtures::WriteOggFlac, MP3INFP_TYPE_OGG_FLAC},
    FormatCase{"Mp4", "a.m4a", &fixtures::WriteMp4, MP3INFP_TYPE_MP4},
    FormatCase{"Asf", "a.wma", &fixtures::WriteAsf, MP3INFP_TYPE_ASF},
    FormatCase{"Ape", "a.ape", &fixtures::WriteApe, MP3INFP_TYPE_APE},
    FormatCase{"WavPack", "a.wv", &fixtures::WriteWavPack, MP3INFP_TYPE_WAVPACK},
    FormatCase{"Musepack", "a.mpc", &fixtures::WriteMusepack, MP3INFP_TYPE_MUSEPACK},
    FormatCase{"TrueAudio", "a.tta", &fixtures::WriteTrueAudio, MP3INFP_TYPE_TRUEAUDIO},
    FormatCase{"Tak", "a.tak", &fixtures::WriteTak, MP3INFP_TYPE_TAK},
    FormatCase{"Dsf", "a.dsf", &fixtures::WriteDsf, MP3INFP_TYPE_DSF},
    FormatCase{"Dsdiff", "a.dff", &fixtures::WriteDsdiff, MP3INFP_TYPE_DSDIFF},
    FormatCase{"Matroska", "a.mka", &fixtures::WriteMatroska, MP3INFP_TYPE_MATROSKA},
    FormatCase{"OptimFrog", "a.ofr", &fixtures::WriteOptimFrog, MP3INFP_TYPE_OPTIMFROG},
    FormatCase{"Spc", "a.spc", &fixtures::WriteSpc, MP3INFP_TYPE_SPC},
    FormatCase{"TwinVq", "a.vqf", &fixtures::WriteTwinVq, MP3INFP_TYPE_TWINVQ},
};

}  // namespace

std::span<const FormatCase> AllFormats() {
    return kFormats;
}

}  // namespace tunvex::testing
