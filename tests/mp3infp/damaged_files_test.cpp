#include <filesystem>
#include <string>

#include "format_cases.h"
#include "id3v2_bytes.h"
#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::LittleEndian32;

constexpr uint32_t kAllOnes = 0xFFFFFFFF;

std::string Rmp3Bytes() {
    return fixtures::RiffFile("RMP3",
                              fixtures::RiffChunk("data", fixtures::MpegFrames(2)) +
                                  fixtures::RiffInfoList({{"INAM", "Title"}, {"IART", "Artist"}}));
}

size_t OffsetOf(const std::string& bytes, std::string_view id) {
    return bytes.find(id);
}

std::string WithSizeAt(std::string bytes, size_t idOffset, uint32_t size) {
    bytes.replace(idOffset + 4, 4, LittleEndian32(size));
    return bytes;
}

struct LyingRiffCase {
    const char* name;
    std::string (*damage)(const std::string& bytes);
    std::optional<std::string> title;
};

void PrintTo(const LyingRiffCase& value, std::ostream* out) {
    *out << value.name;
}

const LyingRiffCase kLyingRiffCases[] = {
    {"RiffSizeAllOnes", [](const std::string& b) { return WithSizeAt(b, 0, kAllOnes); }, "Title"},
    {"RiffSizeZero", [](const std::string& b) { return WithSizeAt(b, 0, 0); }, "Title"},
    {"ListSizeAllOnes",
     [](const std::string& b) { return WithSizeAt(b, OffsetOf(b, "LIST"), kAllOnes); }, "Title"},
    {"ListSizePastTheEnd",
     [](const std::string& b) {
         return WithSizeAt(b, OffsetOf(b, "LIST"), static_cast<uint32_t>(b.size() * 3));
     },
     "Title"},
    {"ValueSizeAllOnes",
     [](const std::string& b) { return WithSizeAt(b, OffsetOf(b, "INAM"), kAllOnes); }, "Title"},
    {"ValueCutShort", [](const std::string& b) { return b.substr(0, OffsetOf(b, "INAM") + 10); },
     "Ti"},
    {"DataSizeAllOnes",
     [](const std::string& b) { return WithSizeAt(b, OffsetOf(b, "data"), kAllOnes); },
     std::nullopt},
    {"ThousandsOfEmptyChunks",
     [](const std::string& b) {
         std::string padded = b;
         std::string empties;
         for (int i = 0; i < 3000; ++i) {
             empties += fixtures::RiffChunk("JUNK", "");
         }
         padded.insert(12, empties);
         return WithSizeAt(padded, 0, static_cast<uint32_t>(padded.size() - 8));
     },
     "Title"},
};

class LyingRiffTest : public LibraryTestWithParam<LyingRiffCase> {};

TEST_P(LyingRiffTest, ReadsWhatTheFileReallyHolds) {
    const std::string path = folder / "damaged.rmp";
    fixtures::WriteBytes(path, GetParam().damage(Rmp3Bytes()));
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_MP3);
    EXPECT_EQ(library.Value("INAM_rmp"), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LyingRiffTest, ::testing::ValuesIn(kLyingRiffCases),
                         [](const auto& test) { return std::string(test.param.name); });

// A tag chunk appended behind the size the RIFF header declares.
struct AppendedChunkCase {
    const char* name;
    size_t gap;  // bytes between the declared end and the chunk
    size_t cut;  // bytes cut off the end of the file
    std::optional<std::string> title;
};

void PrintTo(const AppendedChunkCase& value, std::ostream* out) {
    *out << value.name;
}

const AppendedChunkCase kAppendedChunkCases[] = {
    {"RightAtTheDeclaredEnd", 0, 0, "Title"},
    {"CutShort", 0, 1, std::nullopt},
    {"AfterAGap", 2, 0, std::nullopt},
};

class AppendedId3ChunkTest : public LibraryTestWithParam<AppendedChunkCase> {};

TEST_P(AppendedId3ChunkTest, IsReadOnlyWholeAndRightAtTheEnd) {
    const std::string path = folder / "appended.wav";
    fixtures::WriteWav(path, {});
    std::string bytes = ReadFile(path);
    const std::string tag =
        fixtures::Id3v2Tag({3}, fixtures::Id3v2Frame(3, "TIT2", fixtures::Id3v2Text(0, "Title")));
    bytes += std::string(GetParam().gap, '\0') + fixtures::RiffChunk("id3 ", tag);
    fixtures::WriteBytes(path, bytes.substr(0, bytes.size() - GetParam().cut));
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Type(), MP3INFP_TYPE_WAV);
    EXPECT_EQ(library.Value("INAM"), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Places, AppendedId3ChunkTest, ::testing::ValuesIn(kAppendedChunkCases),
                         [](const auto& test) { return std::string(test.param.name); });

class TruncatedFileTest : public LibraryTestWithParam<FormatCase> {};

// Every cut of a real file must give a clean answer, never a crash or a wrong kind.
TEST_P(TruncatedFileTest, EveryPrefixIsRefusedOrReadAsTheSameKind) {
    const std::string whole = folder / GetParam().fileName;
    GetParam().write(whole, fixtures::TagValues{"title", "artist", "album", "1/2"});
    const auto size = std::filesystem::file_size(whole);
    const std::string cut = folder / (std::string("cut-") + GetParam().fileName);
    for (uintmax_t length = 0; length < size; ++length) {
        std::filesystem::copy_file(whole, cut, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::resize_file(cut, length);

        if (library.Load(cut)) {
            EXPECT_EQ(library.Type(), GetParam().type) << "cut at " << length;
        } else {
            EXPECT_EQ(library.Type(), MP3INFP_TYPE_NONE) << "cut at " << length;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, TruncatedFileTest, ::testing::ValuesIn(AllFormats()),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace tunvex::testing
