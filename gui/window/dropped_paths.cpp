#include "gui/window/dropped_paths.h"

#include <string_view>

namespace tunvex {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// As a file manager's list spells it; a '%' not followed by two hex digits stands for itself.
std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        int high = 0, low = 0;
        if (text[i] == '%' && i + 2 < text.size() && (high = HexValue(text[i + 1])) >= 0 &&
            (low = HexValue(text[i + 2])) >= 0) {
            decoded += char(high * 16 + low);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool StartsWithFileScheme(std::string_view line) {
    constexpr std::string_view kScheme = "file://";
    if (line.size() < kScheme.size())
        return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        char c = line[i] >= 'A' && line[i] <= 'Z' ? char(line[i] + ('a' - 'A')) : line[i];
        if (c != kScheme[i])
            return false;
    }
    return true;
}

}  // namespace

// One pass over the list without a copy of it: a drop of a whole collection is taken on the
// window's thread.
std::optional<std::vector<std::string>> LocalPathsFromUriList(const QByteArray& uriList,
                                                              const QByteArray& hostName) {
    const std::string_view list(uriList.constData(), std::size_t(uriList.size()));
    const std::string_view ownHost(hostName.constData(), std::size_t(hostName.size()));
    std::vector<std::string> paths;
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = list.find('\n', start);
        end = end == std::string_view::npos ? list.size() : end;
        std::string_view line = list.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && IsBlank(line.front()))
            line.remove_prefix(1);
        while (!line.empty() && IsBlank(line.back()))
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (!StartsWithFileScheme(line))
            return std::nullopt;
        std::string_view rest = line.substr(7);
        std::size_t slash = rest.find('/');
        std::string_view host = rest.substr(0, slash);
        if (slash == std::string_view::npos ||
            !(host.empty() || host == "localhost" || host == ownHost))
            return std::nullopt;
        std::string path = PercentDecoded(rest.substr(slash));
        // A NUL cannot be in a file name; a list that holds one is no list of files.
        if (path.find('\0') != std::string::npos)
            return std::nullopt;
        paths.push_back(std::move(path));
    }
    if (paths.empty())
        return std::nullopt;
    return paths;
}

}  // namespace tunvex
