#include "asf_objects.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "byte_order.h"
#include "code_page.h"
#include "tag_readers.h"

namespace mp3infp {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kHeaderGuid =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
// Every ASF header has these two.
constexpr std::string_view kFilePropertiesGuid =
    "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65"sv;
constexpr std::string_view kStreamPropertiesGuid =
    "\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65"sv;
constexpr std::string_view kHeaderExtensionGuid =
    "\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65"sv;

// The objects that hold values, in the order their values are preferred.
enum class Holder { ContentDescription, ExtendedContentDescription, Metadata, MetadataLibrary };
constexpr size_t kHolderCount = 4;

struct HolderGuid {
    std::string_view guid;
    Holder holder;
};

constexpr std::array kHolderGuids = {
    HolderGuid{"\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv,
               Holder::ContentDescription},
    HolderGuid{"\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50"sv,
               Holder::ExtendedContentDescription},
    HolderGuid{"\xEA\xCB\xF8\xC5\xAF\x5B\x77\x48\x84\x67\xAA\x8C\x44\xFA\x4C\xCA"sv,
               Holder::Metadata},
    HolderGuid{"\x94\x1C\x23\x44\x98\x94\xD1\x49\xA1\x41\x1D\x13\x4E\x45\x70\x54"sv,
               Holder::MetadataLibrary},
};

// The names Content Description values go by, so that one table serves every object.
struct AttributeField {
    std::string_view name;
    Field field;
};

constexpr std::array kAttributeFields = {
    AttributeField{"Title", Field::Title},
    AttributeField{"Author", Field::Artist},
    AttributeField{"WM/AlbumTitle", Field::Album},
    AttributeField{"WM/TrackNumber", Field::Track},
    AttributeField{"WM/AlbumArtist", Field::AlbumArtist},
};

constexpr uint64_t kObjectHeaderSize = 24;
constexpr uint64_t kHeaderObjectSize = 30;
constexpr uint64_t kHeaderExtensionSize = kObjectHeaderSize + 22;
// Names and text values are short; pictures are what is large, and they are skipped.
constexpr uint64_t kMaxTextSize = uint64_t{64} * 1024;
constexpr int kMaxObjects = 4096;

enum ValueType : uint16_t { kText = 0, kDword = 3, kQword = 4, kWord = 5 };

// Reads little-endian fields one after another, never past end.
class Cursor {
  public:
    Cursor(const OpenedFile& file, uint64_t position, uint64_t end)
        : file_(file), position_(position), end_(std::min(end, file.Size())) {}

    bool AtEnd() const { return position_ >= end_; }

    std::optional<uint64_t> Number(size_t size) {
        const auto bytes = Bytes(size);
        return bytes ? std::optional(LittleEndianNumber(*bytes)) : std::nullopt;
    }

    // size bytes, or nothing when fewer are left; empty when they are too many to be a text.
    std::optional<std::string> Bytes(uint64_t size) {
        if (size > end_ - std::min(position_, end_)) {
            return std::nullopt;
        }
        const uint64_t start = position_;
        position_ += size;
        if (size > kMaxTextSize) {
            return std::string();
        }
        return file_.ReadAt(start, size);
    }

