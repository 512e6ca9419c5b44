#include "core/files/names.h"

#include "core/base/paths.h"

namespace tunvex {

std::string NumberedName(CodePage codePage, const std::string& path, unsigned number) {
    std::size_t separator = path.rfind(kPathSeparator);
    std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    std::string name = path.substr(nameStart);
    std::string numberText = " (" + std::to_string(number) + ")";
    LimitFileNameLength(codePage, name, kMaxNameLength - numberText.size());
    std::size_t dot = FindExtension(codePage, name);
    name.insert(dot == std::string::npos || dot == 0 ? name.size() : dot, numberText);
    return path.substr(0, nameStart) + name;
}

}  // namespace tunvex
