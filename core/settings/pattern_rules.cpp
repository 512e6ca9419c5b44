#include "core/settings/pattern_rules.h"

#include <algorithm>
#include <string>

namespace tunvex {
namespace {

constexpr std::string_view kFolderForbidden = "/:,;*\"<>|";
constexpr std::string_view kFileForbidden = "/:,;*\\\"<>|";

// Each placeholder is removed in one pass of its own, so text that comes together by a
// removal ("??AA") is not searched again.
bool HasStrayQuestionMark(CodePage codePage, std::string_view pattern) {
    std::string rest(pattern);
    for (std::string_view placeholder : {"?A", "?a", "?T", "?t"})
        ReplaceAll(codePage, rest, placeholder, "");
    return FindChar(codePage, rest, '?') != std::string::npos;
}

// Parts of pattern between spaces and commas that hold a wildcard.
int WildcardParts(CodePage codePage, std::string_view pattern) {
    int parts = 0;
    while (!pattern.empty()) {
        std::size_t end = std::min(FindFirstOf(codePage, pattern, " ,"), pattern.size());
        parts += FindFirstOf(codePage, pattern.substr(0, end), "*?") != std::string_view::npos;
        pattern.remove_prefix(std::min(end + 1, pattern.size()));
    }
    return parts;
}

}  // namespace

bool IsValidFolderPattern(CodePage codePage, std::string_view pattern) {
    // A dot is always a character of its own, and so is whatever follows it.
    return FindFirstOf(codePage, pattern, kFolderForbidden) == std::string_view::npos &&
           !pattern.starts_with('.') && !EndsWithChar(codePage, pattern, '.') &&
           pattern.find(".\\") == std::string_view::npos &&
           !HasStrayQuestionMark(codePage, pattern);
}

bool IsValidFilePattern(CodePage codePage, std::string_view pattern) {
    return FindFirstOf(codePage, pattern, kFileForbidden) == std::string_view::npos &&
           !HasStrayQuestionMark(codePage, pattern);
}

bool AreValidExtraPatterns(CodePage codePage, std::string_view patterns) {
    bool any = false;
    while (!patterns.empty()) {
        std::size_t end = std::min(FindChar(codePage, patterns, ';'), patterns.size());
        std::string_view pattern = patterns.substr(0, end);
        if (WildcardParts(codePage, pattern) > 1)
            return false;
        any = any || pattern.find_first_not_of(' ') != std::string_view::npos;
        patterns.remove_prefix(std::min(end + 1, patterns.size()));
    }
    return any;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace tunvex
