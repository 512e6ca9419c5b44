#include "core/sorting/emptied_source_folders.h"

#include <algorithm>
#include <unordered_set>

namespace tunvex {

std::vector<std::string> SourceFoldersToRemove(const std::vector<std::string>& sources,
                                               const std::vector<std::string>& roots) {
    std::unordered_set<std::string> folders;
    for (std::size_t i = 0; i < sources.size() && i < roots.size(); ++i) {
        std::string root = roots[i];
        while (root.size() > 1 && root.ends_with('/'))
            root.pop_back();
        if (root.empty() || root == "/" || !sources[i].starts_with(root + "/"))
            continue;
        std::string folder = sources[i].substr(0, sources[i].rfind('/'));
        while (folder.size() >= root.size() && folders.insert(folder).second && folder != root)
            folder.resize(folder.rfind('/'));
    }
    std::vector<std::string> deepestFirst(folders.begin(), folders.end());
    auto depth = [](const std::string& path) { return std::count(path.begin(), path.end(), '/'); };
    std::sort(deepestFirst.begin(), deepestFirst.end(), [&](const auto& a, const auto& b) {
        return depth(a) != depth(b) ? depth(a) > depth(b) : a < b;
    });
    return deepestFirst;
}

}  // namespace tunvex
