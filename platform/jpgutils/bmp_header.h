#pragma once
// The layout of a Windows bitmap file, read and checked from its headers
// before a single pixel is read, so that a damaged or hostile file is refused
// before it can make the converter allocate or read out of bounds.

#include <array>
#include <cstddef>
#include <cstdint>

namespace JpgUtils {

// Largest decoded size accepted: width * height * 4 bytes.
constexpr uint64_t kMaxDecodedBytes = uint64_t(256) << 20;

// The file prefix the header parser needs at most: file header, the largest
// info header, bit-field masks and a full palette of four-byte entries.
constexpr std::size_t kBitmapHeaderReadSize = 14 + 124 + 16 + 256 * 4;

struct BitmapLayout {
    int32_t width = 0;
    int32_t height = 0;      // number of rows, always positive
    bool topDown = false;    // the first stored row is the top one
    uint16_t bitCount = 0;   // 1, 4, 8, 16, 24 or 32
    uint64_t pixelOffset = 0;  // where the first stored row starts in the file
    uint64_t stride = 0;       // bytes from one stored row to the next
    uint64_t pixelBytes = 0;   // bytes needed from pixelOffset on (last row unpadded)
    // Channel masks for 16 and 32 bits.
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    // Palette as blue, green, red triplets; entries past the file's palette stay black.
    std::array<uint8_t, 256 * 3> palette{};
};

// Checks the headers in the first `size` bytes of a file of `fileSize` bytes
// (size is min(fileSize, kBitmapHeaderReadSize)) and fills `layout`.
// Returns JPGUTILS_OK, or the JpgUtilsResult that says why the file is refused.
int32_t parseBitmapHeader(const uint8_t* data, std::size_t size, uint64_t fileSize,
                          BitmapLayout& layout);

}  // namespace JpgUtils
