#pragma once
// Capture: copies a rectangle of a window's current image into a new picture
// that belongs to the caller. The window is rendered with its children, not
// grabbed from the screen, so the copy is the same on every window system and
// whatever covers the window meanwhile.
//
// Two origins, as the window system's device contexts had them: the outer
// corner of the window's frame, or the corner of its client area. A window
// that paints its own frame marks its client area with its contents margins
// (QWidget::contentsRect). Parts of the rectangle outside the window come out
// white. Like a device context, the capture counts device pixels: on a
// scaled screen the window is rendered at its full resolution.

#include "platform/picture/picture.h"

#include <QImage>

#include <cstdint>

class QWidget;

namespace Capture {

// Nearest 32-bit integer, a half going to the even neighbour (928.5 -> 928,
// 929.5 -> 930); values beyond the 32-bit range are clamped, NaN gives 0.
int32_t roundHalfEven(double value);

// Twips (1440 an inch) to pixels at dotsPerInch, rounded half to even:
// 9285 twips are 619 pixels at 96 dpi, 774 at 120 and 928 at 144.
int32_t twipsToPixels(int32_t twips, double dotsPerInch);

// A rectangle of window: left and top in the window's own pixels from the
// outer corner of its frame, width and height in twips, converted at the
// screen's own twips per pixel (1440 over the window's DPI times its device
// pixel ratio): 9285 x 5940 twips are 619 x 396 at a ratio of 1, 774 x 495
// at 1.25. The same region of the window whatever the ratio.
Picture CaptureFormArea(QWidget& window, int32_t left, int32_t top, int32_t width, int32_t height);

// A rectangle of window in device pixels, from its client area's corner
// when clientOnly is set, else from its frame's outer corner. A rectangle
// without area gives the null picture.
Picture CaptureWindowArea(QWidget& window, bool clientOnly, int32_t left, int32_t top, int32_t width,
                          int32_t height);

// Wraps a captured bitmap into a picture, which then owns it (shares it, as
// Qt images do, and never changes it). A null bitmap gives the null picture.
// There are no palettes: captures are always true colour.
Picture PictureFromBitmap(const QImage& bitmap);

}  // namespace Capture
