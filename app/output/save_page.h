#pragma once
// Saving the page, the parts that need no window: the capture rectangle, the
// save dialog's settings, where the bitmap goes, and the file steps the save
// runs (write the bitmap, remove it). The window's End_Rtn and the capture on
// pointer movement over the save button are in save_page.cpp.

#include "platform/jpgutils/file_entries.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <string>
#include <sys/types.h>

class CommonDialog;

namespace SavePage {

// The page's rectangle, from the window's outer corner: 5 pixels in, 5
// pixels below the title picture, 9285 x 5940 twips (619 x 396 pixels at
// 96 dpi).
constexpr int32_t kCaptureLeft = 5;
constexpr int32_t kCaptureBelowTitle = 5;
constexpr int32_t kCaptureWidthTwips = 9285;
constexpr int32_t kCaptureHeightTwips = 5940;

// The capture's top: the title picture's height plus 5, rounded half to even.
int32_t captureTop(float titlePictureHeight);

extern const char* const kSaveFailedMessage;  // "저장중 오류가 발생하였습니다."

// "tavropen" followed by the page counter in at least two digits, as the
// format "00" writes it: 0 -> "tavropen00", 7 -> "tavropen07",
// 123 -> "tavropen123", -5 -> "tavropen-05".
QString defaultSaveName(int16_t pageCount);

// Sets the save dialog's properties in the order the save sets them: Flags
// (the read-only box hidden, no overwrite prompt), FileName (the default
// name), Filter, DialogTitle, MaxFileSize.
void setUpSaveDialog(CommonDialog& dialog, int16_t pageCount);

// Where the bitmap is written for the name the user chose. The converter
// writes the JPEG at the bitmap's path without ".bmp", with ".jpg" added
// unless it already ends in ".jpg" or ".jpeg". A chosen name ending in
// ".jpg" or ".jpeg" (any case) therefore gets ".bmp" added, so the JPEG
// lands under exactly that name; any other name is the bitmap's path itself
// ("page" -> JPEG "page.jpg", "page.bmp" -> "page.jpg").
QString bitmapPathFor(const QString& chosenName);

// The bitmap one save writes, converts and deletes. It never takes the place
// of anything: when the name bitmapPathFor gives is in use (a file, a link, a
// folder), the bitmap gets a fresh name in the same folder that begins with
// the chosen name, and the JPEG made of it is then moved to the name the
// chosen name's JPEG has. Every step works in the folder as it was opened for
// the bitmap and follows no link.
class PageBitmap {
public:
    // Writes page as a Windows bitmap file for chosenName. Throws
    // PlatformError when page is null or the file cannot be written; nothing
    // is left behind then.
    PageBitmap(const QImage& page, const QString& chosenName);
    PageBitmap(const PageBitmap&) = delete;
    PageBitmap& operator=(const PageBitmap&) = delete;

    // The bitmap's path, for the converter.
    QString path() const;

    // After the conversion, for a bitmap under a fresh name: puts its JPEG at
    // the chosen name's JPEG where that may be replaced (nothing there, a
    // link, a regular file the user may write). Throws PlatformError
    // otherwise, having removed the JPEG it could not place.
    void placeJpeg();

    // Deletes the bitmap, only while it is still the file this wrote. Throws
    // PlatformError when it is gone, replaced or cannot be deleted.
    void remove();

private:
    JpgUtils::Descriptor m_folder;
    std::string m_folderPath;  // as chosen, up to and with its last slash
    std::string m_name;
    std::string m_jpegName;  // where placeJpeg moves the JPEG; empty when the converter puts it there
    JpgUtils::FileId m_written;  // the bitmap this wrote, to delete only that
};

}  // namespace SavePage
