#pragma once
// Reads a Windows bitmap file into rows the JPEG encoder takes as they are:
// 24- and plain 32-bit pixels straight from the file, everything else
// converted to blue, green, red triplets.

#include <cstdint>
#include <memory>

namespace JpgUtils {

struct BitmapPixels {
    std::unique_ptr<uint8_t[]> buffer;  // owns the rows
    int width = 0;
    int height = 0;
    int pitch = 0;        // bytes from one stored row to the next
    int pixelFormat = 0;  // a TurboJPEG TJPF value
    bool bottomUp = false;  // the first stored row is the bottom one
};

// Returns JPGUTILS_OK and fills `pixels`, or the JpgUtilsResult that says why
// the file could not be read. Checks the headers before allocating anything.
int32_t readBitmapFile(const char* path, BitmapPixels& pixels);

}  // namespace JpgUtils
