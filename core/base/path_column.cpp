#include "core/base/path_column.h"

#include <algorithm>

namespace tunvex {
namespace {

constexpr std::size_t kBlockBytes = 1u << 16;

std::size_t HashOf(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}

}  // namespace

PathColumn::Span PathColumn::Store(std::string_view text) {
    if (text.size() >= kLongText) {
        longTexts_.emplace_back(text);
        return {static_cast<std::uint32_t>(longTexts_.size() - 1), 0, kLongText};
    }
    // Offsets stay below the block's size, which a 16-bit offset reaches.
    if (blocks_.empty() || kBlockBytes - blocks_.back().size() <= text.size())
        blocks_.emplace_back().reserve(kBlockBytes);
    std::string& block = blocks_.back();
    Span span{static_cast<std::uint32_t>(blocks_.size() - 1),
              static_cast<std::uint16_t>(block.size()), static_cast<std::uint16_t>(text.size())};
    block.append(text);
    return span;
}

std::string_view PathColumn::View(const Span& span) const {
    if (span.length == kLongText)
        return longTexts_[span.block];
    return std::string_view(blocks_[span.block]).substr(span.offset, span.length);
}

void PathColumn::GrowFolderSlots() {
    std::vector<std::uint32_t> slots(std::max<std::size_t>(folderSlots_.size() * 2, 64), 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t index = 0; index < folders_.size(); ++index) {
        std::size_t slot = HashOf(View(folders_[index])) & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = index + 1;
    }
    folderSlots_ = std::move(slots);
}

std::uint32_t PathColumn::InternFolder(std::string_view folder) {
    // Paths come a folder at a time.
    if (!entries_.empty() && View(folders_[entries_.back().folder]) == folder)
        return entries_.back().folder;
    if (folderSlots_.size() < 2 * (folders_.size() + 1))
        GrowFolderSlots();
    const std::size_t mask = folderSlots_.size() - 1;
    std::size_t slot = HashOf(folder) & mask;
    for (; folderSlots_[slot] != 0; slot = (slot + 1) & mask) {
        if (View(folders_[folderSlots_[slot] - 1]) == folder)
            return folderSlots_[slot] - 1;
    }
    auto index = static_cast<std::uint32_t>(folders_.size());
    folders_.push_back(Store(folder));
    folderSlots_[slot] = index + 1;
    return index;
}

void PathColumn::push_back(std::string_view path) {
    std::size_t slash = path.rfind('/');
    std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    std::uint32_t folder = InternFolder(path.substr(0, nameStart));
    entries_.push_back({folder, Store(path.substr(nameStart))});
}

void PathColumn::clear() {
    *this = PathColumn();
}

std::string PathColumn::operator[](std::size_t index) const {
    std::string_view folderPart = folder(index);
    std::string_view namePart = name(index);
    std::string path;
    path.reserve(folderPart.size() + namePart.size());
    path.append(folderPart).append(namePart);
    return path;
}

std::string_view PathColumn::folder(std::size_t index) const {
    return View(folders_[entries_[index].folder]);
}

std::string_view PathColumn::name(std::size_t index) const {
    return View(entries_[index].name);
}

void PathColumn::keep_if(const std::function<bool(std::size_t index)>& keep) {
    std::size_t kept = 0;
    for (std::size_t index = 0; index < entries_.size(); ++index) {
        if (keep(index))
            entries_[kept++] = entries_[index];
    }
    entries_.resize(kept);
}

}  // namespace tunvex
