// Names a file takes when its destination is taken.
#pragma once

#include <string>

#include "core/base/text.h"

namespace tunvex {

// path with " (number)" put before the extension of its file name: "a.b.mp3" gives
// "a.b (2).mp3", "name" gives "name (2)". A leading dot (".hidden") is not an extension. A name
// that would then be longer than kMaxNameLength loses the end of what stands before the
// number, at a character boundary; the extension stays.
std::string NumberedName(CodePage codePage, const std::string& path, unsigned number);

}  // namespace tunvex
