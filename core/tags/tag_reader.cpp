#include "core/tags/tag_reader.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "core/base/catalogue.h"

namespace tunvex {
namespace {

constexpr std::uint32_t kTypeMp3 = 1;
constexpr unsigned kTagId3v1 = 0x01;
constexpr unsigned kTagId3v2 = 0x02;
constexpr unsigned kTagRiff = 0x04;

// Null: the source has no such value. A library that knows no name answers nothing for it.
struct ValueNames {
    const char* title;
    const char* artist;
    const char* album;
    const char* track;
    const char* albumArtist;
    const char* compilation;
};

constexpr ValueNames kPlainNames = {"INAM", "IART", "IPRD", "TRACK", "AART", "COMP"};
constexpr ValueNames kId3v1Names = {"INAM_v1", "IART_v1", "IPRD_v1", "TRACK_v1", nullptr, nullptr};
constexpr ValueNames kId3v2Names = {"INAM_v2",  "IART_v2", "IPRD_v2",
                                    "TRACK_v2", "AART_v2", "COMP_v2"};
constexpr ValueNames kRiffNames = {"INAM_rmp", "IART_rmp", "IPRD_rmp", nullptr, nullptr, nullptr};

const ValueNames* ChooseMp3Source(std::uint32_t tagType, int tagMode) {
    struct Choice {
        unsigned bit;
        const ValueNames* names;
    };
    static constexpr Choice kVersion2First[] = {
        {kTagId3v2, &kId3v2Names}, {kTagRiff, &kRiffNames}, {kTagId3v1, &kId3v1Names}};
    static constexpr Choice kVersion1First[] = {
        {kTagId3v1, &kId3v1Names}, {kTagId3v2, &kId3v2Names}, {kTagRiff, &kRiffNames}};
    for (const Choice& choice : tagMode == 1 ? kVersion2First : kVersion1First) {
        if (tagType & choice.bit)
            return choice.names;
    }
    return nullptr;
}

void ReadValue(const TagLibrary& library, const char* name, std::string& field) {
    char* value = nullptr;
    if (name && library.getValue(name, &value) != 0 && value)
        field = value;
}

bool IsUnsafeInName(char c) {
    return std::string_view("\\/:;*?\"<>|").find(c) != std::string_view::npos;
}

void FillPlaceholder(unsigned placeholderId, std::string& field) {
    if (field.empty())
        LoadCatalogueString(placeholderId, field);
}

}  // namespace

void SanitizeTagText(CodePage codePage, std::string& text) {
    // A field cut to its size can end in half a character, which white space may have hidden.
    TrimWhiteSpace(codePage, text);
    TrimCutOffChar(codePage, text);
    TrimWhiteSpace(codePage, text);
    // Characters a file name cannot hold become '_', and so do control characters, which would
    // reach file names and, printed, drive a terminal. One pass in place: no character grows.
    std::size_t kept = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = CharLength(codePage, text, pos);
        std::string_view character = std::string_view(text).substr(pos, length);
        if ((length == 1 && IsUnsafeInName(text[pos])) || IsControlChar(codePage, character)) {
            text[kept++] = '_';
        } else {
            std::copy(text.begin() + static_cast<std::ptrdiff_t>(pos),
                      text.begin() + static_cast<std::ptrdiff_t>(pos + length),
                      text.begin() + static_cast<std::ptrdiff_t>(kept));
            kept += length;
        }
        pos += length;
    }
    text.resize(kept);
}

bool ReadTrackTags(const TagLibrary& library, int tagMode, CodePage codePage,
                   const std::string& path, TrackTags& tags) {
    // The library's window argument is for its own messages, which it never shows.
    if (library.load(nullptr, path.c_str()) != 0)
        return false;
    std::uint32_t type = library.getType();
    if (type == 0)
        return false;

    TrackTags read;
    std::string compilation;
    const ValueNames* source =
        type == kTypeMp3 ? ChooseMp3Source(library.getTagType() & 0xFF, tagMode) : &kPlainNames;
    if (source) {
        ReadValue(library, source->title, read.title);
        ReadValue(library, source->artist, read.artist);
        ReadValue(library, source->album, read.album);
        ReadValue(library, source->track, read.track);
        ReadValue(library, source->albumArtist, read.albumArtist);
        ReadValue(library, source->compilation, compilation);
    }
    TrimWhiteSpace(codePage, compilation);
    read.compilation = !compilation.empty() && compilation != "0";

    std::size_t slash = FindChar(codePage, read.track, '/');
    if (slash != std::string::npos)
        read.track.resize(slash);
    for (std::string* field :
         {&read.title, &read.artist, &read.album, &read.track, &read.albumArtist}) {
        SanitizeTagText(codePage, *field);
    }
    FillPlaceholder(kUnknownTitle, read.title);
    FillPlaceholder(kUnknownArtist, read.artist);
    FillPlaceholder(kUnknownAlbum, read.album);
    FillPlaceholder(kUnknownTrack, read.track);
    if (read.track.size() == 1)
        read.track.insert(read.track.begin(), '0');
    tags = std::move(read);
    return true;
}

}  // namespace tunvex
