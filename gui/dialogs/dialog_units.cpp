#include "gui/dialogs/dialog_units.h"

#include <QFontMetrics>

#include <cmath>

namespace tunvex {
namespace {

// Windows' MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

}  // namespace

void InstallFontSubstitutions() {
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
}

QFont DialogFont(const char* fontName, int pointSize, double dotsPerInch) {
    QFont font(QString::fromUtf8(fontName));
    font.setPixelSize(MulDiv(pointSize, static_cast<int>(std::lround(dotsPerInch)), 72));
    font.setStyleStrategy(QFont::PreferMatch);
    return font;
}

DialogBaseUnits MeasureBaseUnits(const QFont& font) {
    QFontMetrics metrics(font);
    int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(alphabet / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height) {
    return {MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(width, units.x, 4),
            MulDiv(height, units.y, 8)};
}

QSize DialogUnitsToPixels(const DialogBaseUnits& units, int width, int height) {
    return {MulDiv(width, units.x, 4), MulDiv(height, units.y, 8)};
}

}  // namespace tunvex
