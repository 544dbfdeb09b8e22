// Picture files for window tests: GIFs written byte by byte (Qt reads GIF but cannot write it)
// and JPEGs through Qt's writer.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdint>

namespace solvina::test_support {

inline bool writeText(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A two-colour GIF of the given size, striped so that a reader must decode every pixel.
// A clear code goes before every pixel, so the LZW codes stay 3 bits wide.
inline bool writeGif(const QString& path, int width, int height) {
    QByteArray out("GIF89a");
    auto put16 = [&out](int value) { out.append(char(value & 0xFF)).append(char(value >> 8)); };
    put16(width);
    put16(height);
    out.append("\x80\x00\x00\x00\x00\xFF\xFF\xFF\xFF", 9); // a global table: blue, white
    out.append('\x2C');
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    out.append("\x00\x02", 2); // no local table; LZW minimum code size 2

    QByteArray data;
    std::uint32_t bits = 0;
    int bitCount = 0;
    auto putCode = [&](std::uint32_t code) {
        bits |= code << bitCount;
        for (bitCount += 3; bitCount >= 8; bitCount -= 8, bits >>= 8)
            data.append(char(bits & 0xFF));
    };
    constexpr std::uint32_t kClear = 4, kEnd = 5;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            putCode(kClear);
            putCode((x / 8 + y / 8) % 2);
        }
    }
    putCode(kEnd);
    if (bitCount > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size())).append(block);
    }
    out.append("\x00\x3B", 2);
    return writeText(path, out);
}

inline bool writeJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    return image.save(path, "JPEG");
}

} // namespace solvina::test_support
