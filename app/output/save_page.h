#pragma once
// Saving the page, the parts that need no window: the capture rectangle, the
// save dialog's settings, where the bitmap goes, and the file steps the save
// runs (write the bitmap, remove it). The window's End_Rtn and the capture on
// pointer movement over the save button are in save_page.cpp.

#include <QImage>
#include <QString>

#include <cstdint>

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

// The one-second wait between writing the bitmap and converting it.
constexpr float kWaitBeforeConverting = 1000.0f;

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

// Writes page as a Windows bitmap file at path, replacing any file of that
// name. Throws PlatformError when page is null or the file cannot be written.
void writePageBitmap(const QImage& page, const QString& path);

// Deletes the bitmap file; throws PlatformError when it cannot.
void removePageBitmap(const QString& path);

}  // namespace SavePage
