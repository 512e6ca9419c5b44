#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::TagValues;
using Path = const std::string&;

const TagValues kValues{"title", "artist", "album", "1"};
const std::string kLayer1 = fixtures::MpegFrames(4, fixtures::MpegLayer::I);

Writer Bytes(std::string bytes) {
    return [bytes](Path path) { fixtures::WriteBytes(path, bytes); };
}

// What a file is comes from its content; its name only lets a scan for MPEG frames start.
// clang-format off
const FileCase kSniffed[] = {
    {"TaggedMp3NamedReadme", "README", [](Path p) { fixtures::WriteMp3(p, {}, kValues); },
     MP3INFP_TYPE_MP3, {{"INAM", "title"}}},
    {"UntaggedMp3NamedReadme", "README", [](Path p) { fixtures::WriteMp3(p, {}, {}); },
     MP3INFP_TYPE_MP3},
    {"Id3v1OnlyMp3WithOddExtension", "song.v2 final",
     [](Path p) { fixtures::WriteMp3(p, kValues, {}); }, MP3INFP_TYPE_MP3},
    {"FlacNamedMp3", "a.mp3", [](Path p) { fixtures::WriteFlac(p, kValues); }, MP3INFP_TYPE_FLAC},
    {"RiffMp3NamedWav", "a.wav", [](Path p) { fixtures::WriteRmp3(p, kValues); }, MP3INFP_TYPE_MP3},
    {"Mp4WithoutExtension", "track", [](Path p) { fixtures::WriteMp4(p, kValues); },
     MP3INFP_TYPE_MP4},
    {"UntaggedLayer1NamedMp1", "a.mp1", Bytes(kLayer1), MP3INFP_TYPE_MP3},
    {"UntaggedLayer1WithoutExtension", "track", Bytes(kLayer1), MP3INFP_TYPE_MP3},
    {"Layer1BehindAnUnknownId3v2Version", "a.mp1",
     Bytes("ID3\x05" + std::string(6, '\0') + kLayer1), MP3INFP_TYPE_MP3},
    {"UntaggedDsf", "a.dsf", [](Path p) { fixtures::WriteDsfWithId3v2(p, ""); }, MP3INFP_TYPE_DSF},
    {"Frm8OfAnotherForm", "a.dff", Bytes("FRM8" + std::string(7, '\0') + "\x04" "DST "),
     MP3INFP_TYPE_NONE},
    {"Mp3AfterJunkNamedMp3", "a.mp3", Bytes("junk" + fixtures::MpegFrames(4)), MP3INFP_TYPE_MP3},
    {"Mp3AfterJunkWithoutExtension", "a", Bytes("junk" + fixtures::MpegFrames(4)),
     MP3INFP_TYPE_NONE},
    {"Mp3AfterLongJunkWithId3v1NamedMp3", "a.mp3", Bytes(std::string(10000, 'j') +
     fixtures::MpegFrames(4) + fixtures::Id3v1Block("title", "", "", 1)), MP3INFP_TYPE_MP3},
    {"LongJunkWithId3v1WithoutExtension", "a", Bytes(std::string(10000, 'j') +
     fixtures::Id3v1Block("t", "", "", 1)), MP3INFP_TYPE_NONE},
    {"TextNamedMp3", "a.mp3", Bytes("just some notes\nnothing more\n"), MP3INFP_TYPE_NONE},
    {"FrameSyncLookalikesNamedMp3", "a.mp3", Bytes(std::string(4096, '\xFF')), MP3INFP_TYPE_NONE},
    {"EmptyFileNamedMp3", "a.mp3", Bytes(""), MP3INFP_TYPE_NONE},
    {"MissingFile", "a.mp3", [](Path) {}, MP3INFP_TYPE_NONE},
    {"Folder", "a.mp3", [](Path p) { std::filesystem::create_directory(p); }, MP3INFP_TYPE_NONE},
    {"ZerosNamedMp3", "a.mp3", Bytes(std::string(1 << 20, '\0')), MP3INFP_TYPE_NONE},
    {"NamedPipe", "a.mp3", [](Path p) { mkfifo(p.c_str(), 0644); }, MP3INFP_TYPE_NONE},
    {"OptimFrogNamedMp3", "a.mp3", [](Path p) { fixtures::WriteOptimFrog(p, kValues); },
     MP3INFP_TYPE_OPTIMFROG},
    {"TwinVqOfAnUnknownVersion", "a.vqf", [](Path p) {
         fixtures::WriteTwinVq(p, kValues);
         fixtures::WriteBytes(p, ReadFile(p).replace(4, 8, "12345678")); }, MP3INFP_TYPE_NONE},
    {"UntaggedSpc", "a.spc", [](Path p) { fixtures::WriteSpcWithId666(p, "", "", ""); },
     MP3INFP_TYPE_SPC},
    {"OggVideoWithAStreamOfNoKnownCodec", "a.ogg", Bytes(fixtures::InterleaveOggPages(
     fixtures::OggStream({{"\x80theora"}, {"frame"}}, 1),
     fixtures::OggStream({{"\x7f" "FLAX"}, {"frame"}}, 2))), MP3INFP_TYPE_NONE},
    {"OggWithUnknownCodec", "a.ogg", Bytes(fixtures::OggStream({{"\x80theora"}})),
     MP3INFP_TYPE_NONE},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Sniffed, FileTest, ::testing::ValuesIn(kSniffed), CaseName());

}  // namespace
}  // namespace tunvex::testing
