#include "mp4_atoms.h"

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

#include "byte_order.h"
#include "legacy_text.h"

namespace mp3infp {
namespace {

constexpr uint64_t kAtomHeaderSize = 8;
constexpr uint64_t kLargeAtomHeaderSize = 16;
// Text values are short; a larger claim is not worth reading whole.
constexpr uint64_t kMaxValueSize = uint64_t{64} * 1024;
// The type and locale words before a value.
constexpr size_t kValueHeaderSize = 8;
// Stops a file of thousands of empty atoms from being walked to its end.
constexpr int kMaxAtomsPerLevel = 4096;

struct ItemField {
    std::string_view type;
    Field field;
};

// 0251 is the copyright sign that starts the names of iTunes' text items.
constexpr std::array kItemFields = {
    ItemField{"\251nam", Field::Title},    ItemField{"\251ART", Field::Artist},
    ItemField{"\251alb", Field::Album},    ItemField{"trkn", Field::Track},
    ItemField{"aART", Field::AlbumArtist}, ItemField{"cpil", Field::Compilation},
};

struct Atom {
    std::string type;
    uint64_t dataOffset;
    uint64_t end;  // as declared, which may lie past the end of the file
};

std::optional<Atom> ReadAtom(const OpenedFile& file, uint64_t offset) {
    const std::string header = file.ReadAt(offset, kLargeAtomHeaderSize);
    if (header.size() < kAtomHeaderSize) {
        return std::nullopt;
    }
    const std::string_view bytes = header;
    uint64_t size = BigEndianNumber(bytes.substr(0, 4));
    uint64_t headerSize = kAtomHeaderSize;
    if (size == 1) {
        if (header.size() < kLargeAtomHeaderSize) {
            return std::nullopt;
        }
        size = BigEndianNumber(bytes.substr(8, 8));
        headerSize = kLargeAtomHeaderSize;
    } else if (size == 0) {
        size = file.Size() - offset;  // the last atom, running to the end of the file
    }
    if (size < headerSize || size > std::numeric_limits<uint64_t>::max() - offset) {
        return std::nullopt;
    }
    return Atom{header.substr(4, 4), offset + headerSize, offset + size};
}

// Calls visit for each atom in [begin, end) that starts within the file, until it returns true.
void ForEachAtom(const OpenedFile& file, uint64_t begin, uint64_t end,
                 const std::function<bool(const Atom&)>& visit) {
    end = std::min(end, file.Size());
    for (int count = 0; count < kMaxAtomsPerLevel && begin + kAtomHeaderSize <= end; ++count) {
        const auto atom = ReadAtom(file, begin);
        if (!atom || visit(*atom)) {
            return;
        }
        begin = atom->end;
    }
}

std::optional<Atom> FindAtom(const OpenedFile& file, uint64_t begin, uint64_t end,
                             std::string_view type) {
    std::optional<Atom> found;
    ForEachAtom(file, begin, end, [&](const Atom& atom) {
        if (atom.type == type) {
            found = atom;
        }
        return found.has_value();
    });
    return found;
}

std::optional<Atom> FindChild(const OpenedFile& file, const std::optional<Atom>& parent,
                              std::string_view type) {
    return parent ? FindAtom(file, parent->dataOffset, parent->end, type) : std::nullopt;
}

// "trkn" holds the track and the total as 16-bit numbers; a total of 0 means none.
std::string TrackText(std::string_view value) {
    if (value.size() < 6) {
        return {};
    }
    const uint64_t track = BigEndianNumber(value.substr(2, 2));
    const uint64_t total = BigEndianNumber(value.substr(4, 2));
    if (track == 0) {
        return {};
    }
    return std::to_string(track) + (total > 0 ? "/" + std::to_string(total) : "");
}

void ReadItem(const OpenedFile& file, const Atom& item, FieldTexts& fields) {
    const auto known = std::find_if(kItemFields.begin(), kItemFields.end(),
                                    [&](const ItemField& f) { return f.type == item.type; });
    if (known == kItemFields.end() || fields.contains(known->field)) {
        return;
    }
    const auto data = FindChild(file, item, "data");
    if (!data || data->end > item.end || data->end - data->dataOffset < kValueHeaderSize) {
        return;
    }
    const uint64_t valueSize =
        std::min(data->end - data->dataOffset - kValueHeaderSize, kMaxValueSize);
    const std::string value = file.ReadAt(data->dataOffset + kValueHeaderSize, valueSize);
    std::string text;
    if (known->field == Field::Track) {
        text = TrackText(value);
    } else if (known->field == Field::Compilation) {
        text = value.find_first_not_of('\0') != std::string::npos ? "1" : "";
    } else {
        text = DecodeUtf8Text(value);
    }
    PutField(fields, known->field, std::move(text));
}

}  // namespace

std::optional<FieldTexts> ReadCutMp4Tags(const OpenedFile& file) {
    const auto movie = FindAtom(file, 0, file.Size(), "moov");
    if (!movie || movie->end <= file.Size()) {
        return std::nullopt;
    }
    const auto meta = FindChild(file, FindChild(file, movie, "udta"), "meta");
    FieldTexts fields;
    if (!meta) {
        return fields;
    }
    // The ISO form of "meta" has version and flags before its children; QuickTime's has none.
    const uint64_t children =
        file.ReadAt(meta->dataOffset + 4, 4) == "hdlr" ? meta->dataOffset : meta->dataOffset + 4;
    const auto list = FindAtom(file, children, meta->end, "ilst");
    if (list) {
        ForEachAtom(file, list->dataOffset, list->end, [&](const Atom& item) {
            if (item.end <= file.Size()) {
                ReadItem(file, item, fields);
            }
            return false;
        });
    }
    return fields;
}

}  // namespace mp3infp
