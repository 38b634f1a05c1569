// The save's steps that need no window: names, dialog settings and the
// bitmap file.

#include "app/output/capture.h"
#include "app/output/save_page.h"

#include "platform/dialogs/common_dialog.h"
#include "platform/dialogs/message_box.h"
#include "platform/platform_error.h"

#include <QFile>
#include <QImageWriter>
#include <QSaveFile>

#include <cstdlib>

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

// Written beside its name and put in place whole: a disk that fills up
// midway leaves an older file of that name as it was.
void writePageBitmap(const QImage& page, const QString& path)
{
    if (page.isNull())
        throw PlatformError(kPathAccessError, "there is no capture of the page to write");
    QSaveFile file(path);
    QImageWriter writer(&file, "bmp");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(page) || !file.commit()) {
        const QString why = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        throw PlatformError(kPathAccessError, "the bitmap could not be written: " + why.toStdString());
    }
}

void removePageBitmap(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        throw PlatformError(kFileNotFound, "the bitmap is gone: " + path.toStdString());
    if (!file.remove())
        throw PlatformError(kPathAccessError,
                            "the bitmap could not be deleted: " + file.errorString().toStdString());
}

}  // namespace SavePage
