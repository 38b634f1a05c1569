#include "platform/picture/dib_image.h"

#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <QBuffer>
#include <QImageReader>

#include <cstring>

namespace {

constexpr uint32_t kDibRgbColors = 0;
constexpr uint32_t kCoreHeaderSize = 12;

struct DibHeader {
    uint32_t size = 0;
    int64_t width = 0;
    int64_t height = 0;  // negative: top-down
    uint32_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
};

DibHeader readHeader(const ByteReader& r)
{
    DibHeader h;
    h.size = r.u32(0);
    if (h.size == kCoreHeaderSize) {
        h.width = r.u16(4);
        h.height = r.u16(6);
        h.bitCount = r.u16(10);
        return h;
    }
    if (h.size < 40)
        throw malformedPicture("bitmap header size");
    h.width = r.i32(4);
    h.height = r.i32(8);
    h.bitCount = r.u16(14);
    h.compression = r.u32(16);
    h.colorsUsed = r.u32(32);
    return h;
}

void appendLe32(QByteArray& out, uint32_t value)
{
    char bytes[4];
    std::memcpy(bytes, &value, 4);
    out.append(bytes, 4);
}

}  // namespace

bool DibDecoder::isBottomUp(const ByteReader& header)
{
    return readHeader(header).height > 0;
}

QImage DibDecoder::decode(const ByteReader& header, const ByteReader& bits, uint32_t usage)
{
    const DibHeader h = readHeader(header);
    if (usage != kDibRgbColors || h.compression == 4 || h.compression == 5)
        return QImage();  // palette indices, or a JPEG or PNG inside
    const int64_t height = h.height < 0 ? -h.height : h.height;
    if (h.width <= 0 || height == 0)
        throw malformedPicture("bitmap size");
    if (!pictureSizeAllowed(h.width, height) || h.width * height * 4 > m_budget)
        throw pictureTooLarge("bitmaps in the metafile");

    // Qt reads bitmap files: give it one, made of this header and bits.
    const uint32_t fileHeaderSize = 14;
    QByteArray file;
    file.reserve(qsizetype(fileHeaderSize + header.size() + bits.size()));
    file.append("BM", 2);
    appendLe32(file, uint32_t(fileHeaderSize + header.size() + bits.size()));
    appendLe32(file, 0);
    appendLe32(file, uint32_t(fileHeaderSize + header.size()));
    file.append(header.data(), qsizetype(header.size()));
    file.append(bits.data(), qsizetype(bits.size()));

    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw malformedPicture("bitmap in the metafile: " + reader.errorString().toStdString());
    m_budget -= int64_t(image.width()) * image.height() * 4;
    return image;
}

QImage DibDecoder::decodePacked(const ByteReader& packed, uint32_t usage)
{
    const DibHeader h = readHeader(packed);
    uint64_t colors = h.colorsUsed;
    if (colors == 0 && h.bitCount <= 8)
        colors = uint64_t(1) << h.bitCount;
    const uint64_t entrySize = h.size == kCoreHeaderSize ? 3 : 4;
    uint64_t headerBytes = h.size + colors * entrySize;
    if (h.size == 40 && (h.compression == 3 || h.compression == 6))
        headerBytes += h.compression == 3 ? 12 : 16;  // the channel masks follow the header
    packed.require(0, headerBytes);
    return decode(packed.sub(0, headerBytes), packed.sub(headerBytes, packed.size() - headerBytes), usage);
}
