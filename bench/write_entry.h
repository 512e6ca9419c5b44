#pragma once

#include <string>

#include "library_plan.h"

namespace tunvex::bench {

// Writes entry under root, making its folders.
void WriteEntry(const std::string& root, const LibraryEntry& entry);

}  // namespace tunvex::bench
