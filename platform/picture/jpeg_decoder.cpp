#include "platform/picture/jpeg_decoder.h"

#include "platform/picture/picture_errors.h"
#include "platform/picture/picture_loader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

namespace {

// A scan passes over every block of the picture, so the budget is scans
// times pixels: about half a second of this machine's decoding. A usual
// progressive file has ten scans, so 16 are always allowed.
constexpr double kScanPixelBudget = 1.5e9;
constexpr int kMinScans = 16, kMaxScans = 500;
// The coefficients a progressive file keeps for the whole picture.
constexpr long kDecoderMemory = 160L * 1024 * 1024;

struct Decoding {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf failed;
    int maxScans = kMaxScans;
    bool tooManyScans = false;
    char message[JMSG_LENGTH_MAX] = {};
    QImage image;
    QSize fullSize;
};

Decoding& decodingOf(j_common_ptr info)
{
    return *reinterpret_cast<Decoding*>(info->client_data);
}

void onError(j_common_ptr info)
{
    Decoding& d = decodingOf(info);
    (*info->err->format_message)(info, d.message);
    std::longjmp(d.failed, 1);
}

// Warnings (damaged data the decoder fills in) are not printed.
void onMessage(j_common_ptr, int) {}

void onProgress(j_common_ptr info)
{
    Decoding& d = decodingOf(info);
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > d.maxScans) {
        d.tooManyScans = true;
        std::longjmp(d.failed, 1);
    }
}

void toRgb32FromCmyk(uchar* line, int width)
{
    // Adobe's inverted CMYK, as every writer of such files stores it.
    QRgb* out = reinterpret_cast<QRgb*>(line);
    for (int x = width - 1; x >= 0; --x) {
        const uchar* p = line + 4 * x;
        const int k = p[3];
        out[x] = qRgb(k * p[0] / 255, k * p[1] / 255, k * p[2] / 255);
    }
}

// Everything libjpeg may jump out of happens here; the state it leaves lives
// in d, outside this frame. Returns false when libjpeg failed.
bool decodeInto(Decoding& d, const QByteArray& bytes, QSize shown)
{
    j_decompress_ptr info = &d.info;
    if (setjmp(d.failed))
        return false;
    jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(bytes.constData()), (unsigned long)bytes.size());
    jpeg_read_header(info, TRUE);
    d.fullSize = QSize(int(info->image_width), int(info->image_height));
    if (!pictureSizeAllowed(info->image_width, info->image_height))
        return true;  // the caller refuses it by its size
    const double pixels = double(info->image_width) * info->image_height;
    d.maxScans = std::clamp(int(kScanPixelBudget / pixels), kMinScans, kMaxScans);

    const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
    info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;  // BGRX is Format_RGB32's byte order here
    jpeg_start_decompress(info);

    JDIMENSION left = 0, width = info->output_width;
    if (shown.isValid() && JDIMENSION(std::max(shown.width(), 1)) < width) {
        width = JDIMENSION(std::max(shown.width(), 1));
        jpeg_crop_scanline(info, &left, &width);  // widens to whole blocks
    }
    const int keepWidth = shown.isValid() ? std::clamp(shown.width(), 1, int(info->output_width))
                                          : int(info->output_width);
    const int keepHeight = shown.isValid() ? std::clamp(shown.height(), 1, int(info->output_height))
                                           : int(info->output_height);
    // Rows as wide as what libjpeg writes, cut to what shows at the end.
    d.image = QImage(int(info->output_width), keepHeight, QImage::Format_RGB32);
    if (d.image.isNull())
        return true;
    while (int(info->output_scanline) < keepHeight) {
        JSAMPROW row = d.image.scanLine(int(info->output_scanline));
        jpeg_read_scanlines(info, &row, 1);
        if (cmyk)
            toRgb32FromCmyk(row, int(info->output_width));
    }
    if (keepWidth < d.image.width())
        d.image = d.image.copy(0, 0, keepWidth, keepHeight);
    return true;
}

}  // namespace

QImage decodeJpeg(const QByteArray& bytes, QSize shown, QSize* fullSize)
{
    Decoding d;
    d.info.err = jpeg_std_error(&d.errors);
    d.errors.error_exit = onError;
    d.errors.emit_message = onMessage;
    d.info.client_data = &d;
    jpeg_create_decompress(&d.info);
    d.info.mem->max_memory_to_use = kDecoderMemory;
    d.progress.progress_monitor = onProgress;
    d.info.progress = &d.progress;

    const bool decoded = decodeInto(d, bytes, shown);
    jpeg_destroy_decompress(&d.info);
    if (!decoded) {
        if (d.tooManyScans)
            throw pictureTooLarge("JPEG of more than " + std::to_string(d.maxScans) + " scans");
        if (d.errors.msg_code == JERR_NO_BACKING_STORE || d.errors.msg_code == JERR_OUT_OF_MEMORY)
            throw pictureTooLarge(std::string("JPEG: ") + d.message);
        throw malformedPicture(std::string("JPEG: ") + d.message);
    }
    if (fullSize)
        *fullSize = d.fullSize;
    if (!pictureSizeAllowed(d.fullSize.width(), d.fullSize.height()))
        throw pictureTooLarge(std::to_string(d.fullSize.width()) + " x " + std::to_string(d.fullSize.height()));
    if (d.image.isNull())
        throw pictureTooLarge("no memory for the JPEG's pixels");
    return d.image;
}
