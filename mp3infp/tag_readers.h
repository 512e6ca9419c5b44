#pragma once

#include "tag_fields.h"

namespace TagLib {
class PropertyMap;
namespace ID3v2 {
class Tag;
}
}  // namespace TagLib

namespace mp3infp {

// Texts of an ID3v2 tag; frames marked Latin-1 go through the legacy text rule.
FieldTexts ReadId3v2Fields(const TagLib::ID3v2::Tag& tag);

// Texts of a tag in TagLib's unified form (Xiph, APE, MP4, ASF and tracker tags).
FieldTexts ReadPropertyFields(const TagLib::PropertyMap& properties);

// Adds to fields what they lack from more.
void AddMissingFields(FieldTexts& fields, const FieldTexts& more);

}  // namespace mp3infp
