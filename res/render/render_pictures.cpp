// Draws the program's pictures from their SVG sources at build time. The output's extension
// picks the format; each image is one SOURCE.svg@SIZE (SIZE is N or WIDTHxHEIGHT):
//   render_pictures bitmap130.bmp background.svg@200x186
//   render_pictures icon132.ico icon.svg@48 icon.svg@32 icon-16.svg@16
//   render_pictures tunvex.png icon.svg@48
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "res/render/windows_images.h"

namespace {

constexpr int kBitmapPixelsPerMetre = 2834;  // 72 dots per inch
const QRgb kBitmapMatte = qRgb(255, 255, 255);
// Icon edges are blended over a neutral grey, which sits well on light and dark panels alike.
const QRgb kIconMatte = qRgb(200, 200, 200);

std::optional<QSize> ParseSize(const std::string& text) {
    int width = 0;
    int height = 0;
    char x = 0;
    const int fields = std::sscanf(text.c_str(), "%d%c%d", &width, &x, &height);
    if (fields == 1) {
        height = width;
    } else if (fields != 3 || x != 'x') {
        return std::nullopt;
    }
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        return std::nullopt;
    }
    return QSize(width, height);
}

QImage Render(QSvgRenderer& source, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    source.render(&painter);
    return image;
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

int Fail(const char* what) {
    std::fprintf(stderr, "render_pictures: %s\n", what);
    return 1;
}

std::optional<QImage> RenderArgument(const std::string& argument) {
    const std::size_t at = argument.rfind('@');
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const std::optional<QSize> size = ParseSize(argument.substr(at + 1));
    QSvgRenderer source(QString::fromStdString(argument.substr(0, at)));
    if (!size || !source.isValid()) {
        return std::nullopt;
    }
    return Render(source, *size);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Fail("usage: render_pictures OUTPUT.bmp|ico|png SOURCE.svg@SIZE...");
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    std::vector<QImage> images;
    for (int i = 2; i < argc; ++i) {
        std::optional<QImage> image = RenderArgument(argv[i]);
        if (!image) {
            return Fail("an image is not a readable SVG file with @SIZE after it");
        }
        images.push_back(std::move(*image));
    }
    const bool one = images.size() == 1;
    QByteArray bytes;
    if (output.endsWith(".ico")) {
        bytes = tunvex::res::EncodeIco24(images, kIconMatte);
    } else if (output.endsWith(".bmp") && one) {
        bytes = tunvex::res::EncodeBmp24(images[0], kBitmapPixelsPerMetre, kBitmapMatte);
    } else if (output.endsWith(".png") && one) {
        return images[0].save(output, "PNG") ? 0 : Fail("the output cannot be written");
    } else {
        return Fail("the output is not .ico, or not .bmp or .png with one image");
    }
    return WriteAll(output, bytes) ? 0 : Fail("the output cannot be written");
}
