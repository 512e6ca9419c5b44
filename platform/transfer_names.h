// Names a file takes when its destination is taken.
#pragma once

#include <string>

#include "platform/text.h"

namespace tunvex {

// path with " (number)" put before the extension of its file name: "a.b.mp3" gives
// "a.b (2).mp3", "name" gives "name (2)". A leading dot (".hidden") is not an extension.
std::string NumberedName(CodePage codePage, const std::string& path, unsigned number);

}  // namespace tunvex
