#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace mp3infp {

// Values a tag can hold; each one is named by the table in value_names.cpp.
enum class Field { Title, Artist, Album, Track };

// Where a value came from. Main is the one tag of a non-MP3 format.
enum class Source { Main, Id3v1, Id3v2, RiffInfo };

// UTF-8 texts of one tag block, exactly as stored.
using FieldTexts = std::map<Field, std::string>;

struct TagBlocks {
    std::map<Source, FieldTexts> bySource;
    uint32_t mp3TagBits = 0;
};

struct ReadResult {
    uint32_t type = 0;
    TagBlocks tags;
};

// Adds text to fields unless it is empty.
inline void PutField(FieldTexts& fields, Field field, std::string text) {
    if (!text.empty()) {
        fields[field] = std::move(text);
    }
}

}  // namespace mp3infp
