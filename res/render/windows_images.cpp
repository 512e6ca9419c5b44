#include "res/render/windows_images.h"

#include <QtEndian>

namespace tunvex::res {
namespace {

constexpr int kInfoHeaderSize = 40;

void Append16(QByteArray& out, quint16 value) {
    value = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&value), 2);
}

// Qt counts in signed numbers; every value the formats store fits their unsigned 32 bits.
void Append32(QByteArray& out, qint64 value) {
    const quint32 field = qToLittleEndian(static_cast<quint32>(value));
    out.append(reinterpret_cast<const char*>(&field), 4);
}

int PaddedRowBytes(int bits) {
    return (bits + 31) / 32 * 4;
}

QRgb OverMatte(QRgb pixel, QRgb matte) {
    const int a = qAlpha(pixel);
    auto mix = [a](int top, int bottom) { return (top * a + bottom * (255 - a) + 127) / 255; };
    return qRgb(mix(qRed(pixel), qRed(matte)), mix(qGreen(pixel), qGreen(matte)),
                mix(qBlue(pixel), qBlue(matte)));
}

// heightFactor 2 marks an icon image, whose header counts the mask rows too.
void AppendInfoHeader(QByteArray& out, const QImage& image, int heightFactor, quint32 dataSize,
                      int pixelsPerMetre) {
    Append32(out, kInfoHeaderSize);
    Append32(out, image.width());
    Append32(out, qint64{image.height()} * heightFactor);
    Append16(out, 1);   // planes
    Append16(out, 24);  // bits per pixel
    Append32(out, 0);   // BI_RGB
    Append32(out, dataSize);
    Append32(out, pixelsPerMetre);
    Append32(out, pixelsPerMetre);
    Append32(out, 0);  // colours used
    Append32(out, 0);  // colours important
}

// Colour rows bottom-up; a masked pixel is black, as the icon's XOR image wants.
void AppendPixels(QByteArray& out, const QImage& argb, QRgb matte, bool maskClear) {
    const int padding = PaddedRowBytes(argb.width() * 24) - argb.width() * 3;
    for (int y = argb.height() - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const bool masked = maskClear && qAlpha(row[x]) < 128;
            const QRgb pixel = masked ? qRgb(0, 0, 0) : OverMatte(row[x], matte);
            out.append(char(qBlue(pixel)));
            out.append(char(qGreen(pixel)));
            out.append(char(qRed(pixel)));
        }
        out.append(padding, '\0');
    }
}

void AppendMask(QByteArray& out, const QImage& argb) {
    const int rowBytes = PaddedRowBytes(argb.width());
    for (int y = argb.height() - 1; y >= 0; --y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QByteArray bits(rowBytes, '\0');
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) < 128) {
                bits[x / 8] = char(bits[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(bits);
    }
}

quint32 PixelBytes(const QImage& image) {
    return static_cast<quint32>(PaddedRowBytes(image.width() * 24) * image.height());
}

}  // namespace

QByteArray EncodeBmp24(const QImage& image, int pixelsPerMetre, QRgb matte) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    constexpr quint32 kFileHeaderSize = 14;
    const quint32 dataOffset = kFileHeaderSize + kInfoHeaderSize;
    QByteArray out;
    out.append("BM", 2);
    Append32(out, dataOffset + PixelBytes(argb));
    Append32(out, 0);  // reserved
    Append32(out, dataOffset);
    AppendInfoHeader(out, argb, 1, PixelBytes(argb), pixelsPerMetre);
    AppendPixels(out, argb, matte, false);
    return out;
}

QByteArray EncodeIco24(const std::vector<QImage>& images, QRgb matte) {
    constexpr quint32 kDirectorySize = 6;
    constexpr quint32 kEntrySize = 16;
    QByteArray directory;
    Append16(directory, 0);  // reserved
    Append16(directory, 1);  // icon
    Append16(directory, quint16(images.size()));
    QByteArray data;
    quint32 offset = kDirectorySize + kEntrySize * static_cast<quint32>(images.size());
    for (const QImage& image : images) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        const auto maskBytes = static_cast<quint32>(PaddedRowBytes(argb.width()) * argb.height());
        QByteArray entry;
        AppendInfoHeader(entry, argb, 2, PixelBytes(argb) + maskBytes, 0);
        AppendPixels(entry, argb, matte, true);
        AppendMask(entry, argb);
        directory.append(char(argb.width() % 256));  // 256 is written as 0
        directory.append(char(argb.height() % 256));
        directory.append('\0');   // no palette
        directory.append('\0');   // reserved
        Append16(directory, 1);   // planes
        Append16(directory, 24);  // bits per pixel
        Append32(directory, entry.size());
        Append32(directory, offset);
        offset += static_cast<quint32>(entry.size());
        data.append(entry);
    }
    return directory + data;
}

}  // namespace tunvex::res
