#pragma once

#include <string>

#include "core/base/text.h"

namespace tunvex {

// text as one line that names it unambiguously and cannot send commands to a terminal: a
// backslash is doubled, and every byte of a control character (IsControlChar, and in a
// single-byte locale what the locale calls one) or of a sequence that is not valid UTF-8 is
// written as \xNN. Every name and reason is printed through it.
std::string Printable(const std::string& text, CodePage codePage = SystemCodePage());

}  // namespace tunvex
