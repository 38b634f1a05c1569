#include "platform/picture/raster_integrity.h"

#include "platform/picture/byte_reader.h"
#include "platform/picture/picture_errors.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

uint16_t bigEndian16(const ByteReader& r, uint64_t offset)
{
    return uint16_t(r.u8(offset) << 8 | r.u8(offset + 1));
}

// Walks the markers up to the end-of-image marker, skipping each segment by
// its length and each scan's entropy-coded data up to the next marker.
void checkJpeg(const ByteReader& r)
{
    uint64_t pos = 2;  // past the start-of-image marker
    for (;;) {
        if (r.u8(pos) != 0xFF)
            throw malformedPicture("JPEG marker expected");
        while (r.u8(pos) == 0xFF)  // fill bytes may precede a marker
            ++pos;
        const uint8_t marker = r.u8(pos++);
        if (marker == 0xD9)
            return;  // end of image
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // markers without a segment
        const uint16_t length = bigEndian16(r, pos);
        if (length < 2)
            throw malformedPicture("JPEG segment length");
        r.require(pos, length);
        pos += length;
        if (marker != 0xDA)
            continue;
        // Scan data: 0xFF is followed by 0x00 (stuffing) or a restart
        // marker inside it; anything else is the next marker.
        for (;;) {
            r.require(pos, 1);
            const void* ff = std::memchr(r.data() + pos, 0xFF, r.size() - pos);
            if (!ff)
                throw malformedPicture("JPEG scan data ends early");
            pos = uint64_t(static_cast<const char*>(ff) - r.data());
            const uint8_t next = r.u8(pos + 1);
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                pos += 2;
                continue;
            }
            break;
        }
    }
}

// Run-length coded bitmaps (BI_RLE8 and BI_RLE4) end with an end-of-bitmap code.
void checkRle(const ByteReader& r, uint64_t pos, bool fourBit)
{
    for (;;) {
        const uint8_t count = r.u8(pos);
        const uint8_t code = r.u8(pos + 1);
        pos += 2;
        if (count != 0)
            continue;  // an encoded run
        if (code == 1)
            return;  // end of bitmap
        if (code == 0)
            continue;  // end of line
        if (code == 2) {
            pos += 2;  // delta
            continue;
        }
        uint64_t bytes = fourBit ? (uint64_t(code) + 1) / 2 : code;  // an absolute run
        bytes += bytes & 1;  // padded to a 16-bit boundary
        r.require(pos, bytes);
        pos += bytes;
    }
}

void checkBmp(const ByteReader& r)
{
    const uint32_t bitsOffset = r.u32(10);
    const uint32_t infoSize = r.u32(14);
    int64_t width = 0, height = 0;
    uint32_t bitCount = 0, compression = 0;
    if (infoSize == 12) {
        width = r.u16(18);
        height = r.u16(20);
        bitCount = r.u16(24);
    } else {
        width = r.i32(18);
        height = r.i32(22);
        bitCount = r.u16(28);
        compression = r.u32(30);
    }
    if (height < 0)
        height = -height;
    if (width <= 0 || height <= 0 || bitCount == 0 || bitCount > 32)
        throw malformedPicture("bitmap header");
    switch (compression) {
    case 0:  // BI_RGB
    case 3:  // BI_BITFIELDS
    case 6: {  // BI_ALPHABITFIELDS
        const uint64_t rowBytes = (uint64_t(width) * bitCount + 31) / 32 * 4;
        if (!r.fits(bitsOffset, uint64_t(height), rowBytes))
            throw malformedPicture("bitmap pixels end early");
        return;
    }
    case 1:
    case 2:
        checkRle(r, bitsOffset, compression == 2);
        return;
    default:
        return;  // others are Qt's to accept or refuse
    }
}

void skipSubBlocks(const ByteReader& r, uint64_t& pos)
{
    for (;;) {
        const uint8_t size = r.u8(pos++);
        if (size == 0)
            return;
        r.require(pos, size);
        pos += size;
    }
}

// The offset of the first image descriptor's fields, past its 0x2C.
uint64_t gifFirstImage(const ByteReader& r)
{
    uint64_t pos = 13;  // header and logical screen descriptor
    const uint8_t screenFlags = r.u8(10);
    if (screenFlags & 0x80)
        pos += 3u << ((screenFlags & 7) + 1);
    for (;;) {
        const uint8_t block = r.u8(pos++);
        if (block == 0x2C)
            return pos;
        if (block != 0x21)
            throw malformedPicture("GIF without an image");
        ++pos;  // an extension: its label, then sub-blocks
        skipSubBlocks(r, pos);
    }
}

// Only the first frame is shown, so only it has to be whole.
void checkGif(const ByteReader& r)
{
    uint64_t pos = gifFirstImage(r);
    const uint8_t imageFlags = r.u8(pos + 8);
    pos += 9;
    if (imageFlags & 0x80)
        pos += 3u << ((imageFlags & 7) + 1);
    ++pos;  // the LZW minimum code size
    skipSubBlocks(r, pos);
}

// The logical screen, grown to the first frame should that reach beyond it.
QSize gifSize(const ByteReader& r)
{
    const uint64_t image = gifFirstImage(r);
    const int right = r.u16(image) + r.u16(image + 4);
    const int bottom = r.u16(image + 2) + r.u16(image + 6);
    return QSize(std::max<int>(r.u16(6), right), std::max<int>(r.u16(8), bottom));
}

// Width and height from the first frame header (SOFn).
QSize jpegSize(const ByteReader& r)
{
    uint64_t pos = 2;
    for (;;) {
        if (r.u8(pos) != 0xFF)
            throw malformedPicture("JPEG marker expected");
        while (r.u8(pos) == 0xFF)
            ++pos;
        const uint8_t marker = r.u8(pos++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9))
            continue;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
            return QSize(bigEndian16(r, pos + 5), bigEndian16(r, pos + 3));
        if (marker == 0xDA)
            throw malformedPicture("JPEG scan before its frame header");
        pos += bigEndian16(r, pos);
    }
}

}  // namespace

QSize rasterHeaderSize(const QByteArray& bytes, PictureFormat format)
{
    const ByteReader r(bytes.constData(), size_t(bytes.size()));
    try {
        switch (format) {
        case PictureFormat::Jpeg:
            return jpegSize(r);
        case PictureFormat::Gif:
            return gifSize(r);
        case PictureFormat::Bmp:
            if (r.u32(14) == 12)
                return QSize(r.u16(18), r.u16(20));
            // A negative height is a top-down bitmap; clamp the one value
            // that has no positive counterpart.
            return QSize(r.i32(18), int(std::min<int64_t>(std::abs(int64_t(r.i32(22))), INT32_MAX)));
        default:
            return QSize();
        }
    } catch (const PlatformError& error) {
        throw malformedPicture(std::string("no picture header (") + error.what() + ")");
    }
}

void checkRasterComplete(const QByteArray& bytes, PictureFormat format)
{
    const ByteReader reader(bytes.constData(), size_t(bytes.size()));
    try {
        switch (format) {
        case PictureFormat::Jpeg: checkJpeg(reader); break;
        case PictureFormat::Bmp: checkBmp(reader); break;
        case PictureFormat::Gif: checkGif(reader); break;
        default: break;
        }
    } catch (const PlatformError& error) {
        // Running off the end is what a truncated file does.
        throw malformedPicture(std::string("truncated or damaged file (") + error.what() + ")");
    }
}
