#include "platform/ink/ink_units.h"

#include <QPaintDevice>
#include <QPainter>

#include <cmath>
#include <limits>

namespace ink_units {

PixelScale scaleOf(const QPaintDevice& device)
{
    const double ratio = device.devicePixelRatioF();
    return {device.logicalDpiX() / kInkUnitsPerInch, device.logicalDpiY() / kInkUnitsPerInch,
            ratio > 0 ? 0.5 / ratio : 0.5};
}

int32_t roundHalfEven(double v)
{
    if (!std::isfinite(v))
        throw PlatformError(PlatformErrorCode::InvalidArgument, "coordinate is not a finite number");
    double r = std::floor(v);
    const double fraction = v - r;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        throw PlatformError(PlatformErrorCode::InvalidArgument, "coordinate out of the 32-bit range");
    return static_cast<int32_t>(r);
}

int32_t pixelsToInk(double pixels, double dpi)
{
    if (!(dpi > 0))
        throw PlatformError(PlatformErrorCode::InvalidArgument, "device resolution is not positive");
    return roundHalfEven(pixels * kInkUnitsPerInch / dpi);
}

void throwBadConversion(const char* what)
{
    throw PlatformError(PlatformErrorCode::InvalidArgument, what);
}

namespace {
int clampToInt(double v)
{
    constexpr double lo = std::numeric_limits<int>::min() / 2;
    constexpr double hi = std::numeric_limits<int>::max() / 2;
    return static_cast<int>(v < lo ? lo : (v > hi ? hi : v));
}
int32_t clampToInk(double v)
{
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v < lo ? lo : (v > hi ? hi : v));
}
}  // namespace

QRect inkAreaToPixels(const InkRectangle& area, PixelScale scale, int margin)
{
    if (area.isEmpty())
        return {};
    const int left = clampToInt(std::floor(area.Left * scale.x + scale.centre)) - margin;
    const int top = clampToInt(std::floor(area.Top * scale.y + scale.centre)) - margin;
    const int right = clampToInt(std::ceil(area.Right * scale.x + scale.centre)) + margin;
    const int bottom = clampToInt(std::ceil(area.Bottom * scale.y + scale.centre)) + margin;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

InkRectangle pixelsToInkArea(const QRect& pixels, PixelScale scale)
{
    InkRectangle r;
    r.Left = clampToInk(std::floor((pixels.left() - scale.centre) / scale.x));
    r.Top = clampToInk(std::floor((pixels.top() - scale.centre) / scale.y));
    r.Right = clampToInk(std::ceil((pixels.right() + 1 - scale.centre) / scale.x));
    r.Bottom = clampToInk(std::ceil((pixels.bottom() + 1 - scale.centre) / scale.y));
    return r;
}

PainterStateGuard::PainterStateGuard(QPainter& painter) : m_painter(painter)
{
    m_painter.save();
}

PainterStateGuard::~PainterStateGuard()
{
    m_painter.restore();
}

}  // namespace ink_units
