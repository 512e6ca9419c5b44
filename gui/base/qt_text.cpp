#include "gui/base/qt_text.h"

#include "core/base/text_conversion.h"

namespace tunvex {

QString ToQString(CodePage codePage, std::string_view text) {
    std::string utf8;
    if (SystemTextToUtf8(codePage, text, utf8))
        return QString::fromStdString(utf8);
    QString shown;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = CharLength(codePage, text, pos);
        shown += SystemTextToUtf8(codePage, text.substr(pos, length), utf8)
                     ? QString::fromStdString(utf8)
                     : QString(QChar::ReplacementCharacter);
        pos += length;
    }
    return shown;
}

std::optional<std::string> FromQString(CodePage codePage, const QString& text) {
    std::string converted;
    if (!Utf8ToSystemText(codePage, text.toStdString(), converted))
        return std::nullopt;
    return converted;
}

}  // namespace tunvex
