// The library's one entry point: bitmap file in, JPEG file beside it out.

#include "platform/jpgutils/jpgutils.h"

#include "platform/jpgutils/atomic_write.h"
#include "platform/jpgutils/bmp_reader.h"
#include "platform/jpgutils/jpg_name.h"

#include <turbojpeg.h>

#include <memory>
#include <new>

namespace JpgUtils {

namespace {

constexpr int32_t kMinQuality = 1;
constexpr int32_t kMaxQuality = 100;

struct CompressorDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct JpegBufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

int32_t convert(const char* bitmapPath, int32_t quality, int32_t flag)
{
    if (!bitmapPath || !*bitmapPath || quality < kMinQuality || quality > kMaxQuality)
        return JPGUTILS_ERROR_ARGUMENT;
    const std::string jpegPath = jpegPathForBitmap(bitmapPath);
    if (jpegPath.empty())
        return JPGUTILS_ERROR_NAME;

    BitmapPixels pixels;
    if (const int32_t result = readBitmapFile(bitmapPath, pixels))
        return result;

    const std::unique_ptr<void, CompressorDeleter> compressor(tjInitCompress());
    if (!compressor)
        return JPGUTILS_ERROR_MEMORY;
    const bool best = flag == JPGUTILS_FLAG_BEST;
    const int subsampling = best ? TJSAMP_444 : TJSAMP_420;
    const int flags = (best ? TJFLAG_ACCURATEDCT : TJFLAG_FASTDCT)
        | (pixels.bottomUp ? TJFLAG_BOTTOMUP : 0);
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int failed = tjCompress2(compressor.get(), pixels.buffer.get(), pixels.width,
                                   pixels.pitch, pixels.height, pixels.pixelFormat, &jpeg,
                                   &jpegSize, subsampling, quality, flags);
    const std::unique_ptr<unsigned char, JpegBufferDeleter> jpegOwner(jpeg);
    if (failed || !jpeg || jpegSize == 0)
        return JPGUTILS_ERROR_ENCODE;

    return writeFileAtomically(jpegPath, jpeg, jpegSize);
}

}  // namespace

}  // namespace JpgUtils

extern "C" JPGUTILS_API int32_t ConvertBMPtoJPG(const char* bitmapPath, int32_t quality,
                                                int32_t flag)
{
    // Nothing may escape a C entry point.
    try {
        return JpgUtils::convert(bitmapPath, quality, flag);
    } catch (const std::bad_alloc&) {
        return JPGUTILS_ERROR_MEMORY;
    } catch (...) {
        return JPGUTILS_ERROR_ENCODE;
    }
}
