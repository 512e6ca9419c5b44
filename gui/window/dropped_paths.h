// What a drop carries: local file URLs of a "text/uri-list", taken byte-exact (percent-decoded,
// never through a text codec), so a file whose name is not valid in the locale's encoding still
// sorts.
#pragma once

#include <QByteArray>

#include <optional>
#include <string>
#include <vector>

namespace tunvex {

// The paths in list order; nullopt when the list is empty or names anything but local files
// (another host, another scheme), so the whole drop is refused.
std::optional<std::vector<std::string>> LocalPathsFromUriList(const QByteArray& uriList,
                                                              const QByteArray& hostName);

}  // namespace tunvex
