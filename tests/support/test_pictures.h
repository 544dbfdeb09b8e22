// Picture files for window tests: GIFs written byte by byte (Qt reads GIF but cannot write it)
// and JPEGs through Qt's writer.
#pragma once

#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace solvina::testing {

// A two-colour GIF of the given size, striped so that a reader must decode every pixel.
// The LZW stream sends a clear code before every two pixels, so its codes stay 3 bits wide.
inline bool writeGif(const QString& path, int width, int height) {
    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    auto put16 = [&out](int value) {
        out.push_back(static_cast<std::uint8_t>(value & 0xFF));
        out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    };
    put16(width);
    put16(height);
    out.insert(out.end(), {0x80, 0x00, 0x00});                   // a global table of two colours
    out.insert(out.end(), {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}); // blue, white
    out.push_back(0x2C);
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    out.push_back(0x00);
    out.push_back(0x02); // LZW minimum code size

    std::vector<std::uint8_t> data;
    std::uint32_t bitBuffer = 0;
    int bitCount = 0;
    auto putCode = [&](std::uint32_t code) {
        bitBuffer |= code << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            data.push_back(static_cast<std::uint8_t>(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    constexpr std::uint32_t kClear = 4, kEnd = 5;
    int inGroup = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (inGroup == 0)
                putCode(kClear);
            putCode(((x / 8 + y / 8) % 2) ? 1 : 0);
            inGroup = (inGroup + 1) % 2;
        }
    }
    putCode(kEnd);
    if (bitCount > 0)
        data.push_back(static_cast<std::uint8_t>(bitBuffer & 0xFF));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(length));
        out.insert(out.end(), data.begin() + at, data.begin() + at + length);
    }
    out.push_back(0x00);
    out.push_back(0x3B);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(reinterpret_cast<const char*>(out.data()), qint64(out.size())) ==
           qint64(out.size());
}

inline bool writeJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    return image.save(path, "JPEG");
}

inline bool writeText(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace solvina::testing
