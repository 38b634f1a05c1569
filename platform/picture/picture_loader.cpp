#include "platform/picture/picture_loader.h"

#include "platform/jpgutils/file_entries.h"
#include "platform/picture/jpeg_decoder.h"
#include "platform/picture/metafile.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/raster_integrity.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// No supported file is larger than its decoded size allows, give or take a
// header; a bigger one is refused before it is read into memory.
constexpr int64_t kMaxFileBytes = kMaxDecodedPictureBytes + 1024 * 1024;

bool startsWith(const QByteArray& head, const char* magic, int length)
{
    return head.size() >= length && std::memcmp(head.constData(), magic, size_t(length)) == 0;
}

uint16_t u16At(const QByteArray& head, int offset)
{
    return uint16_t(uint8_t(head[offset]) | uint8_t(head[offset + 1]) << 8);
}

uint32_t u32At(const QByteArray& head, int offset)
{
    return uint32_t(u16At(head, offset)) | uint32_t(u16At(head, offset + 2)) << 16;
}

// Qt's own guard, in whole megabytes, for every reader of the process. Qt
// decodes a GIF's whole screen and a bitmap whole, beside the file's bytes,
// so it gets half our limit: an open stays within our memory bound.
constexpr int kQtAllocationLimitMb = int(kMaxDecodedPictureBytes / (2 * 1024 * 1024));

QByteArray qtFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg: return "jpeg";
    case PictureFormat::Gif: return "gif";
    case PictureFormat::Bmp: return "bmp";
    default: return QByteArray();
    }
}

void limitQtAllocations()
{
    // Lower Qt's guard to ours unless someone already set a lower one.
    const int ourLimit = kQtAllocationLimitMb;
    const int current = QImageReader::allocationLimit();
    if (current == 0 || current > ourLimit)
        QImageReader::setAllocationLimit(ourLimit);
}

// Qt's bitmap reader leaves a run-length-coded image's colour table as short
// as the file's palette, and drawing it then reads past the table for an
// index beyond it. Such pixels read as black, as the converter reads them.
void completeColorTable(QImage& image)
{
    const QImage::Format format = image.format();
    if (format != QImage::Format_Indexed8 && format != QImage::Format_Mono && format != QImage::Format_MonoLSB)
        return;
    QList<QRgb> table = image.colorTable();
    const qsizetype entries = qsizetype(1) << image.depth();
    if (table.size() < entries) {
        table.resize(entries, qRgb(0, 0, 0));
        image.setColorTable(table);
    }
}

// An uncompressed bitmap cut to the rows and columns that can show, and
// stored bottom-up, the one row order Qt's reader takes: Qt takes no clip
// for bitmaps, and a file of the largest size would be decoded whole beside
// its bytes. Other bitmaps are given to Qt as they are.
QByteArray bitmapForQt(const QByteArray& bytes, QSize shown)
{
    const uint32_t bitsOffset = u32At(bytes, 10), infoSize = u32At(bytes, 14);
    if (infoSize < 40 || qsizetype(14 + infoSize) > bytes.size() || bitsOffset < 14 + infoSize)
        return bytes;
    const int32_t width = int32_t(u32At(bytes, 18)), height = int32_t(u32At(bytes, 22));
    const int bitCount = u16At(bytes, 28);
    const uint32_t compression = u32At(bytes, 30);
    const bool packed = compression == 0 || compression == 3 || compression == 6;
    if (!packed || width <= 0 || height == 0 || height == INT32_MIN
        || (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32))
        return bytes;
    const bool topDown = height < 0;
    const int64_t rows = std::abs(int64_t(height));
    int64_t keepRows = rows, keepWidth = width;
    if (shown.isValid()) {
        keepRows = std::clamp<int64_t>(shown.height(), 1, rows);
        const int64_t perByte = bitCount < 8 ? 8 / bitCount : 1;  // whole bytes of each row
        keepWidth = std::min<int64_t>(width, (std::max(shown.width(), 1) + perByte - 1) / perByte * perByte);
    }
    if (!topDown && keepRows == rows && keepWidth == width)
        return bytes;
    const int64_t rowBytes = (int64_t(width) * bitCount + 31) / 32 * 4;
    const int64_t keptRowBytes = (keepWidth * bitCount + 31) / 32 * 4;
    const int64_t copied = (keepWidth * bitCount + 7) / 8;
    // checkRasterComplete has made sure every row is in the file.
    if (bitsOffset + rows * rowBytes > bytes.size())
        throw malformedPicture("bitmap pixels end early");

    QByteArray out = bytes.left(bitsOffset);
    out.reserve(qsizetype(bitsOffset + keepRows * keptRowBytes));
    for (int64_t i = 0; i < keepRows; ++i) {
        // Bottom-up output: its first row is the lowest row that shows.
        const int64_t fromTop = keepRows - 1 - i;
        const int64_t stored = topDown ? fromTop : rows - 1 - fromTop;
        out.append(bytes.constData() + bitsOffset + stored * rowBytes, qsizetype(copied));
        out.append(QByteArray(qsizetype(keptRowBytes - copied), '\0'));
    }
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 2);
    qToLittleEndian<qint32>(qint32(keepWidth), out.data() + 18);
    qToLittleEndian<qint32>(qint32(keepRows), out.data() + 22);
    qToLittleEndian<quint32>(quint32(keepRows * keptRowBytes), out.data() + 34);
    return out;
}

