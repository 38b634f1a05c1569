#pragma once
// The program's own artwork, drawn from SVG sources at the device pixel ratio
// it is shown at, so it stays sharp on every screen.
//
// Every function throws PlatformError: InvalidArgument for a ratio that is
// not a finite number in (0, maxDevicePixelRatio], InvalidState when a
// drawing is missing from the program's resources.

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QStringView>

namespace Artwork {

enum class CursorKind { ThinPen, MiddlePen, ThickPen, Eraser, Arrow, Hand, EraserButton };

// Logical sizes of the pictures.
inline constexpr QSize titlePictureSize{620, 89};
inline constexpr QSize windowBackgroundSize{549, 524};
inline constexpr QSize cursorSize{32, 32};

// Beyond this a picture would only waste memory; no screen comes near it.
inline constexpr qreal maxDevicePixelRatio = 8.0;

// 620 x 89 logical pixels: the tool bar with its drawings and 25 swatches.
QPixmap titlePicture(qreal devicePixelRatio);
// 549 x 524 logical pixels: a white page with a grey shadow on its left.
QPixmap windowBackground(qreal devicePixelRatio);
// 32 x 32 logical pixels with the hot spot where the design puts it.
QCursor cursor(CursorKind kind, qreal devicePixelRatio = 1.0);
// The hot spot of a cursor in logical pixels: the pens' and the hand's pen
// tip (lower left), the erasers' rubbing corner (lower left), the arrow's tip.
QPoint cursorHotSpot(CursorKind kind);
// The hot spot in the unit QCursor needs on the named platform: logical
// pixels everywhere but on X11 ("xcb"), where Qt 6.4 passes it to the server
// unscaled beside the full-resolution picture, so it must be in device pixels.
QPoint platformHotSpot(QPoint logical, qreal devicePixelRatio, QStringView platformName);
// The cursor's picture alone, e.g. for a hidden holder that shows it.
QPixmap cursorPixmap(CursorKind kind, qreal devicePixelRatio = 1.0);
// A pen drawing a line: sharp at 16 and 32 pixels, and at any other size.
QIcon appIcon();

}  // namespace Artwork