  private:
    const OpenedFile& file_;
    uint64_t position_;
    uint64_t end_;
};

std::string Utf16Text(std::string_view bytes) {
    size_t end = 0;
    while (end + 1 < bytes.size() && (bytes[end] != '\0' || bytes[end + 1] != '\0')) {
        end += 2;
    }
    return ToUtf8(bytes.substr(0, end), "UTF-16LE").value_or("");
}

std::string ValueText(uint64_t type, const std::string& value) {
    switch (type) {
        case kText:
            return Utf16Text(value);
        case kDword:
        case kQword:
        case kWord:
            return std::to_string(LittleEndianNumber(value));
        default:
            return {};
    }
}

void PutAttribute(FieldTexts& fields, std::string_view name, std::string text) {
    const auto known =
        std::find_if(kAttributeFields.begin(), kAttributeFields.end(),
                     [&](const AttributeField& attribute) { return attribute.name == name; });
    if (known != kAttributeFields.end() && !fields.contains(known->field)) {
        PutField(fields, known->field, std::move(text));
    }
}

void ReadContentDescription(Cursor cursor, FieldTexts& fields) {
    const auto titleSize = cursor.Number(2);
    const auto authorSize = cursor.Number(2);
    if (!cursor.Number(6) || !titleSize || !authorSize) {
        return;
    }
    if (const auto title = cursor.Bytes(*titleSize)) {
        PutAttribute(fields, "Title", Utf16Text(*title));
    }
    if (const auto author = cursor.Bytes(*authorSize)) {
        PutAttribute(fields, "Author", Utf16Text(*author));
    }
}

void ReadExtendedContentDescription(Cursor cursor, FieldTexts& fields) {
    auto count = cursor.Number(2);
    for (; count && *count > 0; --*count) {
        const auto nameSize = cursor.Number(2);
        const auto name = nameSize ? cursor.Bytes(*nameSize) : std::nullopt;
        const auto type = cursor.Number(2);
        const auto valueSize = cursor.Number(2);
        const auto value = valueSize ? cursor.Bytes(*valueSize) : std::nullopt;
        if (!name || !type || !value) {
            return;
        }
        PutAttribute(fields, Utf16Text(*name), ValueText(*type, *value));
    }
}

// Metadata and Metadata Library records share their layout: language or reserved word, stream,
// name size, type, value size, name, value.
void ReadMetadataRecords(Cursor cursor, FieldTexts& fields) {
    auto count = cursor.Number(2);
    for (; count && *count > 0; --*count) {
        const auto languageAndStream = cursor.Number(4);
        const auto nameSize = cursor.Number(2);
        const auto type = cursor.Number(2);
        const auto valueSize = cursor.Number(4);
        if (!languageAndStream || !nameSize || !type || !valueSize) {
            return;
        }
        const auto name = cursor.Bytes(*nameSize);
        const auto value = cursor.Bytes(*valueSize);
        if (!name || !value) {
            return;
        }
        PutAttribute(fields, Utf16Text(*name), ValueText(*type, *value));
    }
}

struct Header {
    std::array<FieldTexts, kHolderCount> holders;
    int mandatoryObjects = 0;
};

void ReadObject(std::string_view guid, Cursor body, Header& header) {
    if (guid == kFilePropertiesGuid || guid == kStreamPropertiesGuid) {
        ++header.mandatoryObjects;
    }
    const auto holder = std::find_if(kHolderGuids.begin(), kHolderGuids.end(),
                                     [&](const HolderGuid& h) { return h.guid == guid; });
    if (holder == kHolderGuids.end()) {
        return;
    }
    FieldTexts& fields = header.holders[static_cast<size_t>(holder->holder)];
    switch (holder->holder) {
        case Holder::ContentDescription:
            ReadContentDescription(body, fields);
            break;
        case Holder::ExtendedContentDescription:
            ReadExtendedContentDescription(body, fields);
            break;
        default:
            ReadMetadataRecords(body, fields);
    }
}

// An object cut short by the end of its parent or of the file gives the records that are whole.
void ReadObjects(const OpenedFile& file, uint64_t begin, uint64_t end, Header& header,
                 bool nested) {
    end = std::min(end, file.Size());
    for (int count = 0; count < kMaxObjects && begin + kObjectHeaderSize <= end; ++count) {
        Cursor object(file, begin, end);
        const auto guid = object.Bytes(16);
        const auto size = object.Number(8);
        if (!guid || !size || *size < kObjectHeaderSize) {
            return;
        }
        const uint64_t objectEnd = begin + std::min(*size, end - begin);
        if (*guid == kHeaderExtensionGuid && !nested) {
            ReadObjects(file, begin + kHeaderExtensionSize, objectEnd, header, true);
        } else {
            ReadObject(*guid, Cursor(file, begin + kObjectHeaderSize, objectEnd), header);
        }
        begin = objectEnd;
    }
}

}  // namespace

std::optional<FieldTexts> ReadAsfTags(const OpenedFile& file) {
    const std::string start = file.ReadAt(0, kHeaderObjectSize);
    if (start.size() < kHeaderObjectSize || !start.starts_with(kHeaderGuid)) {
        return std::nullopt;
    }
    Header header;
    ReadObjects(file, kHeaderObjectSize, Cursor(file, 16, 24).Number(8).value_or(0), header, false);
    if (header.mandatoryObjects < 2) {
        return std::nullopt;
    }
    FieldTexts fields;
    for (const FieldTexts& held : header.holders) {
        AddMissingFields(fields, held);
    }
    return fields;
}

}  // namespace mp3infp
