#pragma once

#include "tag_fields.h"

namespace TagLib {
class PropertyMap;
}  // namespace TagLib

namespace mp3infp {

// Texts of a tag in TagLib's unified form (Xiph, APE, MP4, ASF and tracker tags).
FieldTexts ReadPropertyFields(const TagLib::PropertyMap& properties);

// Adds to fields what they lack from more.
void AddMissingFields(FieldTexts& fields, const FieldTexts& more);

}  // namespace mp3infp
