// The temporaries a transfer writes into before it claims a name: what they are called, how one
// is made, and the sweep of those a killed run left.
#pragma once

#include <string>
#include <string_view>

namespace tunvex {

// Temporaries are named kTemporaryPrefix + six random characters + kTemporarySuffix. Each is
// held under an exclusive flock from its creation until it is claimed or dropped, so that a lock
// that can be taken marks one a killed run left behind.
constexpr char kTemporaryPrefix[] = ".tunvex-";
constexpr char kTemporarySuffix[] = ".part";

// True for a file name of the temporaries' form: never a file to sort.
bool IsTemporaryName(std::string_view name);

// A new temporary in folder, locked; path gets its name. fd, or -1 with errno set.
int CreateTemporary(const std::string& folder, std::string& path);

// Removes the temporaries in folder that no live run holds locked and this process does not hold.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace tunvex
