#include "tag_readers.h"

#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>

#include <array>
#include <string_view>

#include "legacy_text.h"

namespace mp3infp {
namespace {

// Where each value lives in each kind of tag; a new value is one more row.
struct FieldKeys {
    Field field;
    const char* id3v2Frame;
    const char* propertyKey;
};

constexpr std::array kFieldKeys = {
    FieldKeys{Field::Title, "TIT2", "TITLE"},
    FieldKeys{Field::Artist, "TPE1", "ARTIST"},
    FieldKeys{Field::Album, "TALB", "ALBUM"},
    FieldKeys{Field::Track, "TRCK", "TRACKNUMBER"},
};

std::string FirstUtf8(const TagLib::StringList& values) {
    return values.isEmpty() ? std::string() : values.front().to8Bit(true);
}

// TagLib's default Latin-1 handler maps each byte to one character, so the bytes come back whole.
std::string FirstLegacy(const TagLib::StringList& values) {
    if (values.isEmpty()) {
        return {};
    }
    const TagLib::ByteVector raw = values.front().data(TagLib::String::Latin1);
    return DecodeLegacyText(std::string_view(raw.data(), raw.size()));
}

std::string FrameText(const TagLib::ID3v2::Frame& frame) {
    const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(&frame);
    if (text == nullptr) {
        return frame.toString().to8Bit(true);
    }
    const TagLib::StringList values = text->fieldList();
    return text->textEncoding() == TagLib::String::Latin1 ? FirstLegacy(values) : FirstUtf8(values);
}

}  // namespace

FieldTexts ReadId3v2Fields(const TagLib::ID3v2::Tag& tag) {
    FieldTexts fields;
    const TagLib::ID3v2::FrameListMap& frames = tag.frameListMap();
    for (const FieldKeys& keys : kFieldKeys) {
        const auto found = frames.find(keys.id3v2Frame);
        if (found != frames.end() && !found->second.isEmpty()) {
            PutField(fields, keys.field, FrameText(*found->second.front()));
        }
    }
    return fields;
}

FieldTexts ReadPropertyFields(const TagLib::PropertyMap& properties) {
    FieldTexts fields;
    for (const FieldKeys& keys : kFieldKeys) {
        const auto found = properties.find(keys.propertyKey);
        if (found != properties.end()) {
            PutField(fields, keys.field, FirstUtf8(found->second));
        }
    }
    return fields;
}

void AddMissingFields(FieldTexts& fields, const FieldTexts& more) {
    fields.insert(more.begin(), more.end());
}

}  // namespace mp3infp
