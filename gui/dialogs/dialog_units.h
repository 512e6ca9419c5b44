// Dialog units as Windows converts them: the horizontal base unit is the average width of
// "A".."Z" and "a".."z" in the dialog font (divided by 52, rounded), the vertical one the
// font's height; a unit is a quarter of the first and an eighth of the second.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace tunvex {

struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// Maps the template font names to the IPA fonts that match their metrics. Once per program.
void InstallFontSubstitutions();

// The template font at the given resolution: its pixel height rounded as Windows rounds it.
QFont DialogFont(const char* fontName, int pointSize, double dotsPerInch);

DialogBaseUnits MeasureBaseUnits(const QFont& font);

// Position and size are converted each on its own, with Windows' rounding.
QRect DialogUnitsToPixels(const DialogBaseUnits& units, int x, int y, int width, int height);
QSize DialogUnitsToPixels(const DialogBaseUnits& units, int width, int height);

}  // namespace tunvex
