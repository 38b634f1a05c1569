#include "raster_fixtures.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>

#include <stdexcept>

namespace fixtures {
namespace {

const QRgb kGifPalette[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format, 95))
        throw std::runtime_error(std::string("cannot write ") + format);
    return bytes;
}

void le16(QByteArray& out, int value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

int paletteIndex(QRgb pixel)
{
    for (int i = 0; i < 4; ++i) {
        if (kGifPalette[i] == (pixel | 0xFF000000u))
            return i;
    }
    throw std::runtime_error("colour outside the GIF palette");
}

// LZW data with a minimum code size of 2: a clear code before every two
// pixels keeps every code 3 bits wide, which any decoder reads.
QByteArray lzwPixels(const QImage& frame)
{
    QByteArray packed;
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    auto put = [&](int code) {
        bitBuffer |= uint32_t(code) << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            packed.append(char(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    constexpr int clear = 4, end = 5;
    int run = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if (run % 2 == 0)
                put(clear);
            put(paletteIndex(frame.pixel(x, y)));
            ++run;
        }
    }
    put(end);
    if (bitCount > 0)
        packed.append(char(bitBuffer & 0xFF));

    QByteArray blocks;
    blocks.append(char(2));  // minimum code size
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        blocks.append(char(block.size()));
        blocks.append(block);
    }
    blocks.append(char(0));
    return blocks;
}

}  // namespace

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

QByteArray jpegOf(const QImage& image)
{
    return encoded(image, "jpeg");
}

QByteArray bmpOf(const QImage& image)
{
    return encoded(image, "bmp");
}

QByteArray gifOf(const std::vector<QImage>& frames)
{
    if (frames.empty())
        throw std::runtime_error("a GIF needs a frame");
    const QSize size = frames.front().size();
    QByteArray gif("GIF89a");
    le16(gif, size.width());
    le16(gif, size.height());
    gif.append(char(0x81));  // a global colour table of 4 entries
    gif.append(char(0));
    gif.append(char(0));
    for (QRgb colour : kGifPalette) {
        gif.append(char(qRed(colour)));
        gif.append(char(qGreen(colour)));
        gif.append(char(qBlue(colour)));
    }
    for (const QImage& frame : frames) {
        gif.append("\x21\xF9\x04\x00", 4);  // graphic control: 0.1 s a frame
        le16(gif, 10);
        gif.append("\x00\x00", 2);
        gif.append(char(0x2C));
        le16(gif, 0);
        le16(gif, 0);
        le16(gif, frame.width());
        le16(gif, frame.height());
        gif.append(char(0));
        gif.append(lzwPixels(frame));
    }
    gif.append(char(0x3B));
    return gif;
}

QByteArray bmpClaiming(int width, int height)
{
    QByteArray bmp("BM");
    QByteArray header(52, '\0');
    qToLittleEndian<quint32>(quint32(54 + 16), header.data());  // file size
    qToLittleEndian<quint32>(54, header.data() + 8);            // pixels offset
    qToLittleEndian<quint32>(40, header.data() + 12);           // info header size
    qToLittleEndian<qint32>(width, header.data() + 16);
    qToLittleEndian<qint32>(height, header.data() + 20);
    qToLittleEndian<quint16>(1, header.data() + 24);            // planes
    qToLittleEndian<quint16>(24, header.data() + 26);           // bits a pixel
    bmp.append(header);
    bmp.append(QByteArray(16, '\x7F'));
    return bmp;
}

QByteArray gifClaiming(int width, int height)
{
    QImage small(4, 4, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray gif = gifOf({small});
    qToLittleEndian<quint16>(quint16(width), gif.data() + 6);
    qToLittleEndian<quint16>(quint16(height), gif.data() + 8);
    return gif;
}

QByteArray gifFrameClaiming(int width, int height)
{
    QImage small(4, 4, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray gif = gifOf({small});
    const qsizetype descriptor = gif.indexOf(char(0x2C), 6 + 7 + 12);  // past header, screen, palette
    qToLittleEndian<quint16>(quint16(width), gif.data() + descriptor + 5);
    qToLittleEndian<quint16>(quint16(height), gif.data() + descriptor + 7);
    return gif;
}

QByteArray jpegClaiming(int width, int height)
{
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray jpeg = jpegOf(small);
    // The frame header (SOF0, 0xFFC0): length, precision, height, width.
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    if (sof < 0)
        throw std::runtime_error("no baseline frame header");
    qToBigEndian<quint16>(quint16(height), jpeg.data() + sof + 5);
    qToBigEndian<quint16>(quint16(width), jpeg.data() + sof + 7);
    return jpeg;
}

}  // namespace fixtures
