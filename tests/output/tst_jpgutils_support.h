#pragma once
// What the converter's tests share: Windows bitmaps written byte by byte in
// every form the converter reads, test pictures, and checks on the JPEG files
// it writes.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <QtEndian>

#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

namespace JpgTest {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiBitFields = 3;

// Offsets into a bitmap file with a Windows info header.
constexpr int kOffPixelOffset = 10;
constexpr int kOffHeaderSize = 14;
constexpr int kOffWidth = 18;
constexpr int kOffHeight = 22;
constexpr int kOffBitCount = 28;
constexpr int kOffCompression = 30;
constexpr int kOffColorsUsed = 46;
constexpr int kOffMasks = 54;

struct BitmapForm {
    int bitCount = 24;
    bool topDown = false;
    int headerSize = 40;       // 12 (core), 40, 52, 56, 108 or 124
    uint32_t compression = kBiRgb;
    std::array<uint32_t, 3> masks{};  // red, green, blue, for bit fields
    int colorsUsed = 0;        // palette entries written; 0 writes all 2^bitCount
};

inline void put16(QByteArray& bytes, int offset, uint16_t value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

inline void put32(QByteArray& bytes, int offset, uint32_t value)
{
    qToLittleEndian(value, bytes.data() + offset);
}

inline uint32_t packMasked(QRgb colour, const std::array<uint32_t, 3>& masks)
{
    const int channels[3] = {qRed(colour), qGreen(colour), qBlue(colour)};
    uint32_t pixel = 0;
    for (int i = 0; i < 3; ++i) {
        if (!masks[i])
            continue;
        const int shift = std::countr_zero(masks[i]);
        const uint64_t max = masks[i] >> shift;
        pixel |= static_cast<uint32_t>((channels[i] * max + 127) / 255) << shift;
    }
    return pixel;
}

// Writes `image` as a bitmap file of the given form. Paletted forms take the
// image's colours in the order they first appear, so the image must have few.
inline QByteArray encodeBitmap(const QImage& image, const BitmapForm& form)
{
    const int width = image.width();
    const int height = image.height();
    const int bits = form.bitCount;
    const bool core = form.headerSize == 12;
    const bool paletted = bits <= 8;
    const bool bitFields = form.compression == kBiBitFields;
    std::array<uint32_t, 3> masks = form.masks;
    if (!bitFields)
        masks = bits == 16 ? std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                           : std::array<uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};

    QList<QRgb> palette;
    if (paletted) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (!palette.contains(image.pixel(x, y) | 0xFF000000))
                    palette.append(image.pixel(x, y) | 0xFF000000);
        if (palette.size() > (1 << bits))
            qFatal("encodeBitmap: %lld colours do not fit %d bits", qlonglong(palette.size()), bits);
    }
    const int entrySize = core ? 3 : 4;
    const int entries = paletted ? (form.colorsUsed ? form.colorsUsed : 1 << bits) : 0;
    const int masksAfterHeader = bitFields && form.headerSize == 40 ? 12 : 0;
    const int pixelOffset = 14 + form.headerSize + masksAfterHeader + entries * entrySize;
    const int stride = (width * bits + 31) / 32 * 4;

