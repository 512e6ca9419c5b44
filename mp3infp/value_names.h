#pragma once

#include <map>
#include <string>

#include "tag_fields.h"

namespace mp3infp {

// Every value name the library answers, mapped to its text in codePage; names the file has no
// value for are left out.
std::map<std::string, std::string, std::less<>> ResolveValueNames(const TagBlocks& tags,
                                                                  const std::string& codePage);

}  // namespace mp3infp
