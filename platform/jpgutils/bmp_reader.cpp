#include "platform/jpgutils/bmp_reader.h"

#include "platform/jpgutils/bmp_header.h"
#include "platform/jpgutils/file_entries.h"
#include "platform/jpgutils/jpgutils.h"

#include <turbojpeg.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace JpgUtils {

namespace {

enum class ReadResult { Complete, Short, Failed };

ReadResult readAt(int fd, uint8_t* out, uint64_t count, uint64_t offset)
{
    while (count > 0) {
        const ssize_t got = ::pread(fd, out, count, static_cast<off_t>(offset));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return ReadResult::Failed;
        }
        if (got == 0)
            return ReadResult::Short;  // the file shrank after it was measured
        out += got;
        count -= static_cast<uint64_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return ReadResult::Complete;
}

// Brings a masked channel to 8 bits.
class Channel {
public:
    explicit Channel(uint32_t mask)
        : m_mask(mask),
          m_shift(mask ? std::countr_zero(mask) : 0),
          m_max(mask ? mask >> m_shift : 0)
    {
    }
    uint8_t operator()(uint32_t pixel) const
    {
        if (m_max == 0)
            return 0;
        const uint64_t value = (pixel & m_mask) >> m_shift;
        return static_cast<uint8_t>((value * 255 + m_max / 2) / m_max);
    }

private:
    uint32_t m_mask;
    int m_shift;
    uint64_t m_max;
};

bool isPlainBgrx(const BitmapLayout& layout)
{
    return layout.bitCount == 32 && layout.redMask == 0x00FF0000 && layout.greenMask == 0x0000FF00
        && layout.blueMask == 0x000000FF;
}

void convertPaletted(const BitmapLayout& layout, const uint8_t* row, uint8_t* out)
{
    const unsigned bits = layout.bitCount;
    const unsigned perByte = 8 / bits;
    const unsigned indexMask = (1u << bits) - 1;
    for (int x = 0; x < layout.width; ++x) {
        const unsigned byte = row[static_cast<unsigned>(x) / perByte];
        const unsigned shift = 8 - bits * (static_cast<unsigned>(x) % perByte + 1);
        const uint8_t* colour = &layout.palette[((byte >> shift) & indexMask) * 3];
        std::copy(colour, colour + 3, out + x * 3);
    }
}

void convertMasked(const BitmapLayout& layout, const uint8_t* row, uint8_t* out)
{
    const Channel red(layout.redMask);
    const Channel green(layout.greenMask);
    const Channel blue(layout.blueMask);
    const bool wide = layout.bitCount == 32;
    for (int x = 0; x < layout.width; ++x) {
        const uint8_t* p = row + x * (wide ? 4 : 2);
        uint32_t pixel = uint32_t(p[0]) | uint32_t(p[1]) << 8;
        if (wide)
            pixel |= uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        out[x * 3] = blue(pixel);
        out[x * 3 + 1] = green(pixel);
        out[x * 3 + 2] = red(pixel);
    }
}

}  // namespace

int32_t readBitmapFile(const char* path, BitmapPixels& pixels)
{
    pixels = BitmapPixels();
    // Non-blocking so that a FIFO given as the path cannot hang the open.
    const Descriptor file(::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)
        || info.st_size < 0)
        return JPGUTILS_ERROR_OPEN;
    const uint64_t fileSize = static_cast<uint64_t>(info.st_size);

    uint8_t header[kBitmapHeaderReadSize];
    const std::size_t headerSize = static_cast<std::size_t>(std::min<uint64_t>(fileSize, sizeof header));
    switch (readAt(file.get(), header, headerSize, 0)) {
    case ReadResult::Complete: break;
    case ReadResult::Short: return JPGUTILS_ERROR_FORMAT;
    case ReadResult::Failed: return JPGUTILS_ERROR_OPEN;
    }
    BitmapLayout layout;
    if (const int32_t result = parseBitmapHeader(header, headerSize, fileSize, layout))
        return result;

    // Every byte is overwritten, so none is zeroed first.
    auto stored = std::make_unique_for_overwrite<uint8_t[]>(layout.pixelBytes);
    switch (readAt(file.get(), stored.get(), layout.pixelBytes, layout.pixelOffset)) {
    case ReadResult::Complete: break;
    case ReadResult::Short: return JPGUTILS_ERROR_FORMAT;
    case ReadResult::Failed: return JPGUTILS_ERROR_OPEN;
    }

    pixels.width = layout.width;
    pixels.height = layout.height;
    pixels.bottomUp = !layout.topDown;
    if (layout.bitCount == 24 || isPlainBgrx(layout)) {
        pixels.buffer = std::move(stored);
        pixels.pitch = static_cast<int>(layout.stride);
        pixels.pixelFormat = layout.bitCount == 24 ? TJPF_BGR : TJPF_BGRX;
        return JPGUTILS_OK;
    }

    const std::size_t outPitch = static_cast<std::size_t>(layout.width) * 3;
    pixels.buffer = std::make_unique_for_overwrite<uint8_t[]>(outPitch * static_cast<std::size_t>(layout.height));
    pixels.pitch = static_cast<int>(outPitch);
    pixels.pixelFormat = TJPF_BGR;
    const bool paletted = layout.bitCount <= 8;
    for (int y = 0; y < layout.height; ++y) {
        const uint8_t* row = stored.get() + static_cast<std::size_t>(y) * layout.stride;
        uint8_t* out = pixels.buffer.get() + static_cast<std::size_t>(y) * outPitch;
        if (paletted)
            convertPaletted(layout, row, out);
        else
            convertMasked(layout, row, out);
    }
    return JPGUTILS_OK;
}

}  // namespace JpgUtils
