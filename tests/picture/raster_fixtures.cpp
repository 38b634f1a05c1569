#include "raster_fixtures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace fixtures {
namespace {

const QRgb kGifPalette[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};

int paletteIndex(QRgb pixel)
{
    const auto index = std::find(std::begin(kGifPalette), std::end(kGifPalette), pixel | 0xFF000000u)
                       - std::begin(kGifPalette);
    if (index == 4)
        throw std::runtime_error("colour outside the GIF palette");
    return int(index);
}

void le16(QByteArray& out, int value)
{
    out.append(char(value & 0xFF)).append(char((value >> 8) & 0xFF));
}

// LZW data with a minimum code size of 2: a clear code before every two
// pixels keeps every code 3 bits wide, which any decoder reads.
QByteArray lzwPixels(const QImage& frame)
{
    QByteArray packed;
    uint32_t bits = 0;
    int count = 0;
    const auto code = [&](int value) {
        bits |= uint32_t(value) << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            packed.append(char(bits & 0xFF));
    };
    for (int i = 0; i < frame.width() * frame.height(); ++i) {
        if (i % 2 == 0)
            code(4);  // clear
        code(paletteIndex(frame.pixel(i % frame.width(), i / frame.width())));
    }
    code(5);  // end of information
    if (count > 0)
        packed.append(char(bits & 0xFF));

    QByteArray blocks(1, char(2));  // the minimum code size, then blocks of up to 255 bytes
    for (qsizetype at = 0; at < packed.size(); at += 255)
        blocks.append(char(std::min<qsizetype>(255, packed.size() - at))).append(packed.mid(at, 255));
    return blocks.append(char(0));
}

}  // namespace

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    // A new file, not a truncated one: ext4 flushes a file replaced by
    // truncation, which costs milliseconds a write.
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

QImage quadrantImage()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    painter.fillRect(0, 24, 64, 24, Qt::blue);
    painter.fillRect(8, 8, 16, 16, Qt::green);
    painter.end();
    return image;
}

QByteArray jpegOf(const QImage& image, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(95);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        throw std::runtime_error("cannot write a JPEG");
    return bytes;
}

QByteArray bmpOf(const QImage& image, int bits, bool topDown, bool rle)
{
    const int width = image.width(), height = image.height();
    const int colours = bits <= 8 ? 4 : 0;
    const int rowBytes = (width * bits + 31) / 32 * 4;
    QByteArray pixels;
    for (int i = 0; i < height; ++i) {
        const int y = topDown ? i : height - 1 - i;
        if (rle) {
            // One pixel, then absolute runs of three; the last row ends the bitmap.
            pixels.append('\1').append(char(paletteIndex(image.pixel(0, y))));
            for (int x = 1; x + 3 <= width; x += 3) {
                pixels.append("\0\3", 2);
                for (int k = 0; k < 3; ++k)
                    pixels.append(char(paletteIndex(image.pixel(x + k, y))));
                pixels.append('\0');  // an absolute run ends on a 16-bit boundary
            }
            pixels.append(i + 1 < height ? QByteArray("\0\0", 2) : QByteArray("\0\1", 2));
            continue;
        }
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < width; ++x) {
            const QRgb c = image.pixel(x, y);
            char* at = row.data() + x * bits / 8;
            if (bits <= 8)
                *at = char(*at | paletteIndex(c) << (8 - bits - x * bits % 8));
            else if (bits == 16)
                qToLittleEndian<quint16>(quint16((qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3), at);
            else  // blue, green, red (and a zero byte in 32 bits)
                for (int k = 0; k < bits / 8; ++k)
                    at[k] = char(k < 3 ? c >> (8 * k) : 0);
        }
        pixels.append(row);
    }
    const int offset = 54 + colours * 4;
    QByteArray bmp(offset, '\0');
    bmp.replace(0, 2, "BM");
    for (const auto& [at, value] : {std::pair<int, int>{2, offset + int(pixels.size())}, {10, offset}, {14, 40},
                                    {18, width}, {22, topDown ? -height : height}, {26, 1 | bits << 16},
                                    {30, rle ? 1 : 0}, {34, int(pixels.size())}, {46, colours}})
        qToLittleEndian<qint32>(value, bmp.data() + at);
    for (int i = 0; i < colours; ++i)
        qToLittleEndian<quint32>(kGifPalette[i] & 0xFFFFFF, bmp.data() + 54 + 4 * i);
    return bmp + pixels;
}

QByteArray fuzzSeed(const QString& name)
{
    QFile file(QStringLiteral(TAVRO_FUZZ_SEEDS "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("no seed " + name.toStdString());
    return file.readAll();
}

QByteArray gifOf(const std::vector<QImage>& frames)
{
    QByteArray gif("GIF89a");
    le16(gif, frames.at(0).width());
    le16(gif, frames.at(0).height());
    gif.append("\x81\x00\x00", 3);  // a global colour table of 4 entries
    for (QRgb colour : kGifPalette)
        gif.append(char(qRed(colour))).append(char(qGreen(colour))).append(char(qBlue(colour)));
    for (const QImage& frame : frames) {
        gif.append("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);  // graphic control: 0.1 s a frame
        gif.append(char(0x2C));
        for (const int value : {0, 0, frame.width(), frame.height()})
            le16(gif, value);
        gif.append(char(0)).append(lzwPixels(frame));
    }
    return gif.append(char(0x3B));
}

QByteArray bmpClaiming(int width, int height)
{
    QByteArray bmp = QByteArray(54, '\0') + QByteArray(16, '\x7F');
    bmp.replace(0, 2, "BM");
    for (const auto& [at, value] : {std::pair<int, int>{2, 70}, {10, 54}, {14, 40}, {18, width}, {22, height},
                                    {26, 1 | 24 << 16}})  // sizes, offset, header, one plane of 24 bits
        qToLittleEndian<qint32>(value, bmp.data() + at);
    return bmp;
}

QByteArray gifClaiming(int width, int height, bool inFrame)
{
    QByteArray gif = gifOf({quadrantImage()});
    // The logical screen, or the first image descriptor past the header,
    // screen, palette and graphic control.
    const qsizetype at = inFrame ? 6 + 7 + 12 + 8 + 5 : 6;
    qToLittleEndian<quint16>(quint16(width), gif.data() + at);
    qToLittleEndian<quint16>(quint16(height), gif.data() + at + 2);
    return gif;
}

QByteArray jpegClaiming(int width, int height)
{
    QByteArray jpeg = jpegOf(quadrantImage());
    // The baseline frame header: marker, length, precision, height, width.
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    if (frame < 0)
        throw std::runtime_error("no baseline frame header");
    qToBigEndian<quint16>(quint16(height), jpeg.data() + frame + 5);
    qToBigEndian<quint16>(quint16(width), jpeg.data() + frame + 7);
    return jpeg;
}

}  // namespace fixtures
