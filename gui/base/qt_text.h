// Text crossing between the system code page and Qt. Never QString::fromLocal8Bit: Qt 6 takes
// local 8-bit text as UTF-8, which breaks a Shift-JIS locale.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "core/base/text.h"

namespace tunvex {

// A byte sequence the code page cannot read shows as U+FFFD; the rest of the text stays.
QString ToQString(CodePage codePage, std::string_view text);
// nullopt when the text holds a character the code page has no bytes for.
std::optional<std::string> FromQString(CodePage codePage, const QString& text);

}  // namespace tunvex
