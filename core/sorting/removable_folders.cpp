#include "core/sorting/removable_folders.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

#include "core/base/user_folders.h"

namespace tunvex {
namespace {

using Identity = std::pair<dev_t, ino_t>;

// Known by identity, a folder is found through a link (~/Music to a data disk) or under a second
// spelling all the same.
std::set<Identity> IdentitiesOf(const std::vector<std::string>& folders) {
    std::set<Identity> identities;
    for (const std::string& folder : folders) {
        struct stat info;
        if (stat(folder.c_str(), &info) == 0)
            identities.emplace(info.st_dev, info.st_ino);
    }
    return identities;
}

bool IsKept(const std::string& folder, const std::set<Identity>& kept) {
    struct stat info;
    return stat(folder.c_str(), &info) != 0 || kept.contains({info.st_dev, info.st_ino});
}

}  // namespace

std::vector<FolderToRemove> SourceFoldersToRemove(const PathColumn& sources,
                                                  const std::vector<std::string_view>& roots,
                                                  const std::vector<std::string>& keep) {
    const std::set<Identity> kept = IdentitiesOf(keep);
    std::unordered_map<std::string, std::string> folders;  // each with its root
    for (std::size_t i = 0; i < sources.size() && i < roots.size(); ++i) {
        std::string root(roots[i]);
        while (root.size() > 1 && root.ends_with('/'))
            root.pop_back();
        const std::string source = sources[i];
        if (root.empty() || root == "/" || !source.starts_with(root + "/"))
            continue;
        // Up to the root, or to a folder reached already from a root as high as this one.
        for (std::string folder = source.substr(0, source.rfind('/')); folder.size() >= root.size();
             folder.resize(folder.rfind('/'))) {
            auto [known, added] = folders.emplace(folder, root);
            if (!added && known->second.size() <= root.size())
                break;
            known->second = root;
            if (folder.size() == root.size())
                break;
        }
    }
    std::vector<FolderToRemove> deepestFirst;
    for (const auto& [folder, root] : folders) {
        if (!IsKept(folder, kept))
            deepestFirst.push_back({folder, root});
    }
    auto depth = [](const std::string& path) { return std::count(path.begin(), path.end(), '/'); };
    std::sort(deepestFirst.begin(), deepestFirst.end(), [&](const auto& a, const auto& b) {
        return depth(a.path) != depth(b.path) ? depth(a.path) > depth(b.path) : a.path < b.path;
    });
    return deepestFirst;
}

std::vector<std::string> FoldersNeverRemoved(const std::string& baseFolder) {
    std::vector<std::string> folders = UserFolders();
    // The folders above the base folder never empty while it is there; it may not be yet.
    for (std::string folder = baseFolder; folder.size() > 1;) {
        folders.push_back(folder);
        const std::size_t slash = folder.rfind('/');
        if (slash == std::string::npos)
            break;
        folder.resize(slash);
    }
    return folders;
}

}  // namespace tunvex
