#include "app/output/capture.h"

#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <cmath>
#include <limits>

namespace Capture {

namespace {

constexpr double kTwipsPerInch = 1440.0;

// Where the rectangle's origin lies in the widget's own coordinates.
QPoint originInWidget(const QWidget& window, bool clientOnly)
{
    if (clientOnly)
        return window.contentsRect().topLeft();
    // A window-system frame lies outside the widget: its outer corner has
    // negative widget coordinates. A frameless window's corner is (0, 0).
    return window.frameGeometry().topLeft() - window.geometry().topLeft();
}

}  // namespace

int32_t roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    if (value <= lowest)
        return std::numeric_limits<int32_t>::min();
    if (value >= highest)
        return std::numeric_limits<int32_t>::max();
    double rounded = std::round(value);  // halves away from zero ...
    if (std::fabs(value - std::trunc(value)) == 0.5)
        rounded = 2.0 * std::round(value / 2.0);  // ... unless a half: to even
    return static_cast<int32_t>(rounded);
}

int32_t twipsToPixels(int32_t twips, double dotsPerInch)
{
    return roundHalfEven(double(twips) * dotsPerInch / kTwipsPerInch);
}

Picture CaptureFormArea(QWidget& window, int32_t left, int32_t top, int32_t width, int32_t height)
{
    // The window's device context counts device pixels: on a scaled screen
    // the twips give more of them, and the window's own pixels of left and
    // top are brought there so the region is the one shown at 96 dpi.
    const qreal ratio = window.devicePixelRatioF();
    const int32_t widthPixels = twipsToPixels(width, window.logicalDpiX() * ratio);
    const int32_t heightPixels = twipsToPixels(height, window.logicalDpiY() * ratio);
    return CaptureWindowArea(window, false, roundHalfEven(left * ratio), roundHalfEven(top * ratio), widthPixels,
                             heightPixels);
}

Picture CaptureWindowArea(QWidget& window, bool clientOnly, int32_t left, int32_t top, int32_t width,
                          int32_t height)
{
    if (width <= 0 || height <= 0)
        return Picture();

    QImage bitmap(QSize(width, height), QImage::Format_RGB32);
    if (bitmap.isNull())  // too large to allocate
        return Picture();
    bitmap.fill(Qt::white);

    // Where the bitmap lies on the window, in the window's own pixels; its
    // corner stays on a whole device pixel, so nothing is resampled.
    const qreal ratio = window.devicePixelRatioF();
    const QPoint origin = originInWidget(window, clientOnly);
    const QPointF corner((roundHalfEven(origin.x() * ratio) + double(left)) / ratio,
                         (roundHalfEven(origin.y() * ratio) + double(top)) / ratio);
    const QRectF source(corner, QSizeF(width / ratio, height / ratio));
    // The widget renders only what lies inside it, so it is given exactly that part.
    const QRect inside = (source & QRectF(window.rect())).toAlignedRect() & window.rect();
    if (!inside.isEmpty()) {
        bitmap.setDevicePixelRatio(ratio);
        QPainter painter(&bitmap);
        painter.translate(-corner);
        window.render(&painter, inside.topLeft(), QRegion(inside),
                      QWidget::DrawWindowBackground | QWidget::DrawChildren);
        painter.end();
        bitmap.setDevicePixelRatio(1.0);
    }
    return PictureFromBitmap(bitmap);
}

Picture PictureFromBitmap(const QImage& bitmap)
{
    return Picture::fromImage(bitmap);
}

}  // namespace Capture
