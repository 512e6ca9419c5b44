// The embedded pictures, read back through Qt's resource system: their headers field by field,
// then decoded the way the window loads them.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cstdint>

namespace {

QByteArray ReadResource(const char* path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

uint32_t Read(const QByteArray& bytes, int offset, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | uint8_t(bytes.at(offset + i));
    }
    return value;
}

struct Field {
    int offset;
    int size;
    uint32_t expected;
    const char* name;
};

void ExpectFields(const QByteArray& bytes, int base, std::initializer_list<Field> fields) {
    for (const Field& field : fields) {
        ASSERT_LE(base + field.offset + field.size, bytes.size()) << field.name;
        EXPECT_EQ(Read(bytes, base + field.offset, field.size), field.expected) << field.name;
    }
}

constexpr uint32_t kInfoHeaderSize = 40;

TEST(Resources, Bitmap130IsA24BitBottomUpBitmap) {
    const QByteArray bmp = ReadResource(":/res/bitmap130.bmp");
    ASSERT_EQ(bmp.size(), 14 + 40 + 111600);
    EXPECT_EQ(bmp.left(2), "BM");
    ExpectFields(bmp, 0,
                 {{2, 4, 111654, "file size"},
                  {10, 4, 54, "pixel data offset"},
                  {14, 4, kInfoHeaderSize, "header size"},
                  {18, 4, 200, "width"},
                  {22, 4, 186, "height, positive: rows bottom-up"},
                  {26, 2, 1, "planes"},
                  {28, 2, 24, "bits per pixel"},
                  {30, 4, 0, "BI_RGB"},
                  {34, 4, 111600, "pixel bytes: 186 rows of 600"},
                  {38, 4, 2834, "horizontal pixels per metre"},
                  {42, 4, 2834, "vertical pixels per metre"},
                  {46, 4, 0, "no colour table"}});
    const QImage image = QImage::fromData(bmp, "BMP");
    EXPECT_EQ(image.size(), QSize(200, 186));
}

TEST(Resources, Icon132Holds48_32And16PixelImagesWithMasks) {
    const QByteArray ico = ReadResource(":/res/icon132.ico");
    ASSERT_GE(ico.size(), 6 + 3 * 16);
    ExpectFields(ico, 0, {{0, 2, 0, "reserved"}, {2, 2, 1, "icon"}, {4, 2, 3, "image count"}});
    uint32_t end = 6 + 3 * 16;
    const uint32_t sizes[] = {48, 32, 16};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(sizes[i]);
        const uint32_t side = sizes[i];
        const uint32_t maskRow = (side + 31) / 32 * 4;
        const uint32_t bytes = kInfoHeaderSize + side * side * 3 + maskRow * side;
        const int entry = 6 + 16 * i;
        ExpectFields(ico, entry,
                     {{0, 1, side, "width"},
                      {1, 1, side, "height"},
                      {2, 1, 0, "no palette"},
                      {4, 2, 1, "planes"},
                      {6, 2, 24, "bits per pixel"},
                      {8, 4, bytes, "image bytes"},
                      {12, 4, end, "image offset, images back to back"}});
        ExpectFields(ico, int(end),
                     {{0, 4, kInfoHeaderSize, "header size"},
                      {4, 4, side, "width"},
                      {8, 4, side * 2, "height of colour and mask"},
                      {12, 2, 1, "planes"},
                      {14, 2, 24, "bits per pixel"},
                      {16, 4, 0, "BI_RGB"},
                      {20, 4, bytes - kInfoHeaderSize, "colour and mask bytes"}});
        // Mask rows run bottom-up: the top-left corner is clear, the middle is drawn.
        const int mask = int(end + bytes - maskRow * side);
        EXPECT_TRUE(uint8_t(ico.at(mask + int(maskRow * (side - 1)))) & 0x80);
        EXPECT_FALSE(uint8_t(ico.at(mask + int(maskRow * side / 2 + side / 16))) & 0x80);
        end += bytes;
    }
    EXPECT_EQ(uint32_t(ico.size()), end);

    QFile file(":/res/icon132.ico");
    QImageReader reader(&file, "ICO");
    ASSERT_EQ(reader.imageCount(), 3);
    for (uint32_t side : sizes) {
        EXPECT_EQ(reader.read().size(), QSize(int(side), int(side)));
        reader.jumpToNextImage();
    }
}

}  // namespace
