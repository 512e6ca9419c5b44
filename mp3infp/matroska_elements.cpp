#include "matroska_elements.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "byte_order.h"
#include "legacy_text.h"
#include "tag_readers.h"

namespace mp3infp {
namespace {

enum ElementId : uint32_t {
    kEbml = 0x1A45DFA3,
    kDocType = 0x4282,
    kSegment = 0x18538067,
    kSeekHead = 0x114D9B74,
    kSeek = 0x4DBB,
    kSeekId = 0x53AB,
    kSeekPosition = 0x53AC,
    kInfo = 0x1549A966,
    kSegmentTitle = 0x7BA9,
    kTags = 0x1254C367,
    kTag = 0x7373,
    kTargets = 0x63C0,
    kTargetTypeValue = 0x68CA,
    kSimpleTag = 0x67C8,
    kTagName = 0x45A3,
    kTagString = 0x4487,
};

// Targets at this level or above name an album or more; below it, a track.
constexpr uint64_t kAlbumLevel = 50;
// Texts are short; a larger claim is not worth reading whole.
constexpr uint64_t kMaxTextSize = uint64_t{64} * 1024;
// Stops a file of many small elements from being walked to its end.
constexpr int kMaxElements = 100000;
constexpr size_t kMaxSeekedTags = 4;

struct NameField {
    std::string_view name;
    Field field;
};

// Track-level tags, and tags without a target type, which writers put on the whole file.
constexpr std::array kTrackNames = {
    NameField{"TITLE", Field::Title},
    NameField{"ARTIST", Field::Artist},
    NameField{"ALBUM", Field::Album},
    NameField{"PART_NUMBER", Field::Track},
};

constexpr std::array kAlbumNames = {
    NameField{"TITLE", Field::Album},
    NameField{"ARTIST", Field::Artist},
};

struct Element {
    uint32_t id;
    uint64_t dataOffset;
    uint64_t end;  // the parent's end for an element of unknown size
    bool unknownSize;
};

// An EBML variable-length number at bytes[offset]: its value with the length marker kept (ids)
// or dropped (sizes), and its length.
struct VarInt {
    uint64_t value;
    size_t length;
    bool allOnes;
};

std::optional<VarInt> ReadVarInt(std::string_view bytes, size_t offset, size_t maxLength,
                                 bool keepMarker) {
    if (offset >= bytes.size() || bytes[offset] == '\0') {
        return std::nullopt;
    }
    const auto first = static_cast<unsigned char>(bytes[offset]);
    const size_t length = static_cast<size_t>(std::countl_zero(first)) + 1;
    if (length > maxLength || offset + length > bytes.size()) {
        return std::nullopt;
    }
    const unsigned char marker = 0x80 >> (length - 1);
    uint64_t value = keepMarker ? first : first & (marker - 1);
    bool allOnes = (first & (marker - 1)) == marker - 1;
    for (size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[offset + i]);
        value = (value << 8) | byte;
        allOnes = allOnes && byte == 0xFF;
    }
    return VarInt{value, length, allOnes};
}

std::optional<Element> ReadElement(const OpenedFile& file, uint64_t offset, uint64_t parentEnd) {
    const std::string header = file.ReadAt(offset, 12);
    const auto id = ReadVarInt(header, 0, 4, true);
    const auto size = id ? ReadVarInt(header, id->length, 8, false) : std::nullopt;
    if (!size) {
        return std::nullopt;
    }
    const uint64_t dataOffset = offset + id->length + size->length;
    if (dataOffset > parentEnd) {
        return std::nullopt;
    }
    const uint64_t end =
        size->allOnes ? parentEnd : dataOffset + std::min(size->value, parentEnd - dataOffset);
    return Element{static_cast<uint32_t>(id->value), dataOffset, end, size->allOnes};
}

// Calls visit for each element in [begin, end) until it returns false. An element of unknown
// size ends the walk after its visit: where it ends is not known.
void ForEachElement(const OpenedFile& file, uint64_t begin, uint64_t end,
                    const std::function<bool(const Element&)>& visit) {
    end = std::min(end, file.Size());
    for (int count = 0; count < kMaxElements && begin < end; ++count) {
        const auto element = ReadElement(file, begin, end);
        if (!element || !visit(*element) || element->unknownSize) {
            return;
        }
        begin = element->end;
    }
}

std::string Text(const OpenedFile& file, const Element& element) {
    const std::string bytes =
        file.ReadAt(element.dataOffset, std::min(element.end - element.dataOffset, kMaxTextSize));
    return DecodeUtf8Text(std::string_view(bytes).substr(0, bytes.find('\0')));
}

uint64_t Unsigned(const OpenedFile& file, const Element& element) {
    return BigEndianNumber(
        file.ReadAt(element.dataOffset, std::min<uint64_t>(element.end - element.dataOffset, 8)));
}

// Fields by the level of the tags they came from.
struct LevelFields {
    FieldTexts track;
    FieldTexts album;
    std::string segmentTitle;
};

void ReadSimpleTag(const OpenedFile& file, const Element& simpleTag, bool albumLevel,
                   LevelFields& fields) {
    std::string name;
    std::string text;
    ForEachElement(file, simpleTag.dataOffset, simpleTag.end, [&](const Element& child) {
        if (child.id == kTagName) {
            name = Text(file, child);
        } else if (child.id == kTagString) {
            text = Text(file, child);
        }
        return true;
    });
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const auto put = [&](const auto& names, FieldTexts& into) {
        const auto known = std::find_if(names.begin(), names.end(),
                                        [&](const NameField& n) { return n.name == name; });
        if (known != names.end() && !into.contains(known->field)) {
            PutField(into, known->field, text);
        }
    };
    if (albumLevel) {
        put(kAlbumNames, fields.album);
    } else {
        put(kTrackNames, fields.track);
    }
}

void ReadTag(const OpenedFile& file, const Element& tag, LevelFields& fields) {
    bool albumLevel = false;
    ForEachElement(file, tag.dataOffset, tag.end, [&](const Element& child) {
        if (child.id == kTargets) {
            ForEachElement(file, child.dataOffset, child.end, [&](const Element& target) {
                if (target.id == kTargetTypeValue) {
                    albumLevel = Unsigned(file, target) >= kAlbumLevel;
                }
                return true;
            });
        } else if (child.id == kSimpleTag) {
            ReadSimpleTag(file, child, albumLevel, fields);
        }
        return true;
    });
}

void ReadTags(const OpenedFile& file, const Element& tags, LevelFields& fields) {
    ForEachElement(file, tags.dataOffset, tags.end, [&](const Element& tag) {
        if (tag.id == kTag) {
            ReadTag(file, tag, fields);
        }
        return true;
    });
}

// Where the SeekHead says Tags elements lie, relative to the segment's data.
void ReadSeekHead(const OpenedFile& file, const Element& seekHead, std::vector<uint64_t>& tags) {
    ForEachElement(file, seekHead.dataOffset, seekHead.end, [&](const Element& seek) {
        if (seek.id != kSeek) {
            return true;
        }
        bool isTags = false;
        std::optional<uint64_t> position;
        ForEachElement(file, seek.dataOffset, seek.end, [&](const Element& child) {
            if (child.id == kSeekId) {
                isTags = Unsigned(file, child) == kTags;
            } else if (child.id == kSeekPosition) {
                position = Unsigned(file, child);
            }
            return true;
        });
        if (isTags && position && tags.size() < kMaxSeekedTags) {
            tags.push_back(*position);
        }
        return true;
    });
}

bool IsMatroska(const OpenedFile& file, const Element& header) {
    bool matroska = false;
    ForEachElement(file, header.dataOffset, header.end, [&](const Element& child) {
        if (child.id == kDocType) {
            const std::string docType = Text(file, child);
            matroska = docType == "matroska" || docType == "webm";
        }
        return !matroska;
    });
    return matroska;
}

}  // namespace

