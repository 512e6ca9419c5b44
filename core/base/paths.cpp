#include "core/base/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace tunvex {
namespace {

// Splits at separators that stand as characters of their own; empty elements are kept.
std::vector<std::string> SplitElements(CodePage codePage, std::string_view path) {
    std::vector<std::string> elements;
    std::size_t start = 0;
    while (true) {
        std::size_t separator = FindChar(codePage, path.substr(start), kPathSeparator);
        if (separator == std::string_view::npos) {
            elements.emplace_back(path.substr(start));
            return elements;
        }
        elements.emplace_back(path.substr(start, separator));
        start += separator + 1;
    }
}

std::string JoinElements(const std::vector<std::string>& elements) {
    std::string joined;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0)
            joined += kPathSeparator;
        joined += elements[i];
    }
    return joined;
}

// Cuts text to at most limit bytes without splitting a character.
void CutAtCharBoundary(CodePage codePage, std::string& text, std::size_t limit) {
    std::size_t end = 0;
    while (end < text.size()) {
        std::size_t next = end + CharLength(codePage, text, end);
        if (next > limit)
            break;
        end = next;
    }
    text.resize(end);
}

std::string DefuseDotElements(CodePage codePage, std::string_view part) {
    if (part.find('.') == std::string_view::npos)
        return std::string(part);
    std::vector<std::string> elements = SplitElements(codePage, part);
    for (std::string& element : elements) {
        if (element == ".")
            element = "_";
        if (element == "..")
            element = "__";
    }
    return JoinElements(elements);
}

}  // namespace

bool AppendPathPart(CodePage codePage, std::string& path, std::string_view part) {
    std::size_t start = 0;
    while (start < part.size() && part[start] == kPathSeparator)
        ++start;
    std::string safePart = DefuseDotElements(codePage, part.substr(start));
    if (safePart.empty())
        return true;

    std::string joined = path;
    if (!joined.empty() && !EndsWithChar(codePage, joined, kPathSeparator))
        joined += kPathSeparator;
    joined += safePart;
    if (joined.size() >= kMaxPath)
        return false;
    path = std::move(joined);
    return true;
}

void LimitElementLengths(CodePage codePage, std::string& part, std::size_t lastElementReserve) {
    if (part.size() + lastElementReserve <= kMaxNameLength)
        return;
    std::vector<std::string> elements = SplitElements(codePage, part);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        std::size_t reserve = i + 1 == elements.size() ? lastElementReserve : 0;
        std::size_t limit = kMaxNameLength > reserve ? kMaxNameLength - reserve : 1;
        CutAtCharBoundary(codePage, elements[i], limit);
    }
    part = JoinElements(elements);
}

void LimitFileNameLength(CodePage codePage, std::string& name, std::size_t limit) {
    if (name.size() <= limit)
        return;
    std::size_t dot = FindExtension(codePage, name);
    std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
    if (extension.size() >= limit)
        extension.clear();
    name.resize(name.size() - extension.size());
    CutAtCharBoundary(codePage, name, limit - extension.size());
    name += extension;
}

void StripToFileName(CodePage codePage, std::string& path) {
    std::size_t separator = FindLastChar(codePage, path, kPathSeparator);
    if (separator != std::string::npos)
        path.erase(0, separator + 1);
}

// '.', the separator and the space lie below the trail bytes of every code page: a byte search
// from the end finds them as characters of their own.
std::size_t FindExtension(CodePage, std::string_view path) {
    constexpr char kEnds[] = {'.', kPathSeparator, ' '};
    std::size_t last = path.find_last_of(std::string_view(kEnds, sizeof kEnds));
    return last != std::string_view::npos && path[last] == '.' ? last : std::string_view::npos;
}

bool RenameExtension(CodePage codePage, std::string& path, std::string_view extension) {
    std::size_t dot = FindExtension(codePage, path);
    std::size_t start = dot == std::string::npos ? path.size() : dot;
    if (start + extension.size() >= kMaxPath)
        return false;
    path.replace(start, std::string::npos, extension);
    return true;
}

std::string CanonicalizePath(CodePage codePage, std::string_view path) {
    bool absolute = !path.empty() && path.front() == kPathSeparator;
    std::vector<std::string> kept;
    for (std::string& element : SplitElements(codePage, path)) {
        if (element == ".")
            continue;
        if (element == "..") {
            if (!kept.empty() && !kept.back().empty() && kept.back() != "..") {
                kept.pop_back();
            } else if (!absolute) {
                kept.push_back(element);
            }
            continue;
        }
        // Empty elements (a doubled or trailing separator) are kept as written.
        kept.push_back(std::move(element));
    }
    std::string canonical = JoinElements(kept);
    if (absolute && (canonical.empty() || canonical.front() != kPathSeparator)) {
        canonical.insert(canonical.begin(), kPathSeparator);
    }
    return canonical;
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ExecutablePath() {
    std::string buffer(kMaxPath, '\0');
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0)
        return {};
    buffer.resize(static_cast<std::size_t>(length));
    return buffer;
}

std::string ExecutableDirectory() {
    std::string path = ExecutablePath();
    std::size_t separator = path.rfind(kPathSeparator);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string ExecutableBaseName() {
    std::string name = ExecutablePath();
    StripToFileName(SystemCodePage(), name);
    std::size_t dot = FindExtension(SystemCodePage(), name);
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace tunvex
