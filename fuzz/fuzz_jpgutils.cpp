// Feeds the converter a bitmap file of any bytes, with the quality and flag
// the program's save uses, and checks what it promises about files: on
// success the JPEG lies beside the bitmap and has the bitmap's size; on any
// failure nothing but the bitmap is left; the bitmap is never changed.

#include "fuzz/fuzz_scratch.h"
#include "platform/jpgutils/jpgutils.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

std::vector<uint8_t> readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int32_t le32(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// The picture size the bitmap's headers give: core headers in 16 bits.
bool bitmapSize(const uint8_t* data, size_t size, int& width, int& height)
{
    if (size < 26)
        return false;
    if (le32(data + 14) == 12) {
        width = data[18] | data[19] << 8;
        height = data[20] | data[21] << 8;
    } else {
        width = le32(data + 18);
        height = le32(data + 22);
        height = height == INT32_MIN ? height : std::abs(height);
    }
    return true;
}

void checkJpeg(const std::vector<uint8_t>& jpeg, const uint8_t* bitmap, size_t size)
{
    tjhandle decoder = tjInitDecompress();
    check(decoder != nullptr, "a decoder for the check");
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    const int failed = tjDecompressHeader3(decoder, jpeg.data(), jpeg.size(), &width, &height,
                                           &subsampling, &colourspace);
    tjDestroy(decoder);
    check(!failed, "the JPEG written reads back");
    int bmpWidth = 0, bmpHeight = 0;
    check(bitmapSize(bitmap, size, bmpWidth, bmpHeight), "a converted bitmap has headers");
    check(width == bmpWidth && height == bmpHeight, "the JPEG has the bitmap's size");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzScratch scratch;
    const std::string bitmap = scratch.write("page.bmp", data, size);

    const int32_t result = ConvertBMPtoJPG(bitmap.c_str(), 100, JPGUTILS_FLAG_BEST);
    check(result >= JPGUTILS_OK && result <= JPGUTILS_ERROR_WRITE, "a documented result");

    const std::vector<uint8_t> after = readAll(bitmap);
    check(after.size() == size && std::equal(after.begin(), after.end(), data), "the bitmap is left as it was");

    std::vector<std::string> names = scratch.names();
    std::sort(names.begin(), names.end());
    if (result == JPGUTILS_OK) {
        check(names == std::vector<std::string>{"page.bmp", "page.jpg"}, "only the JPEG is added");
        checkJpeg(readAll(scratch.folder() + "/page.jpg"), data, size);
    } else {
        check(names == std::vector<std::string>{"page.bmp"}, "a failure leaves no file behind");
    }
    scratch.clear();
    return 0;
}
