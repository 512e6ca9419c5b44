#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace mp3infp {

// Values a tag can hold; each one is named by the table in value_names.cpp.
// Compilation holds "1" when the tag marks the file as part of a compilation.
enum class Field { Title, Artist, Album, Track, AlbumArtist, Compilation };

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

// A field by the name a tag gives it (an APE key, a Vorbis comment name).
struct NamedField {
    std::string_view name;  // upper case: names compare without regard to case
    Field field;
};

// The field that name (letter case ignored) stands for in table, if any.
inline std::optional<Field> FieldNamed(std::string_view name, std::span<const NamedField> table) {
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const auto known = std::find_if(table.begin(), table.end(),
                                    [&](const NamedField& named) { return named.name == upper; });
    return known != table.end() ? std::optional(known->field) : std::nullopt;
}

// Adds text to fields unless it is empty.
inline void PutField(FieldTexts& fields, Field field, std::string text) {
    if (!text.empty()) {
        fields[field] = std::move(text);
    }
}

}  // namespace mp3infp
