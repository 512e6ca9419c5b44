#include "value_names.h"

#include <array>
#include <span>
#include <string_view>

#include "code_page.h"

namespace mp3infp {
namespace {

// Each name reads one field from the first of its sources that has it.
struct ValueName {
    std::string_view name;
    Field field;
    std::span<const Source> sources;
};

// Main is the only source of non-MP3 formats; for an MP3 it is an APE tag, richer than ID3v1.
constexpr std::array kAnySource = {Source::Id3v2, Source::RiffInfo, Source::Main, Source::Id3v1};
constexpr std::array kId3v1 = {Source::Id3v1};
constexpr std::array kId3v2 = {Source::Id3v2};
constexpr std::array kRiffInfo = {Source::RiffInfo};

constexpr std::array kValueNames = {
    ValueName{"INAM", Field::Title, kAnySource},
    ValueName{"IART", Field::Artist, kAnySource},
    ValueName{"IPRD", Field::Album, kAnySource},
    ValueName{"TRACK", Field::Track, kAnySource},
    ValueName{"INAM_v1", Field::Title, kId3v1},
    ValueName{"IART_v1", Field::Artist, kId3v1},
    ValueName{"IPRD_v1", Field::Album, kId3v1},
    ValueName{"TRACK_v1", Field::Track, kId3v1},
    ValueName{"INAM_v2", Field::Title, kId3v2},
    ValueName{"IART_v2", Field::Artist, kId3v2},
    ValueName{"IPRD_v2", Field::Album, kId3v2},
    ValueName{"TRACK_v2", Field::Track, kId3v2},
    ValueName{"INAM_rmp", Field::Title, kRiffInfo},
    ValueName{"IART_rmp", Field::Artist, kRiffInfo},
    ValueName{"IPRD_rmp", Field::Album, kRiffInfo},
    ValueName{"TRACK_rmp", Field::Track, kRiffInfo},
    // Of our own: the album artist, and "1" for a part of a compilation.
    ValueName{"AART", Field::AlbumArtist, kAnySource},
    ValueName{"COMP", Field::Compilation, kAnySource},
    ValueName{"AART_v2", Field::AlbumArtist, kId3v2},
    ValueName{"COMP_v2", Field::Compilation, kId3v2},
};

const std::string* FindText(const TagBlocks& tags, const ValueName& name) {
    for (const Source source : name.sources) {
        const auto block = tags.bySource.find(source);
        if (block == tags.bySource.end()) {
            continue;
        }
        const auto text = block->second.find(name.field);
        if (text != block->second.end()) {
            return &text->second;
        }
    }
    return nullptr;
}

}  // namespace

std::map<std::string, std::string, std::less<>> ResolveValueNames(const TagBlocks& tags,
                                                                  const std::string& codePage) {
    std::map<std::string, std::string, std::less<>> values;
    for (const ValueName& name : kValueNames) {
        if (const std::string* text = FindText(tags, name)) {
            values.emplace(name.name, FromUtf8(*text, codePage));
        }
    }
    return values;
}

}  // namespace mp3infp