Picture readRaster(const QByteArray& bytes, PictureFormat format, QSize shown)
{
    const QSize claimed = rasterHeaderSize(bytes, format);
    if (!pictureSizeAllowed(claimed.width(), claimed.height())) {
        if (claimed.width() <= 0 || claimed.height() <= 0)
            throw malformedPicture("picture of no size");
        throw pictureTooLarge(std::to_string(claimed.width()) + " x " + std::to_string(claimed.height()));
    }
    checkRasterComplete(bytes, format);

    if (format == PictureFormat::Jpeg) {
        QSize fullSize;
        const QImage image = decodeJpeg(bytes, shown, &fullSize);
        return Picture::fromImage(image, fullSize);
    }

    QBuffer buffer;
    buffer.setData(format == PictureFormat::Bmp ? bitmapForQt(bytes, shown) : bytes);
    buffer.open(QIODevice::ReadOnly);
    // The format we detected, and only its reader: Qt must not pick another
    // handler by guessing.
    QImageReader reader(&buffer, qtFormatName(format));
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    limitQtAllocations();

    const QSize size = reader.size();  // from the header, nothing decoded yet
    if (!size.isValid() || size.isEmpty())
        throw malformedPicture("no image size in the header");
    if (!pictureSizeAllowed(size.width(), size.height()))
        throw pictureTooLarge(std::to_string(size.width()) + " x " + std::to_string(size.height()));

    QImage image;
    if (!reader.read(&image) || image.isNull())  // a GIF's first frame
        throw malformedPicture(reader.errorString().toStdString());
    completeColorTable(image);
    if (shown.isValid() && (image.width() > shown.width() || image.height() > shown.height()))
        image = image.copy(0, 0, std::min(image.width(), std::max(shown.width(), 1)),
                           std::min(image.height(), std::max(shown.height(), 1)));
    return Picture::fromImage(image, claimed);
}

// The whole file, read by what is actually there: a file system may report
// any size (procfs says 0 and never ends), so reading stops at the size
// reported plus one byte, and a file that gives more than it reported, or
// more than the limit, is refused. Only regular files are read; the file is
// opened without waiting, so a FIFO cannot block the window.
QByteArray readWholeFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const JpgUtils::Descriptor file(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    const int fd = file.get();
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw PlatformError(PictureErrorCode::FileNotFound, "file not found");
        throw PlatformError(PictureErrorCode::FileUnreadable, std::strerror(error));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw PlatformError(PictureErrorCode::FileUnreadable, std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        throw PlatformError(PictureErrorCode::FileNotFound, "not a file");
    if (info.st_size > kMaxFileBytes)
        throw pictureTooLarge("file of " + std::to_string(info.st_size) + " bytes");

    const int64_t expected = int64_t(info.st_size);
    QByteArray bytes(qsizetype(expected + 1), Qt::Uninitialized);
    int64_t got = 0;
    while (got < expected + 1) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(expected + 1 - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw PlatformError(PictureErrorCode::FileUnreadable, std::strerror(errno));
        if (n == 0)
            break;
        got += n;
    }
    if (got > expected)
        throw malformedPicture("the file holds more than its size says");
    bytes.truncate(qsizetype(got));
    return bytes;
}

}  // namespace

PictureFormat detectPictureFormat(const QByteArray& head)
{
    if (startsWith(head, "\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (startsWith(head, "GIF87a", 6) || startsWith(head, "GIF89a", 6))
        return PictureFormat::Gif;
    if (startsWith(head, "BM", 2) && head.size() >= 18) {
        const uint32_t infoSize = u32At(head, 14);
        if (infoSize == 12 || (infoSize >= 40 && infoSize <= 124))
            return PictureFormat::Bmp;
    }
    if (head.size() >= 44 && u32At(head, 0) == 1 && u32At(head, 40) == 0x464D4520)  // " EMF"
        return PictureFormat::Emf;
    if (head.size() >= 4 && u32At(head, 0) == 0x9AC6CDD7)  // the placeable header's key
        return PictureFormat::Wmf;
    if (head.size() >= 18) {
        const uint16_t type = u16At(head, 0);
        const uint16_t headerWords = u16At(head, 2);
        const uint16_t version = u16At(head, 4);
        if ((type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300))
            return PictureFormat::Wmf;
    }
    return PictureFormat::Unknown;
}

bool pictureSizeAllowed(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        return false;
    // Both fit in 32 bits in every caller, so the product cannot overflow.
    return width * height <= kMaxDecodedPictureBytes / 4;
}

Picture LoadPicture(const QString& path, double targetDpi, QSize shown, double devicePixelRatio)
{
    if (!std::isfinite(targetDpi) || targetDpi < 1 || targetDpi > 10000)
        throw PlatformError(PlatformErrorCode::InvalidArgument, "picture DPI out of range");
    if (!std::isfinite(devicePixelRatio) || devicePixelRatio < 0.25 || devicePixelRatio > 16)
        throw PlatformError(PlatformErrorCode::InvalidArgument, "device pixel ratio out of range");
    if (path.isEmpty())
        throw PlatformError(PictureErrorCode::FileNotFound, "file not found");
    const QByteArray bytes = readWholeFile(path);
    if (bytes.isEmpty())
        throw malformedPicture("empty file");

    const PictureFormat format = detectPictureFormat(bytes.left(64));
    switch (format) {
    case PictureFormat::Jpeg:
    case PictureFormat::Gif:
    case PictureFormat::Bmp:
        return readRaster(bytes, format, shown);
    case PictureFormat::Wmf:
        return playWindowsMetafile(bytes, targetDpi, shown, devicePixelRatio);
    case PictureFormat::Emf:
        return playEnhancedMetafile(bytes, targetDpi, shown, devicePixelRatio);
    case PictureFormat::Unknown:
        break;
    }
    throw malformedPicture("not a JPEG, GIF, bitmap, metafile or enhanced metafile");
}