std::optional<FieldTexts> ReadMatroskaTags(const OpenedFile& file) {
    const auto header = ReadElement(file, 0, file.Size());
    if (!header || header->id != kEbml || !IsMatroska(file, *header)) {
        return std::nullopt;
    }
    const auto segment = ReadElement(file, header->end, file.Size());
    if (!segment || segment->id != kSegment) {
        return FieldTexts{};
    }
    LevelFields fields;
    std::vector<uint64_t> seekedTags;
    bool tagsRead = false;
    ForEachElement(file, segment->dataOffset, segment->end, [&](const Element& child) {
        if (child.id == kTags) {
            ReadTags(file, child, fields);
            tagsRead = true;
        } else if (child.id == kSeekHead) {
            ReadSeekHead(file, child, seekedTags);
        } else if (child.id == kInfo) {
            ForEachElement(file, child.dataOffset, child.end, [&](const Element& item) {
                if (item.id == kSegmentTitle) {
                    fields.segmentTitle = Text(file, item);
                }
                return true;
            });
        }
        return true;
    });
    // A walk cut short by a cluster of unknown size reaches the tags by the SeekHead.
    for (const uint64_t position : seekedTags) {
        if (!tagsRead && position < segment->end - segment->dataOffset) {
            const auto tags = ReadElement(file, segment->dataOffset + position, segment->end);
            if (tags && tags->id == kTags) {
                ReadTags(file, *tags, fields);
            }
        }
    }
    FieldTexts result = std::move(fields.track);
    // The album's artist names the file when its track has none, and is its album artist.
    const auto albumArtist = fields.album.find(Field::Artist);
    if (albumArtist != fields.album.end()) {
        PutField(result, Field::AlbumArtist, albumArtist->second);
    }
    AddMissingFields(result, fields.album);
    if (!result.contains(Field::Title)) {
        PutField(result, Field::Title, fields.segmentTitle);
    }
    return result;
}

}  // namespace mp3infp