    QByteArray bytes(pixelOffset + stride * height, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, uint32_t(bytes.size()));
    put32(bytes, kOffPixelOffset, uint32_t(pixelOffset));
    put32(bytes, kOffHeaderSize, uint32_t(form.headerSize));
    if (core) {
        put16(bytes, 18, uint16_t(width));
        put16(bytes, 20, uint16_t(height));
        put16(bytes, 22, 1);
        put16(bytes, 24, uint16_t(bits));
    } else {
        put32(bytes, kOffWidth, uint32_t(width));
        put32(bytes, kOffHeight, uint32_t(form.topDown ? -height : height));
        put16(bytes, 26, 1);
        put16(bytes, kOffBitCount, uint16_t(bits));
        put32(bytes, kOffCompression, form.compression);
        put32(bytes, 34, uint32_t(stride * height));
        put32(bytes, 38, 2835);
        put32(bytes, 42, 2835);
        put32(bytes, kOffColorsUsed, uint32_t(form.colorsUsed));
        if (bitFields)
            for (int i = 0; i < 3; ++i)
                put32(bytes, kOffMasks + 4 * i, masks[i]);
    }
    for (int i = 0; i < palette.size() && i < entries; ++i) {
        char* entry = bytes.data() + 14 + form.headerSize + masksAfterHeader + i * entrySize;
        entry[0] = char(qBlue(palette[i]));
        entry[1] = char(qGreen(palette[i]));
        entry[2] = char(qRed(palette[i]));
    }
    for (int row = 0; row < height; ++row) {
        const int y = form.topDown ? row : height - 1 - row;
        uchar* out = reinterpret_cast<uchar*>(bytes.data()) + pixelOffset + row * stride;
        for (int x = 0; x < width; ++x) {
            const QRgb colour = image.pixel(x, y) | 0xFF000000;
            if (paletted) {
                const int index = int(palette.indexOf(colour));
                const int perByte = 8 / bits;
                out[x / perByte] |= uchar(index << (8 - bits * (x % perByte + 1)));
            } else if (bits == 24) {
                out[x * 3] = uchar(qBlue(colour));
                out[x * 3 + 1] = uchar(qGreen(colour));
                out[x * 3 + 2] = uchar(qRed(colour));
            } else {
                const uint32_t pixel = packMasked(colour, masks);
                for (int b = 0; b < bits / 8; ++b)
                    out[x * bits / 8 + b] = uchar(pixel >> (8 * b));
            }
        }
    }
    return bytes;
}

// Four blocks: red, green / blue, white. A flipped, mirrored or
// channel-swapped conversion moves or changes a colour.
inline const std::array<QRgb, 4> kQuadrantColours = {qRgb(255, 0, 0), qRgb(0, 255, 0),
                                                     qRgb(0, 0, 255), qRgb(255, 255, 255)};

inline QImage quadrantImage(int width, int height, const std::array<QRgb, 4>& colours = kQuadrantColours)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)]);
    return image;
}

// White paper with thin pen strokes in several colours: what a saved page is.
inline QImage inkPage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {Qt::red, Qt::blue, QColor(0, 128, 0), Qt::black, QColor(255, 128, 0)};
    for (int stroke = 0; stroke < 40; ++stroke) {
        QPainterPath path;
        const double x0 = (stroke * 53) % width;
        const double y0 = (stroke * 37) % height;
        path.moveTo(x0, y0);
        for (int i = 1; i < 12; ++i)
            path.lineTo(x0 + i * 9 + (i % 3) * 4, y0 + ((i * 7 + stroke) % 23) - 11);
        painter.setPen(QPen(colours[stroke % 5], 1 + stroke % 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(path);
    }
    return image;
}

inline int channelDifference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

inline int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            largest = std::max(largest, channelDifference(a.pixel(x, y), b.pixel(x, y)));
    return largest;
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every entry of a folder, hidden ones included: a temporary file left
// behind shows up here.
inline QStringList folderEntries(const QString& folder)
{
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                                 | QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
}

// The JPEG's chroma subsampling (a TJSAMP value), or -1 when it is no JPEG.
inline int jpegSubsampling(const QByteArray& jpeg)
{
    tjhandle decompressor = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = -1;
    int colourspace = 0;
    const int failed = tjDecompressHeader3(decompressor,
                                           reinterpret_cast<const unsigned char*>(jpeg.constData()),
                                           static_cast<unsigned long>(jpeg.size()), &width, &height,
                                           &subsampling, &colourspace);
    tjDestroy(decompressor);
    return failed ? -1 : subsampling;
}

}  // namespace JpgTest
