// Many paths held as a folder and a name: each folder once, the names packed in blocks, so a
// million files cost their names and not two million heap blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace tunvex {

class PathColumn {
  public:
    class const_iterator {
      public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string;

        const_iterator() = default;
        const_iterator(const PathColumn* column, std::size_t index)
            : column_(column), index_(index) {}
        std::string operator*() const { return (*column_)[index_]; }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }

      private:
        const PathColumn* column_ = nullptr;
        std::size_t index_ = 0;
    };
    using value_type = std::string;
    using iterator = const_iterator;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void reserve(std::size_t paths) { entries_.reserve(paths); }
    // Gives back what growing left unused.
    void shrink_to_fit() {
        entries_.shrink_to_fit();
        folders_.shrink_to_fit();
    }
    void push_back(std::string_view path);
    void clear();

    // The path as it was given.
    std::string operator[](std::size_t index) const;
    // Up to and with the last '/'; empty for a path without one.
    std::string_view folder(std::size_t index) const;
    std::string_view name(std::size_t index) const;

    // Drops the paths whose index keep refuses, the others in order.
    void keep_if(const std::function<bool(std::size_t index)>& keep);

    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

  private:
    // A name or a folder: in a block, or kLongText long or more and in longTexts_ at block.
    struct Span {
        std::uint32_t block;
        std::uint16_t offset;
        std::uint16_t length;
    };
    struct Entry {
        std::uint32_t folder;
        Span name;
    };
    static constexpr std::uint16_t kLongText = 0xFFFF;

    Span Store(std::string_view text);
    std::string_view View(const Span& span) const;
    std::uint32_t InternFolder(std::string_view folder);
    void GrowFolderSlots();

    std::vector<Entry> entries_;
    std::vector<Span> folders_;
    // Open addressing over the folders' hashes: each slot 0 or a folder's index + 1.
    std::vector<std::uint32_t> folderSlots_;
    // Texts never straddle two blocks, and a block never grows past what it reserved: no copy of
    // all the names as they grow, and no heap block for each.
    std::vector<std::string> blocks_;
    std::vector<std::string> longTexts_;
};

}  // namespace tunvex
