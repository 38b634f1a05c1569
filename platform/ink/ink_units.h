#pragma once
// Conversions between ink space (HIMETRIC, 2540 units per inch) and the
// pixels of a paint device, shared by the renderer and the collector.

#include "platform/ink/ink_model.h"

#include <QRect>

#include <cstdint>

class QPaintDevice;
class QPainter;

namespace ink_units {

constexpr double kInkUnitsPerInch = 2540.0;

// Pixels per ink unit along each axis of a device, and where in a pixel an
// ink point lies. A pointer at pixel x covers x to x + 1, and the ink it
// makes is centred there: an ink point converts to the pixel position x and
// is drawn at x + centre, half a device pixel further (half a pixel at a
// device pixel ratio of 1). Ink values themselves stay the plain conversions.
struct PixelScale {
    double x = 96.0 / kInkUnitsPerInch;
    double y = 96.0 / kInkUnitsPerInch;
    double centre = 0.5;
};

PixelScale scaleOf(const QPaintDevice& device);

// Nearest 32-bit integer, halves to the even neighbour. Throws PlatformError
// (InvalidArgument) when v is not finite or outside the 32-bit range.
int32_t roundHalfEven(double v);

int32_t pixelsToInk(double pixels, double dpi);
// round(ink * dpi / 2540), halves to even, worked in integers: the markers
// convert millions of points a pass, so it is inline.
[[noreturn]] void throwBadConversion(const char* what);
inline int32_t inkToPixels(int32_t ink, int dpi)
{
    if (dpi <= 0)
        throwBadConversion("device resolution is not positive");
    // ink * dpi is exact in 64 bits; the quotient rounded in integers, as
    // roundHalfEven rounds it (a remainder of exactly half goes to even).
    constexpr auto perInch = static_cast<int64_t>(kInkUnitsPerInch);
    const int64_t n = int64_t{ink} * dpi;
    int64_t q = n / perInch;
    int64_t r = n % perInch;
    if (r < 0) {
        r += perInch;
        --q;
    }
    if (2 * r > perInch || (2 * r == perInch && (q & 1) != 0))
        ++q;
    if (q < INT32_MIN || q > INT32_MAX)
        throwBadConversion("coordinate out of the 32-bit range");
    return static_cast<int32_t>(q);
}

// Pixel rectangle that covers an inclusive ink-space area as drawn (centre
// included), rounded outwards and widened by margin pixels (antialiased
// edges spill over by one).
QRect inkAreaToPixels(const InkRectangle& area, PixelScale scale, int margin);
// Inclusive ink-space area whose drawn points cover a pixel rectangle,
// rounded outwards.
InkRectangle pixelsToInkArea(const QRect& pixels, PixelScale scale);

// Saves a painter's state and restores it however the scope is left.
class PainterStateGuard {
public:
    explicit PainterStateGuard(QPainter& painter);
    ~PainterStateGuard();
    PainterStateGuard(const PainterStateGuard&) = delete;
    PainterStateGuard& operator=(const PainterStateGuard&) = delete;

private:
    QPainter& m_painter;
};

}  // namespace ink_units
