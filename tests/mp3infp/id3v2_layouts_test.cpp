// ID3v2 tags as taggers lay them out, built byte by byte, each read through the library.
#include <zlib.h>

#include <string>
#include <tuple>

#include "id3v2_bytes.h"
#include "library_test.h"
#include "mp3infp/mp3infp.h"
#include "stream_bytes.h"

namespace tunvex::testing {
namespace {

using fixtures::BigEndian32;
using fixtures::Id3v2Frame;
using fixtures::Id3v2Text;
using fixtures::SyncSafe32;
using namespace std::string_literals;

constexpr char kLatin1 = 0;
constexpr char kUtf16 = 1;
constexpr char kUtf8 = 3;

std::string Zlib(std::string_view data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(data.data()), data.size());
    out.resize(size);
    return out;
}

// Unsynchronisation: a zero after every 0xFF.
std::string Unsynchronised(std::string_view data) {
    std::string out;
    for (const char c : data) {
        out += c;
        if (c == '\xFF')
            out += '\0';
    }
    return out;
}

std::string Title(int version, std::string_view body, uint16_t flags = 0) {
    return Id3v2Frame(version, "TIT2", body, flags);
}

std::string Artist(int version) {
    return Id3v2Frame(version, "TPE1", Id3v2Text(kLatin1, "Artist"));
}

std::string Plain(int version) {
    return Title(version, Id3v2Text(kLatin1, "Title")) + Artist(version);
}

struct LayoutCase {
    const char* name;
    std::string tag;
    std::optional<std::string> title;
    std::optional<std::string> artist = "Artist";
};

const std::string kCapitals(200, 'A');

using fixtures::Id3v2Tag;

// clang-format off
const LayoutCase kLayouts[] = {
    {"V23ExtendedHeader",
     Id3v2Tag({3, 0x40, BigEndian32(6) + "\0\0"s + BigEndian32(300), 300}, Plain(3)), "Title"},
    {"V23ExtendedHeaderWithCrc", Id3v2Tag({3, 0x40, BigEndian32(10) + "\x80\0"s + BigEndian32(0) +
     "\x12\x34\x56\x78"}, Plain(3)), "Title"},
    {"V24Footer", Id3v2Tag({4, 0x10}, Plain(4)), "Title"},
    {"V24ExtendedHeaderWithoutPadding", Id3v2Tag({4, 0x40, SyncSafe32(12) + "\x01\x20\x05"s +
     SyncSafe32(0) + "\x01"s}, Plain(4)), "Title"},
    {"V24GroupedFrames", Id3v2Tag({}, Title(4, "\x07" + Id3v2Text(kLatin1, "Title"), 0x0040) +
     Id3v2Frame(4, "TPE1", "\x07" + Id3v2Text(kUtf8, "Artist"), 0x0040)), "Title"},
    {"V24SeveralUtf16Values", Id3v2Tag({}, Title(4, Id3v2Text(kUtf16,
     "\xFF\xFE" "F\0i\0r\0s\0t\0\0\0\xFF\xFE" "2\0"s)) + Artist(4)), "First"},
    {"V23Unsynchronised", Id3v2Tag({3, 0x80},
     Unsynchronised(Title(3, Id3v2Text(kUtf16, "\xFF\xFE\xFF\x00"s)) + Artist(3))), "ÿ"},
    {"V24UnsynchronisedFrameWithDataLength", Id3v2Tag({}, Title(4, SyncSafe32(5) +
     Unsynchronised(Id3v2Text(kLatin1, "\xFF\xFEx!"s)), 0x0003) + Artist(4)), "ÿþx!"},
    {"V23CompressedFrame", Id3v2Tag({3}, Title(3, BigEndian32(6) +
     Zlib(Id3v2Text(kLatin1, "Title")), 0x0080) + Artist(3)), "Title"},
    {"V23EncryptedFrame", Id3v2Tag({3}, Title(3, "\x01" + Id3v2Text(kLatin1, "secret"), 0x0040) +
     Artist(3)), std::nullopt},
    // Read as sync-safe, the size ends the frame inside the text, where "AAAA" looks like a frame.
    {"V24PlainFrameSizeWithTopBitSet", Id3v2Tag({}, "TIT2"s + BigEndian32(201) + "\0\0"s +
     Id3v2Text(kLatin1, kCapitals) + Artist(4)), kCapitals},
    {"V24Utf8WithABadByte", Id3v2Tag({}, Title(4, Id3v2Text(kUtf8, "\xFFran d\xC3\xAD" "a")) +
     Artist(4)), "\uFFFDran día"},
    {"V24ShiftJisMarkedUtf8", Id3v2Tag({}, Title(4, Id3v2Text(kUtf8,
     "\x83\x7C\x83\x50\x83\x62\x83\x67")) + Artist(4)), "ポケット"},
    {"V22", Id3v2Tag({2}, Id3v2Frame(2, "TT2", Id3v2Text(kLatin1, "Title")) +
     Id3v2Frame(2, "TP1", Id3v2Text(kLatin1, "Artist"))), "Title"},
    // A frame whose id no version defines is skipped when its size leads to the next frame.
    {"V24FrameIdInLowerCaseBetweenFrames", Id3v2Tag({}, Title(4, Id3v2Text(kLatin1, "Title")) +
     Id3v2Frame(4, "Tdat", Id3v2Text(kLatin1, "x")) + Artist(4)), "Title"},
    {"V23FrameIdInLowerCaseWithASizePastTheEnd",
     Id3v2Tag({3}, "Date"s + BigEndian32(1000) + "\0\0"s + Plain(3)), std::nullopt, std::nullopt},
    // v2.2 ids padded with a NUL, as converters left them: the four plain ones read as their
    // v2.3 frames, the others are skipped.
    {"V23PaddedV22IdsBeforeTheTitle", Id3v2Tag({3}, Id3v2Frame(3, "TP1\0"s,
     Id3v2Text(kLatin1, "Artist")) + Id3v2Frame(3, "COM\0"s, "\0eng\0note"s) +
     Title(3, Id3v2Text(kLatin1, "Title"))), "Title"},
    // The extended-header flag without an extended header: read as if the flag were clear.
    {"V24ExtendedHeaderFlagWithoutTheHeader", Id3v2Tag({4, 0x40}, Plain(4)), "Title"},
    {"V23ExtendedHeaderFlagWithoutTheHeader", Id3v2Tag({3, 0x40}, Plain(3)), "Title"},
};
// clang-format on

// The containers that carry an ID3v2 tag, with the names their values answer to.
struct Container {
    const char* name;
    void (*write)(const std::string& path, const std::string& tag);
    const char* titleName;
    const char* artistName;
};

template <fixtures::BareStream stream>
void BehindId3v2(Path path, Path tag) {
    fixtures::WriteBehindId3v2(path, stream, tag);
}

// clang-format off
const Container kContainers[] = {
    {"Mp3", [](Path p, Path tag) { fixtures::WriteBytes(p, tag + fixtures::MpegFrames(4)); },
     "INAM_v2", "IART_v2"},
    {"Wav", &fixtures::WriteWavWithId3v2, "INAM", "IART"},
    {"Aiff", &fixtures::WriteAiffWithId3v2, "INAM", "IART"},
    {"Ape", &BehindId3v2<fixtures::BareStream::Ape>, "INAM", "IART"},
    {"WavPack", &BehindId3v2<fixtures::BareStream::WavPack>, "INAM", "IART"},
    {"Musepack", &BehindId3v2<fixtures::BareStream::Musepack>, "INAM", "IART"},
    {"Dsf", &fixtures::WriteDsfWithId3v2, "INAM", "IART"},
    {"Dsdiff", &fixtures::WriteDsdiffWithId3v2, "INAM", "IART"},
};
// clang-format on

class Id3v2LayoutTest : public LibraryTestWithParam<std::tuple<Container, LayoutCase>> {};

TEST_P(Id3v2LayoutTest, ReadsEveryFrameItHolds) {
    const auto& [container, layout] = GetParam();
    const std::string path = folder / "tagged";
    container.write(path, layout.tag);
    ASSERT_TRUE(library.Load(path));

    EXPECT_EQ(library.Value(container.titleName), layout.title);
    EXPECT_EQ(library.Value(container.artistName), layout.artist);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Id3v2LayoutTest,
                         ::testing::Combine(::testing::ValuesIn(kContainers),
                                            ::testing::ValuesIn(kLayouts)),
                         CaseName());

}  // namespace
}  // namespace tunvex::testing
