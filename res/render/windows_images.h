// Windows picture formats written from Qt images: the background bitmap and the program icon.
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

namespace tunvex::res {

// A 24-bit BI_RGB bitmap file, rows bottom-up; transparent pixels are laid over matte.
QByteArray EncodeBmp24(const QImage& image, int pixelsPerMetre, QRgb matte);

// An icon file with one 24-bit image and 1-bit mask per entry, in the given order. Pixels at
// least half opaque are shown, laid over matte; the rest are masked out.
QByteArray EncodeIco24(const std::vector<QImage>& images, QRgb matte);

}  // namespace tunvex::res
