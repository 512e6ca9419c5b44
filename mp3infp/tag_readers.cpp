#include "tag_readers.h"

#include <taglib/tpropertymap.h>

#include <array>

namespace mp3infp {
namespace {

// Where each value lives in TagLib's unified form; a new value is one more row.
struct FieldKey {
    Field field;
    const char* propertyKey;
};

constexpr std::array kFieldKeys = {
    FieldKey{Field::Title, "TITLE"},
    FieldKey{Field::Artist, "ARTIST"},
    FieldKey{Field::Album, "ALBUM"},
    FieldKey{Field::Track, "TRACKNUMBER"},
    FieldKey{Field::AlbumArtist, "ALBUMARTIST"},
    FieldKey{Field::AlbumArtist, "ALBUM ARTIST"},
    FieldKey{Field::Compilation, "COMPILATION"},
};

}  // namespace

FieldTexts ReadPropertyFields(const TagLib::PropertyMap& properties) {
    FieldTexts fields;
    for (const FieldKey& key : kFieldKeys) {
        const auto found = properties.find(key.propertyKey);
        // Several values (artists, most often) are several names; the first names the file.
        if (found != properties.end() && !found->second.isEmpty() && !fields.contains(key.field)) {
            PutField(fields, key.field, found->second.front().to8Bit(true));
        }
    }
    return fields;
}

void AddMissingFields(FieldTexts& fields, const FieldTexts& more) {
    fields.insert(more.begin(), more.end());
}

}  // namespace mp3infp
