#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <string_view>

#include "file_kind.h"
#include "id3v2_tag.h"
#include "mpeg_header.h"
#include "ogg_streams.h"

namespace mp3infp {
namespace {

// Enough for every signature, including the one of MOD files at byte 1080.
constexpr size_t kHeadSize = 4096;
// A file with more leading ID3v2 tags than this is not worth looking at.
constexpr int kMaxLeadingTags = 4;

struct Magic {
    size_t offset;
    std::string_view bytes;
    FileKind kind;
};

using namespace std::string_view_literals;

constexpr std::array kMagics = {
    Magic{0, "fLaC"sv, FileKind::Flac},
    Magic{0, "MAC "sv, FileKind::Ape},
    Magic{0, "wvpk"sv, FileKind::WavPack},
    Magic{0, "MPCK"sv, FileKind::Musepack},
    Magic{0, "MP+"sv, FileKind::Musepack},
    Magic{0, "TTA1"sv, FileKind::TrueAudio},
    Magic{0, "DSD "sv, FileKind::Dsf},
    Magic{0, "tBaK"sv, FileKind::Tak},
    Magic{0, "\x1A\x45\xDF\xA3"sv, FileKind::Matroska},
    Magic{4, "ftyp"sv, FileKind::Mp4},
    Magic{0, "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv, FileKind::Asf},
    Magic{0, "IMPM"sv, FileKind::It},
    Magic{0, "Extended Module: "sv, FileKind::Xm},
    Magic{44, "SCRM"sv, FileKind::S3m},
    Magic{0, "OFR "sv, FileKind::OptimFrog},
    Magic{0, "SNES-SPC700 Sound File Data"sv, FileKind::Spc},
    // The two versions of TwinVQ files.
    Magic{0, "TWIN97012000"sv, FileKind::TwinVq},
    Magic{0, "TWIN00052200"sv, FileKind::TwinVq},
};

constexpr std::array kRiffForms = {
    Magic{8, "RMP3"sv, FileKind::RiffMp3},
    Magic{8, "WAVE"sv, FileKind::Wav},
};

constexpr std::array kAiffForms = {
    Magic{8, "AIFF"sv, FileKind::Aiff},
    Magic{8, "AIFC"sv, FileKind::Aiff},
};

constexpr std::array kFrm8Forms = {
    Magic{12, "DSD "sv, FileKind::Dsdiff},
};

constexpr std::array kModSignatures = {"M.K."sv, "M!K!"sv, "M&K!"sv, "N.T."sv, "FLT4"sv,
                                       "FLT8"sv, "CD81"sv, "OKTA"sv, "OCTA"sv};

struct ExtensionKind {
    std::string_view extension;
    FileKind kind;
};

// Where the content does not tell: behind a leading ID3v2 tag with no recognisable stream.
constexpr std::array kTaggedExtensions = {
    ExtensionKind{"mp3", FileKind::Mpeg},   ExtensionKind{"mp2", FileKind::Mpeg},
    ExtensionKind{"mp1", FileKind::Mpeg},   ExtensionKind{"mpga", FileKind::Mpeg},
    ExtensionKind{"flac", FileKind::Flac},  ExtensionKind{"tta", FileKind::TrueAudio},
    ExtensionKind{"ape", FileKind::Ape},    ExtensionKind{"mpc", FileKind::Musepack},
    ExtensionKind{"wv", FileKind::WavPack},
};

template <size_t N>
FileKind MatchMagic(std::string_view head, const std::array<Magic, N>& magics) {
    for (const Magic& magic : magics) {
        if (head.size() >= magic.offset && head.substr(magic.offset).starts_with(magic.bytes)) {
            return magic.kind;
        }
    }
    return FileKind::Unknown;
}

bool IsModSignature(std::string_view head) {
    constexpr size_t kSignatureOffset = 1080;
    if (head.size() < kSignatureOffset + 4) {
        return false;
    }
    const std::string_view signature = head.substr(kSignatureOffset, 4);
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    const bool channelCount =
        (isDigit(signature[0]) && signature.substr(1) == "CHN") ||
        (isDigit(signature[0]) && isDigit(signature[1]) && signature.substr(2) == "CH");
    return channelCount || std::find(kModSignatures.begin(), kModSignatures.end(), signature) !=
                               kModSignatures.end();
}

FileKind SniffHead(std::string_view head) {
    if (head.starts_with("RIFF")) {
        return MatchMagic(head, kRiffForms);
    }
    if (head.starts_with("FORM")) {
        return MatchMagic(head, kAiffForms);
    }
    if (head.starts_with("FRM8")) {
        return MatchMagic(head, kFrm8Forms);
    }
    if (head.starts_with("OggS")) {
        return SniffOggStreams(head);
    }
    if (const FileKind kind = MatchMagic(head, kMagics); kind != FileKind::Unknown) {
        return kind;
    }
    if (StartsWithMpegAudio(head)) {
        return FileKind::Mpeg;
    }
    return IsModSignature(head) ? FileKind::Mod : FileKind::Unknown;
}

// Junk before the first frame is common in files named as MPEG; a frame must still show up
// in the head, or TagLib would scan a large file of something else to its end.
bool HasMpegFrameInHead(std::string_view head) {
    for (size_t i = head.find('\xFF'); i != std::string_view::npos; i = head.find('\xFF', i + 1)) {
        if (StartsWithMpegAudio(head.substr(i))) {
            return true;
        }
    }
    return false;
}

// An ID3v1 block or an APE tag, alone or before an ID3v1 block, closing the file.
bool EndsWithTag(const OpenedFile& file) {
    constexpr size_t kId3v1Size = 128;
    constexpr size_t kApeFooterSize = 32;
    const uint64_t fileSize = file.Size();
    if (fileSize < kApeFooterSize) {
        return false;
    }
    const size_t tailSize = std::min<uint64_t>(fileSize, kId3v1Size + kApeFooterSize);
    const std::string tail = file.ReadAt(fileSize - tailSize, tailSize);
    const auto endsWith = [&](size_t size, std::string_view magic) {
        return tail.size() >= size && tail.substr(tail.size() - size).starts_with(magic);
    };
    return endsWith(kId3v1Size, "TAG") || endsWith(kApeFooterSize, "APETAGEX") ||
           endsWith(kId3v1Size + kApeFooterSize, "APETAGEX");
}

FileKind KindByExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return FileKind::Unknown;
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto found =
        std::find_if(kTaggedExtensions.begin(), kTaggedExtensions.end(),
                     [&](const ExtensionKind& e) { return e.extension == extension; });
    return found != kTaggedExtensions.end() ? found->kind : FileKind::Unknown;
}

}  // namespace

FileKind SniffFileKind(const OpenedFile& file) {
    const std::string& name = file.Name();
    uint64_t offset = 0;
    std::string head = file.ReadAt(offset, kHeadSize);
    bool hasLeadingTag = false;
    for (int tags = 0; tags < kMaxLeadingTags && Id3v2TagSize(head) > 0; ++tags) {
        hasLeadingTag = true;
        offset += Id3v2TagSize(head);
        head = file.ReadAt(offset, kHeadSize);
    }
    const FileKind kind = SniffHead(head);
    if (hasLeadingTag) {
        // Behind a leading ID3v2 tag: a stream TagLib reads there, else what the extension
        // says, else MPEG.
        const bool taggedContainer = kind == FileKind::Flac || kind == FileKind::Ape ||
                                     kind == FileKind::TrueAudio || kind == FileKind::Musepack ||
                                     kind == FileKind::WavPack || kind == FileKind::OptimFrog;
        if (taggedContainer || kind == FileKind::Mpeg) {
            return kind;
        }
        const FileKind byExtension = KindByExtension(name);
        return byExtension != FileKind::Unknown ? byExtension : FileKind::Mpeg;
    }
    // Only MPEG has a validity check strong enough to trust the extension without magic bytes:
    // a frame soon, or a tag block at the end of a file whose frames lie behind long junk.
    if (kind == FileKind::Unknown && KindByExtension(name) == FileKind::Mpeg &&
        (HasMpegFrameInHead(head) || EndsWithTag(file))) {
        return FileKind::Mpeg;
    }
    return kind;
}

}  // namespace mp3infp
