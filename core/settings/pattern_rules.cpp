#include "core/settings/pattern_rules.h"

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

}  // namespace tunvex
