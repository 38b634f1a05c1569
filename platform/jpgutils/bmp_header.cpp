#include "platform/jpgutils/bmp_header.h"

#include "platform/jpgutils/jpgutils.h"

#include <algorithm>
#include <bit>

namespace JpgUtils {

namespace {

// Compression values of the info header.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;
constexpr uint32_t kBiJpeg = 4;
constexpr uint32_t kBiPng = 5;
constexpr uint32_t kBiAlphaBitFields = 6;

constexpr std::size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
// Where the bit-field masks start: right after the 40-byte info header,
// inside the header from version 2 on.
constexpr std::size_t kMaskOffset = kFileHeaderSize + 40;

uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Windows info header versions 1 to 5.
bool isInfoHeaderSize(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool isContiguous(uint32_t mask)
{
    if (mask == 0)
        return true;
    const uint32_t low = mask >> std::countr_zero(mask);
    return (low & (low + 1)) == 0;
}

}  // namespace

int32_t parseBitmapHeader(const uint8_t* data, std::size_t size, uint64_t fileSize,
                          BitmapLayout& layout)
{
    layout = BitmapLayout();
    if (!data || size < kFileHeaderSize + 4 || size > fileSize || data[0] != 'B' || data[1] != 'M')
        return JPGUTILS_ERROR_FORMAT;

    const uint64_t pixelOffset = le32(data + 10);
    const uint32_t headerSize = le32(data + 14);
    int64_t width = 0;
    int64_t height = 0;
    uint16_t bitCount = 0;
    uint32_t compression = kBiRgb;
    uint32_t colorsUsed = 0;
    std::size_t paletteEntrySize = 4;
    if (headerSize == kCoreHeaderSize) {
        if (size < kFileHeaderSize + kCoreHeaderSize)
            return JPGUTILS_ERROR_FORMAT;
        width = le16(data + 18);
        height = le16(data + 20);
        bitCount = le16(data + 24);
        paletteEntrySize = 3;
    } else if (isInfoHeaderSize(headerSize)) {
        if (size < kFileHeaderSize + headerSize)
            return JPGUTILS_ERROR_FORMAT;
        width = static_cast<int32_t>(le32(data + 18));
        height = static_cast<int32_t>(le32(data + 22));
        bitCount = le16(data + 28);
        compression = le32(data + 30);
        colorsUsed = le32(data + 46);
    } else {
        return JPGUTILS_ERROR_FORMAT;
    }

    // A negative height marks a top-down bitmap.
    if (width <= 0 || height == 0)
        return JPGUTILS_ERROR_FORMAT;
    const bool topDown = height < 0;
    const uint64_t rows = static_cast<uint64_t>(topDown ? -height : height);
    if (static_cast<uint64_t>(width) * rows * 4 > kMaxDecodedBytes)
        return JPGUTILS_ERROR_TOO_LARGE;

    if (compression == kBiRle8 || compression == kBiRle4 || compression == kBiJpeg
        || compression == kBiPng || bitCount == 64)
        return JPGUTILS_ERROR_UNSUPPORTED;
    const bool paletted = bitCount == 1 || bitCount == 4 || bitCount == 8;
    const bool masked = bitCount == 16 || bitCount == 32;
    const bool bitFields = compression == kBiBitFields || compression == kBiAlphaBitFields;
    if (!paletted && !masked && bitCount != 24)
        return JPGUTILS_ERROR_FORMAT;
    if (compression != kBiRgb && !(masked && bitFields))
        return JPGUTILS_ERROR_FORMAT;

    std::size_t headersEnd = kFileHeaderSize + headerSize;
    if (masked && bitFields) {
        if (headerSize == 40)
            headersEnd += compression == kBiAlphaBitFields ? 16 : 12;
        if (size < headersEnd)
            return JPGUTILS_ERROR_FORMAT;
        layout.redMask = le32(data + kMaskOffset);
        layout.greenMask = le32(data + kMaskOffset + 4);
        layout.blueMask = le32(data + kMaskOffset + 8);
        if (!isContiguous(layout.redMask) || !isContiguous(layout.greenMask)
            || !isContiguous(layout.blueMask))
            return JPGUTILS_ERROR_FORMAT;
    } else if (bitCount == 16) {
        layout.redMask = 0x7C00;
        layout.greenMask = 0x03E0;
        layout.blueMask = 0x001F;
    } else if (bitCount == 32) {
        layout.redMask = 0x00FF0000;
        layout.greenMask = 0x0000FF00;
        layout.blueMask = 0x000000FF;
    }
    if (pixelOffset < headersEnd)
        return JPGUTILS_ERROR_FORMAT;

    if (paletted) {
        // The palette lies between the headers and the pixels. Writers that
        // leave it less room than the header claims are read with what is there.
        const uint64_t fullSize = uint64_t(1) << bitCount;
        uint64_t entries = colorsUsed != 0 ? std::min<uint64_t>(colorsUsed, fullSize) : fullSize;
        const uint64_t paletteEnd = std::min<uint64_t>(pixelOffset, size);
        entries = std::min<uint64_t>(entries, (paletteEnd - headersEnd) / paletteEntrySize);
        if (entries == 0)
            return JPGUTILS_ERROR_FORMAT;
        for (uint64_t i = 0; i < entries; ++i) {
            const uint8_t* entry = data + headersEnd + i * paletteEntrySize;
            std::copy(entry, entry + 3, layout.palette.begin() + static_cast<std::ptrdiff_t>(i * 3));
        }
    }

    const uint64_t rowBits = static_cast<uint64_t>(width) * bitCount;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    // Some writers leave out the padding of the last row.
    const uint64_t pixelBytes = stride * (rows - 1) + (rowBits + 7) / 8;
    if (pixelOffset > fileSize || pixelBytes > fileSize - pixelOffset)
        return JPGUTILS_ERROR_FORMAT;

    layout.width = static_cast<int32_t>(width);
    layout.height = static_cast<int32_t>(rows);
    layout.topDown = topDown;
    layout.bitCount = bitCount;
    layout.pixelOffset = pixelOffset;
    layout.stride = stride;
    layout.pixelBytes = pixelBytes;
    return JPGUTILS_OK;
}

}  // namespace JpgUtils
