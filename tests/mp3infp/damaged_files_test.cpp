#include <endian.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "format_cases.h"
#include "id3v2_bytes.h"
#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::TagValues;
using Bytes = const std::string&;

// A file of write, behind prefix, cut short where cutAt says.
template <void (*write)(const std::string& path, const TagValues& values)>
Writer Cut(TagValues values, std::string prefix, size_t (*cutAt)(Bytes bytes)) {
    return [=](const std::string& path) {
        write(path, values);
        const std::string bytes = prefix + ReadFile(path);
        fixtures::WriteBytes(path, bytes.substr(0, cutAt(bytes)));
    };
}

// Where the MP4 atom of type ends, by the size before it.
size_t AtomEnd(Bytes bytes, std::string_view type) {
    const size_t start = bytes.find(type) - 4;
    uint32_t size = 0;
    std::memcpy(&size, bytes.data() + start, sizeof size);
    return start + be32toh(size);
}

std::string WithSize(std::string bytes, std::string_view id, size_t size) {
    bytes.replace(bytes.find(id) + 4, 4, fixtures::LittleEndian32(static_cast<uint32_t>(size)));
    return bytes;
}

using Damage = std::function<std::string(std::string bytes)>;

Damage Sized(std::string_view id, uint32_t size) {
    return [id, size](std::string bytes) { return WithSize(std::move(bytes), id, size); };
}

// A RIFF-MP3 file whose bytes damage changed, and the title it must still give.
FileCase Lying(const char* name, Damage damage, std::optional<std::string> title = "Title") {
    return {name,
            "a.rmp",
            [damage](Path path) {
                fixtures::WriteBytes(
                    path, damage(fixtures::RiffFile(
                              "RMP3", fixtures::RiffChunk("data", fixtures::MpegFrames(2)) +
                                          fixtures::RiffInfoList({{"INAM", "Title"}}))));
            },
            MP3INFP_TYPE_MP3,
            {{"INAM_rmp", title}},
            title ? std::optional<uint32_t>(MP3INFP_TAG_RIFF_INFO) : std::nullopt};
}

// A WAV file with an "id3 " chunk gap bytes behind the declared end, cut bytes cut off the end.
Writer AppendedId3(size_t gap, size_t cut) {
    return [=](const std::string& path) {
        fixtures::WriteWav(path, {});
        const std::string tag = fixtures::Id3v2Tag(
            {3}, fixtures::Id3v2Frame(3, "TIT2", fixtures::Id3v2Text(0, "Title")));
        const std::string bytes =
            ReadFile(path) + std::string(gap, '\0') + fixtures::RiffChunk("id3 ", tag);
        fixtures::WriteBytes(path, bytes.substr(0, bytes.size() - cut));
    };
}

const TagValues kValues{"Title", "Artist", std::nullopt, "3/12"};
const std::string kId3Album = fixtures::Id3v2Tag(
    {3}, fixtures::Id3v2Frame(3, "TALB", fixtures::Id3v2Text(0, "Tagged Album")));
const Values kFlac = {{"INAM", "Title"}, {"IART", "Artist"}, {"IPRD", "Tagged Album"}};
const Values kMp4 = {{"INAM", "Title"}, {"IART", "Artist"}, {"TRACK", "3/12"}};
constexpr uint32_t kAllOnes = 0xFFFFFFFF;

// Sizes that lie, and files cut short (a download cut short), read for what they really hold.
// clang-format off
const FileCase kDamaged[] = {
    {"FlacCutInsideItsLastPaddingBlock", "cut.flac", Cut<fixtures::WriteFlac>(kValues, kId3Album,
     [](Bytes b) { return b.rfind("\xFF\xF8") - 100; }), MP3INFP_TYPE_FLAC, kFlac},
    {"FlacCutRightAfterAMetadataBlockHeader", "cut.flac", Cut<fixtures::WriteFlac>(kValues,
     kId3Album, [](Bytes b) { return b.rfind(std::string("\x81\0", 2)) + 4; }), MP3INFP_TYPE_FLAC,
     kFlac},
    {"FlacCutInsideItsComment", "cut.flac", Cut<fixtures::WriteFlac>(kValues, kId3Album,
     [](Bytes b) { return b.find("ARTIST="); }), MP3INFP_TYPE_FLAC,
     {{"INAM", {}}, {"IART", {}}, {"IPRD", "Tagged Album"}}},
    {"Mp4CutRightAfterItsTags", "cut.m4a", Cut<fixtures::WriteMp4>(kValues, "",
     [](Bytes b) { return AtomEnd(b, "ilst"); }),
     MP3INFP_TYPE_MP4, kMp4},
    {"Mp4CutInsideItsFirstTagItem", "cut.m4a", Cut<fixtures::WriteMp4>(kValues, "",
     [](Bytes b) { return b.find("ilst") + 12; }), MP3INFP_TYPE_MP4, {{"INAM", {}}, {"TRACK", {}}}},
    {"Mp4CutInsideTheAtomAfterItsTags", "cut.m4a", Cut<fixtures::WriteMp4>(kValues, "",
     [](Bytes b) { return b.find("mvhd") + 20; }), MP3INFP_TYPE_MP4, kMp4},
    Lying("RiffSizeAllOnes", Sized("RIFF", kAllOnes)),
    Lying("RiffSizeZero", Sized("RIFF", 0)),
    Lying("ListSizeAllOnes", Sized("LIST", kAllOnes)),
    Lying("ListSizePastTheEnd", [](std::string b) { return WithSize(b, "LIST", b.size() * 3); }),
    Lying("ValueSizeAllOnes", Sized("INAM", kAllOnes)),
    Lying("ValueCutShort", [](std::string b) { return b.substr(0, b.find("INAM") + 10); }, "Ti"),
    Lying("DataSizeAllOnes", Sized("data", kAllOnes), std::nullopt),
    Lying("ThousandsOfEmptyChunks", [](std::string b) {
        for (int i = 0; i < 3000; ++i)
            b.insert(12, fixtures::RiffChunk("JUNK", ""));
        return WithSize(b, "RIFF", b.size() - 8); }),
    // A tag chunk appended behind the declared end is read only whole and right at that end.
    {"Id3ChunkRightAtTheDeclaredEnd", "a.wav", AppendedId3(0, 0), MP3INFP_TYPE_WAV,
     {{"INAM", "Title"}}},
    {"Id3ChunkCutShort", "a.wav", AppendedId3(0, 1), MP3INFP_TYPE_WAV, {{"INAM", {}}}},
    {"Id3ChunkAfterAGap", "a.wav", AppendedId3(2, 0), MP3INFP_TYPE_WAV, {{"INAM", {}}}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Damaged, FileTest, ::testing::ValuesIn(kDamaged), CaseName());

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

        const uint32_t type = library.Load(cut) ? GetParam().type : uint32_t{MP3INFP_TYPE_NONE};
        EXPECT_EQ(library.Type(), type) << "cut at " << length;
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, TruncatedFileTest, ::testing::ValuesIn(AllFormats()),
                         CaseName());

}  // namespace
}  // namespace tunvex::testing
