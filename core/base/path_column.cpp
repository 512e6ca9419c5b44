#include "core/base/path_column.h"

#include <algorithm>

namespace tunvex {
namespace {

constexpr std::size_t kBlockBytes = 64u << 10;

}  // namespace

std::uint32_t PathColumn::InternFolder(std::string_view folder) {
    // Paths come a folder at a time.
    if (!entries_.empty() && folders_[entries_.back().folder] == folder)
        return entries_.back().folder;
    std::size_t hash = std::hash<std::string_view>{}(folder);
    auto [first, last] = folderIndexes_.equal_range(hash);
    for (auto known = first; known != last; ++known) {
        if (folders_[known->second] == folder)
            return known->second;
    }
    auto index = static_cast<std::uint32_t>(folders_.size());
    folders_.emplace_back(folder);
    folderIndexes_.emplace(hash, index);
    return index;
}

void PathColumn::push_back(std::string_view path) {
    std::size_t slash = path.rfind('/');
    std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    std::string_view name = path.substr(nameStart);
    std::uint32_t folder = InternFolder(path.substr(0, nameStart));
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < name.size()) {
        blocks_.emplace_back().reserve(std::max(kBlockBytes, name.size()));
    }
    std::string& block = blocks_.back();
    entries_.push_back({folder, static_cast<std::uint32_t>(blocks_.size() - 1),
                        static_cast<std::uint32_t>(block.size()),
                        static_cast<std::uint32_t>(name.size())});
    block.append(name);
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
    return folders_[entries_[index].folder];
}

std::string_view PathColumn::name(std::size_t index) const {
    const Entry& entry = entries_[index];
    return std::string_view(blocks_[entry.block]).substr(entry.offset, entry.length);
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
