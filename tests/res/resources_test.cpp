// The embedded pictures read back through Qt's resource system and its decoders.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

namespace {

QByteArray ReadResource(const char* path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A 24-bit bitmap without a colour table, its rows bottom-up (a positive height).
TEST(Resources, Bitmap130IsA24BitBottomUpBitmap) {
    const QByteArray bmp = ReadResource(":/res/bitmap130.bmp");
    ASSERT_EQ(bmp.size(), 14 + 40 + 186 * 600);
    auto field = [&](int offset) { return qFromLittleEndian<qint32>(bmp.constData() + offset); };
    EXPECT_EQ(field(2), bmp.size());
    EXPECT_EQ(field(22), 186);
    EXPECT_EQ(qFromLittleEndian<quint16>(bmp.constData() + 28), 24);
    EXPECT_EQ(field(38), 2834) << "pixels per metre";
    EXPECT_EQ(field(46), 0) << "colour table";
    EXPECT_EQ(QImage::fromData(bmp, "BMP").size(), QSize(200, 186));
}

// Three 24-bit images, largest first, each with its mask: the corner clear, the middle drawn.
TEST(Resources, Icon132Holds48_32And16PixelImagesWithMasks) {
    const QByteArray ico = ReadResource(":/res/icon132.ico");
    auto bit = [&](std::size_t at) { return (uint8_t(ico.at(qsizetype(at))) & 0x80) != 0; };
    std::size_t end = 6 + 3 * 16;
    for (std::size_t side : {48u, 32u, 16u}) {
        const std::size_t row = (side + 31) / 32 * 4, bytes = 40 + side * side * 3 + row * side;
        // Mask rows run bottom-up: a set bit is clear.
        const std::size_t mask = end + bytes - row * side;
        EXPECT_TRUE(bit(mask + row * (side - 1))) << side;
        EXPECT_FALSE(bit(mask + row * side / 2 + side / 16)) << side;
        end += bytes;
    }
    EXPECT_EQ(std::size_t(ico.size()), end);
    QFile file(":/res/icon132.ico");
    QImageReader reader(&file, "ICO");
    ASSERT_EQ(reader.imageCount(), 3);
    for (int side : {48, 32, 16}) {
        EXPECT_EQ(reader.read().size(), QSize(side, side));
        reader.jumpToNextImage();
    }
}

}  // namespace
