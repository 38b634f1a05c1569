#include "platform/picture/picture_loader.h"

#include "platform/picture/metafile.h"
#include "platform/picture/picture_errors.h"
#include "platform/picture/raster_integrity.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cmath>
#include <cstring>

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
    // Qt's own guard, in whole megabytes, for every reader of the process;
    // lower it to ours unless someone already set a lower one.
    const int ourLimit = int(kMaxDecodedPictureBytes / (1024 * 1024));
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

Picture readRaster(const QByteArray& bytes, PictureFormat format)
{
    const QSize claimed = rasterHeaderSize(bytes, format);
    if (!pictureSizeAllowed(claimed.width(), claimed.height())) {
        if (claimed.width() <= 0 || claimed.height() <= 0)
            throw malformedPicture("picture of no size");
        throw pictureTooLarge(std::to_string(claimed.width()) + " x " + std::to_string(claimed.height()));
    }

    QBuffer buffer;
    buffer.setData(bytes);
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
    checkRasterComplete(bytes, format);

    QImage image;
    if (!reader.read(&image) || image.isNull())  // a GIF's first frame
        throw malformedPicture(reader.errorString().toStdString());
    completeColorTable(image);
    return Picture::fromImage(image);
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

Picture LoadPicture(const QString& path, double targetDpi)
{
    if (!std::isfinite(targetDpi) || targetDpi < 1 || targetDpi > 10000)
        throw PlatformError(PlatformErrorCode::InvalidArgument, "picture DPI out of range");
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        throw PlatformError(PictureErrorCode::FileNotFound, "file not found");
    if (!info.isFile())
        throw PlatformError(PictureErrorCode::FileNotFound, "not a file");

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PlatformError(PictureErrorCode::FileUnreadable, file.errorString().toStdString());
    if (file.size() > kMaxFileBytes)
        throw pictureTooLarge("file of " + std::to_string(file.size()) + " bytes");
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw PlatformError(PictureErrorCode::FileUnreadable, file.errorString().toStdString());
    if (bytes.isEmpty())
        throw malformedPicture("empty file");

    const PictureFormat format = detectPictureFormat(bytes.left(64));
    switch (format) {
    case PictureFormat::Jpeg:
    case PictureFormat::Gif:
    case PictureFormat::Bmp:
        return readRaster(bytes, format);
    case PictureFormat::Wmf:
        return playWindowsMetafile(bytes, targetDpi);
    case PictureFormat::Emf:
        return playEnhancedMetafile(bytes, targetDpi);
    case PictureFormat::Unknown:
        break;
    }
    throw malformedPicture("not a JPEG, GIF, bitmap, metafile or enhanced metafile");
}
