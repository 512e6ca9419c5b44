// Destinations known by their row in the request's column and looked up by their text: a set of
// them costs an index a path, not a copy of it. The column only grows while a set uses it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/base/path_column.h"

namespace tunvex {

// A path as the column splits it: up to and with the last '/', and the rest.
struct SplitPath {
    std::string_view folder;
    std::string_view name;
    bool operator==(const SplitPath&) const = default;
};

inline SplitPath SplitAtLastSlash(std::string_view path) {
    std::size_t cut = path.rfind('/') + 1;  // 0 without one
    return {path.substr(0, cut), path.substr(cut)};
}

class RowKeys {
  public:
    using is_transparent = void;

    explicit RowKeys(const PathColumn* column) : column_(column) {}

    std::size_t operator()(std::uint32_t row) const { return Hash(Key(row)); }
    std::size_t operator()(const SplitPath& path) const { return Hash(path); }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
        return Key(a) == Key(b);
    }

  private:
    SplitPath Key(std::uint32_t row) const { return {column_->folder(row), column_->name(row)}; }
    static SplitPath Key(const SplitPath& path) { return path; }
    static std::size_t Hash(const SplitPath& path) {
        return std::hash<std::string_view>()(path.name) ^
               (std::hash<std::string_view>()(path.folder) << 1);
    }

    const PathColumn* column_;
};

using DestinationRows = std::unordered_set<std::uint32_t, RowKeys, RowKeys>;
template <class Value>
using DestinationRowMap = std::unordered_map<std::uint32_t, Value, RowKeys, RowKeys>;

}  // namespace tunvex
