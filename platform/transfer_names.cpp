#include "platform/transfer_names.h"

#include "platform/paths.h"

namespace tunvex {

std::string NumberedName(CodePage codePage, const std::string& path, unsigned number) {
    std::size_t separator = path.rfind(kPathSeparator);
    std::size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    std::size_t dot = FindExtension(codePage, std::string_view(path).substr(nameStart));
    std::size_t insertAt = dot == std::string::npos || dot == 0 ? path.size() : nameStart + dot;
    std::string numbered = path;
    numbered.insert(insertAt, " (" + std::to_string(number) + ")");
    return numbered;
}

}  // namespace tunvex
