// The save's steps that need no window: names, dialog settings and the
// bitmap file.

#include "app/output/capture.h"
#include "app/output/save_page.h"

#include "platform/dialogs/common_dialog.h"
#include "platform/dialogs/message_box.h"
#include "platform/platform_error.h"

#include "platform/jpgutils/file_entries.h"
#include "platform/jpgutils/jpg_name.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SavePage {

namespace {

const char* const kDefaultNameStem = "tavropen";
const char* const kSaveFilter = "Image File (*.jpg)|*.bmp|";
constexpr int32_t kSaveFlags = CommonDialogFlags::HideReadOnly;
constexpr int32_t kMaxFileSize = 10000;

// The failures of the file steps: the numbers the file services used.
constexpr int32_t kPathAccessError = 75;
constexpr int32_t kFileNotFound = 53;

}  // namespace

const char* const kSaveFailedMessage = "저장중 오류가 발생하였습니다.";

int32_t captureTop(float titlePictureHeight)
{
    return Capture::roundHalfEven(double(titlePictureHeight) + kCaptureBelowTitle);
}

QString defaultSaveName(int16_t pageCount)
{
    const int value = pageCount;
    QString digits = QString::number(std::abs(value)).rightJustified(2, QLatin1Char('0'));
    if (value < 0)
        digits.prepend(QLatin1Char('-'));
    return QLatin1String(kDefaultNameStem) + digits;
}

void setUpSaveDialog(CommonDialog& dialog, int16_t pageCount)
{
    dialog.Flags = kSaveFlags;
    dialog.FileName = defaultSaveName(pageCount);
    dialog.Filter = QLatin1String(kSaveFilter);
    dialog.DialogTitle = QString::fromUtf8(kMessageBoxTitle);
    dialog.MaxFileSize = kMaxFileSize;
}

QString bitmapPathFor(const QString& chosenName)
{
    if (chosenName.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)
        || chosenName.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive))
        return chosenName + QLatin1String(".bmp");
    return chosenName;
}

namespace {

[[noreturn]] void fail(const std::string& what, int error)
{
    throw PlatformError(kPathAccessError, what + ": " + std::strerror(error));
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

}  // namespace

PageBitmap::PageBitmap(const QImage& page, const QString& chosenName)
{
    if (page.isNull())
        throw PlatformError(kPathAccessError, "there is no capture of the page to write");
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        QImageWriter writer(&buffer, "bmp");
        if (!buffer.open(QIODevice::WriteOnly) || !writer.write(page))
            throw PlatformError(kPathAccessError, "the bitmap could not be made: " + writer.errorString().toStdString());
    }

    const std::string chosen = QFile::encodeName(chosenName).toStdString();
    const std::string nominal = QFile::encodeName(bitmapPathFor(chosenName)).toStdString();
    if (chosen.find('\0') != std::string::npos)
        throw PlatformError(kPathAccessError, "the chosen name holds a zero byte");
    const std::size_t slash = chosen.rfind('/');
    m_folderPath = slash == std::string::npos ? std::string() : chosen.substr(0, slash + 1);
    m_name = nominal.substr(m_folderPath.size());
    // Opened once: the bitmap, the JPEG's move and the deletion all happen in
    // this folder, whatever its path comes to mean meanwhile.
    m_folder.reset(::open(m_folderPath.empty() ? "." : m_folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (m_folder.get() < 0)
        fail("the folder cannot be opened", errno);

    int fd = JpgUtils::createExclusive(m_folder.get(), m_name);
    if (fd < 0 && errno == EEXIST) {
        // Taken, by anything: a fresh name beside it, the converter's JPEG of
        // which is moved to the name the chosen name's JPEG has.
        m_jpegName = JpgUtils::jpegPathForBitmap(m_name);
        fd = JpgUtils::createExclusive(m_folder.get(), m_name, true, chosen.substr(m_folderPath.size()) + '.', ".bmp");
    }
    if (fd < 0)
        fail("the bitmap could not be created", errno);
    struct stat status {};
    bool ok = ::fstat(fd, &status) == 0;
    m_written = JpgUtils::fileIdOf(status);
    ok = ok && writeAll(fd, bytes.constData(), std::size_t(bytes.size())) && ::fdatasync(fd) == 0;
    const int error = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        JpgUtils::removeIfSame(m_folder.get(), m_name.c_str(), m_written);
        fail("the bitmap could not be written", error);
    }
}

QString PageBitmap::path() const
{
    return QFile::decodeName(QByteArray::fromStdString(m_folderPath + m_name));
}

void PageBitmap::placeJpeg()
{
    if (m_jpegName.empty())
        return;
    const std::string made = JpgUtils::jpegPathForBitmap(m_name);
    struct stat status {};
    if (::fstatat(m_folder.get(), made.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
        throw PlatformError(kFileNotFound, "the converter's JPEG is not at " + made);
    if (!JpgUtils::renameInto(m_folder.get(), made.c_str(), m_jpegName.c_str())) {
        const int error = errno;
        JpgUtils::removeIfSame(m_folder.get(), made.c_str(), JpgUtils::fileIdOf(status));
        fail("the JPEG may not replace " + m_jpegName, error);
    }
}

void PageBitmap::remove()
{
    if (!JpgUtils::removeIfSame(m_folder.get(), m_name.c_str(), m_written))
        throw PlatformError(kFileNotFound, "the bitmap is gone or is no longer the one written: " + m_name);
}

}  // namespace SavePage
