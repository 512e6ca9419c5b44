// Whether a file is still the version that was looked at.
#pragma once

#include <sys/stat.h>

namespace tunvex {

// Nothing written to the file since before was taken: size, modification and change time alike.
// A change of its link count alone (a file renamed over it, a new hard link) also moves the
// change time; linksMayChange lets that pass.
bool IsSameVersion(const struct stat& before, const struct stat& now, bool linksMayChange = false);

}  // namespace tunvex
