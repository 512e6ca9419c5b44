#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::TagValues;

struct SniffCase {
    const char* name;
    const char* fileName;
    void (*write)(const std::string& path);
    uint32_t type;  // MP3INFP_TYPE_NONE: the load must fail
};

void PrintTo(const SniffCase& value, std::ostream* out) {
    *out << value.name;
}

const TagValues kValues{"title", "artist", "album", "1"};

const SniffCase kCases[] = {
    {"TaggedMp3NamedReadme", "README",
     [](const std::string& path) { fixtures::WriteMp3(path, std::nullopt, kValues); },
     MP3INFP_TYPE_MP3},
    {"UntaggedMp3NamedReadme", "README",
     [](const std::string& path) { fixtures::WriteMp3(path, std::nullopt, std::nullopt); },
     MP3INFP_TYPE_MP3},
    {"Id3v1OnlyMp3WithOddExtension", "song.v2 final",
     [](const std::string& path) { fixtures::WriteMp3(path, kValues, std::nullopt); },
     MP3INFP_TYPE_MP3},
    {"FlacNamedMp3", "track.mp3",
     [](const std::string& path) { fixtures::WriteFlac(path, kValues); }, MP3INFP_TYPE_FLAC},
    {"RiffMp3NamedWav", "track.wav",
     [](const std::string& path) { fixtures::WriteRmp3(path, kValues); }, MP3INFP_TYPE_MP3},
    {"Mp4WithoutExtension", "track",
     [](const std::string& path) { fixtures::WriteMp4(path, kValues); }, MP3INFP_TYPE_MP4},
    {"UntaggedLayer1NamedMp1", "a.mp1",
     [](const std::string& path) {
         fixtures::WriteBytes(path, fixtures::MpegFrames(4, fixtures::MpegLayer::I));
     },
     MP3INFP_TYPE_MP3},
    {"UntaggedLayer1WithoutExtension", "track",
     [](const std::string& path) {
         fixtures::WriteBytes(path, fixtures::MpegFrames(4, fixtures::MpegLayer::I));
     },
     MP3INFP_TYPE_MP3},
    {"Layer1BehindAnUnknownId3v2Version", "a.mp1",
     [](const std::string& path) {
         fixtures::WriteBytes(path, "ID3\x05" + std::string(6, '\0') +
                                        fixtures::MpegFrames(4, fixtures::MpegLayer::I));
     },
     MP3INFP_TYPE_MP3},
    {"UntaggedDsf", "a.dsf", [](const std::string& path) { fixtures::WriteDsfWithId3v2(path, ""); },
     MP3INFP_TYPE_DSF},
    {"Frm8OfAnotherForm", "a.dff",
     [](const std::string& path) {
         fixtures::WriteBytes(
             path, "FRM8" + fixtures::BigEndian32(0) + fixtures::BigEndian32(4) + "DST ");
     },
     MP3INFP_TYPE_NONE},
    {"Mp3AfterJunkNamedMp3", "junk.mp3",
     [](const std::string& path) { fixtures::WriteBytes(path, "junk" + fixtures::MpegFrames(4)); },
     MP3INFP_TYPE_MP3},
    {"Mp3AfterJunkWithoutExtension", "junk",
     [](const std::string& path) { fixtures::WriteBytes(path, "junk" + fixtures::MpegFrames(4)); },
     MP3INFP_TYPE_NONE},
    {"Mp3AfterLongJunkWithId3v1NamedMp3", "junk.mp3",
     [](const std::string& path) {
         fixtures::WriteBytes(path, std::string(10000, 'j') + fixtures::MpegFrames(4) +
                                        fixtures::Id3v1Block("title", "", "", 1));
     },
     MP3INFP_TYPE_MP3},
    {"LongJunkWithId3v1WithoutExtension", "junk",
     [](const std::string& path) {
         fixtures::WriteBytes(path, std::string(10000, 'j') + fixtures::Id3v1Block("t", "", "", 1));
     },
     MP3INFP_TYPE_NONE},
    {"TextNamedMp3", "x.mp3",
     [](const std::string& path) {
         fixtures::WriteTextFile(path, "just some notes\nnothing more\n");
     },
     MP3INFP_TYPE_NONE},
    {"FrameSyncLookalikesNamedMp3", "x.mp3",
     [](const std::string& path) { fixtures::WriteBytes(path, std::string(4096, '\xFF')); },
     MP3INFP_TYPE_NONE},
    {"EmptyFileNamedMp3", "empty.mp3",
     [](const std::string& path) { fixtures::WriteBytes(path, ""); }, MP3INFP_TYPE_NONE},
    {"MissingFile", "missing.mp3", [](const std::string&) {}, MP3INFP_TYPE_NONE},
    {"Folder", "folder.mp3",
     [](const std::string& path) { std::filesystem::create_directory(path); }, MP3INFP_TYPE_NONE},
    {"ZerosNamedMp3", "preallocated.mp3",
     [](const std::string& path) { fixtures::WriteBytes(path, std::string(1 << 20, '\0')); },
     MP3INFP_TYPE_NONE},
    {"NamedPipe", "pipe.mp3", [](const std::string& path) { mkfifo(path.c_str(), 0644); },
     MP3INFP_TYPE_NONE},
    {"OptimFrogNamedMp3", "a.mp3",
     [](const std::string& path) { fixtures::WriteOptimFrog(path, kValues); },
     MP3INFP_TYPE_OPTIMFROG},
    {"TwinVqOfAnUnknownVersion", "a.vqf",
     [](const std::string& path) {
         fixtures::WriteTwinVq(path, kValues);
         std::string bytes = ReadFile(path);
         fixtures::WriteBytes(path, bytes.replace(4, 8, "12345678"));
     },
     MP3INFP_TYPE_NONE},
    {"UntaggedSpc", "a.spc",
     [](const std::string& path) { fixtures::WriteSpcWithId666(path, "", "", ""); },
     MP3INFP_TYPE_SPC},
    {"OggVideoWithAStreamOfNoKnownCodec", "video.ogg",
     [](const std::string& path) {
         fixtures::WriteBytes(
             path, fixtures::InterleaveOggPages(fixtures::OggStream({{"\x80theora"}, {"frame"}}, 1),
                                                fixtures::OggStream({{"\x7f"
                                                                      "FLAX"},
                                                                     {"frame"}},
                                                                    2)));
     },
     MP3INFP_TYPE_NONE},
    {"OggWithUnknownCodec", "video.ogg",
     [](const std::string& path) {
         fixtures::WriteBytes(path, fixtures::OggStream({{"\x80theora"}}));
     },
     MP3INFP_TYPE_NONE},
};

class SniffingTest : public LibraryTestWithParam<SniffCase> {};

TEST_P(SniffingTest, RecognisesTheFileByItsContent) {
    const std::string path = folder / GetParam().fileName;
    GetParam().write(path);

    EXPECT_EQ(library.Load(path), GetParam().type != MP3INFP_TYPE_NONE);
    EXPECT_EQ(library.Type(), GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(Files, SniffingTest, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(LibraryTest, TaggedMp3NamedReadmeGivesItsValues) {
    const std::string path = folder / "README";
    fixtures::WriteMp3(path, std::nullopt, kValues);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value("INAM"), "title");
}

}  // namespace
}  // namespace tunvex::testing
