#include "platform/ink/stroke_coverage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Coverage of a pixel whose centre is distance d from the centre line where
// the radius is r: a one-pixel ramp across the edge. Lines thinner than a
// pixel are drawn a pixel wide in their full colour, as a pen user expects of
// the thin pen; fading them by their width turned black ink light grey.
inline double edgeCoverage(double d, double r, bool antialiased)
{
    const double reach = std::max(r, 0.5);
    if (!antialiased)
        return d <= reach ? 1.0 : 0.0;
    const double c = reach + 0.5 - d;
    return c <= 0 ? 0.0 : std::min(c, 1.0);
}

// Each channel of a premultiplied pixel times a / 255, rounded, two at a time.
inline uint32_t byteMultiply(uint32_t pixel, uint32_t a)
{
    uint32_t redBlue = (pixel & 0xff00ff) * a;
    redBlue = ((redBlue + ((redBlue >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    uint32_t alphaGreen = ((pixel >> 8) & 0xff00ff) * a;
    alphaGreen = (alphaGreen + ((alphaGreen >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return alphaGreen | redBlue;
}

// Where f(x) = slope * x + offset lies within [lo, hi], intersected with span.
inline void keepWhere(double slope, double offset, double lo, double hi, double& from, double& to)
{
    if (slope == 0) {
        if (offset < lo || offset > hi)
            to = from - 1;
        return;
    }
    double x1 = (lo - offset) / slope;
    double x2 = (hi - offset) / slope;
    if (x1 > x2)
        std::swap(x1, x2);
    from = std::max(from, x1);
    to = std::min(to, x2);
}

// Where a disc of the given radius meets the horizontal line at height y.
inline void widenByDisc(QPointF centre, double radius, double y, double& from, double& to)
{
    const double h = y - centre.y();
    const double w2 = radius * radius - h * h;
    if (w2 < 0)
        return;
    const double w = std::sqrt(w2);
    from = std::min(from, centre.x() - w);
    to = std::max(to, centre.x() + w);
}

}  // namespace

StrokeCoverage::StrokeCoverage(const QRect& area)
    : m_area(area.isValid() ? area : QRect()),
      m_coverage(size_t(m_area.width()) * size_t(m_area.height()), 0),
      m_rows(size_t(m_area.height()))
{
}

QRectF StrokeCoverage::capsuleBounds(QPointF a, double radiusA, QPointF b, double radiusB)
{
    const double reach = std::max({radiusA, radiusB, 0.5}) + 0.5;
    return QRectF(QPointF(std::min(a.x(), b.x()) - reach, std::min(a.y(), b.y()) - reach),
                  QPointF(std::max(a.x(), b.x()) + reach, std::max(a.y(), b.y()) + reach));
}

namespace {

// Where the pixel row whose centres lie at height centreY meets the capsule
// of this radius around a to b (unit direction u, the given length): the
// hull of its two end discs and the band between them, [from, to] in x;
// from > to when it misses. The band is sought within [left, right].
inline void capsuleRow(QPointF a, QPointF b, double ux, double uy, double length, double radius, double centreY,
                       double left, double right, double& from, double& to)
{
    from = std::numeric_limits<double>::max();
    to = std::numeric_limits<double>::lowest();
    widenByDisc(a, radius, centreY, from, to);
    widenByDisc(b, radius, centreY, from, to);
    if (length > 0) {
        double bandFrom = left;
        double bandTo = right;
        const double along = (centreY - a.y()) * uy - a.x() * ux;   // dot(p - a, u) = ux * x + along
        const double across = (centreY - a.y()) * ux + a.x() * uy;  // cross(u, p - a) = across - uy * x
        keepWhere(ux, along, 0.0, length, bandFrom, bandTo);
        keepWhere(-uy, across, -radius, radius, bandFrom, bandTo);
        if (bandFrom <= bandTo) {
            from = std::min(from, bandFrom);
            to = std::max(to, bandTo);
        }
    }
}

}  // namespace

void StrokeCoverage::addCapsule(QPointF a, double radiusA, QPointF b, double radiusB, bool antialiased)
{
    // Once every pixel is fully covered no capsule can add anything: a very
    // wide pen covers the whole area with its first few segments.
    if (m_fullRows == m_area.height())
        return;
    const QRect box = capsuleBounds(a, radiusA, b, radiusB).toAlignedRect() & m_area;
    if (box.isEmpty())
        return;
    // Single precision relative to a: plenty for pixels, and twice as fast.
    const float dx = float(b.x() - a.x());
    const float dy = float(b.y() - a.y());
    const float length2 = dx * dx + dy * dy;
    const float inverse = length2 > 0 ? 1.0f / length2 : 0.0f;
    const float ra = float(radiusA);
    const float dr = float(radiusB - radiusA);
    const bool constantWidth = dr == 0.0f;
    const float rMax = float(std::max({radiusA, radiusB, 0.5}));
    const float rMin = float(std::min(radiusA, radiusB));
    const float outside2 = (rMax + 0.5f) * (rMax + 0.5f);
    // Wholly inside the thinner end's radius: full coverage, no root needed.
    const float inside2 = rMin >= 1.0f ? (rMin - 0.5f) * (rMin - 0.5f) : -1.0f;
    const float ax = float(a.x()) - 0.5f;
    const float ay = float(a.y()) - 0.5f;
    const int stride = m_area.width();

    // The capsule meets each pixel row in one run (it is convex). Within it,
    // the pixels nearer the centre line than the thinner end's radius less
    // half a pixel are fully covered, whatever the per-pixel test rounds:
    // they are set in one fill, and only the rest of the run is measured.
    const double reach = double(rMax) + 0.5;
    const double magnitude = std::max({std::abs(a.x()), std::abs(a.y()), std::abs(b.x()), std::abs(b.y()), reach});
    // Only worth its root where it spans a few pixels.
    double solid = std::min(radiusA, radiusB) - 0.5 - (0.01 + 1e-6 * magnitude);
    if (solid < 2.0)
        solid = 0.0;
    const double length = std::sqrt(double(length2));
    const double ux = length > 0 ? double(dx) / length : 0.0;
    const double uy = length > 0 ? double(dy) / length : 0.0;
    // Pixels whose centres lie within a hair of reach get no coverage (less
    // than half a step of 255, even with single precision's error at this
    // magnitude): runs sought within that much less skip the rows a thin
    // line only grazes, half the rows of a 2-pixel line.
    const double seen = reach - std::max(0.0, 1.5e-3 - 4e-7 * magnitude);
    const bool smallBox = box.width() <= 12 && box.height() <= 12;
    if (smallBox)
        solid = 0.0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const size_t rowIndex = size_t(y - m_area.top());
        int& fullFrom = m_rows[rowIndex].fullFrom;
        int& fullTo = m_rows[rowIndex].fullTo;
        if (fullFrom <= box.left() && fullTo >= box.right())
            continue;
        const double centreY = y + 0.5;
        double from = 0;
        double to = 0;
        int first = box.left();
        int last = box.right();
        // A small box is measured whole: finding the run costs more than it saves.
        if (!smallBox) {
            capsuleRow(a, b, ux, uy, length, seen, centreY, box.left(), box.right() + 1.0, from, to);
            // A row of the box that the capsule misses leaves from and to at
            // their extremes, which no int can hold: clamped before converting.
            if (from > to)
                continue;
            first = int(std::floor(std::max(from - 0.5, double(box.left()))));
            last = int(std::ceil(std::min(to - 0.5, double(box.right()))));
            if (first > last)
                continue;
        }

        uint8_t* row = m_coverage.data() + rowIndex * size_t(stride) - m_area.left();
        int solidFirst = last + 1;
        int solidLast = last;
        if (solid > 0) {
            capsuleRow(a, b, ux, uy, length, solid, centreY, box.left(), box.right() + 1.0, from, to);
            if (from <= to) {
                solidFirst = std::max(first, int(std::ceil(std::max(from - 0.5, double(box.left())))));
                solidLast = std::min(last, int(std::floor(std::min(to - 0.5, double(box.right())))));
            }
        }
        if (solidFirst <= solidLast) {
            std::fill(row + solidFirst, row + solidLast + 1, uint8_t(255));
            m_touched = true;
            m_rows[rowIndex].from = std::min(m_rows[rowIndex].from, solidFirst);
            m_rows[rowIndex].to = std::max(m_rows[rowIndex].to, solidLast);
            const bool wasWhole = fullFrom <= m_area.left() && fullTo >= m_area.right();
            if (fullFrom > fullTo || solidFirst > fullTo + 1 || solidLast < fullFrom - 1) {
                // Apart from the run known so far: keep the longer.
                if (fullFrom > fullTo || solidLast - solidFirst > fullTo - fullFrom) {
                    fullFrom = solidFirst;
                    fullTo = solidLast;
                }
            } else {
                fullFrom = std::min(fullFrom, solidFirst);
                fullTo = std::max(fullTo, solidLast);
            }
            if (!wasWhole && fullFrom <= m_area.left() && fullTo >= m_area.right())
                ++m_fullRows;
        }

        const float py = float(y) - ay;
        const float rowProjection = py * dy * inverse;
        auto measure = [&](int lo, int hi) {
            // The row's bounds kept in locals: written through the members at
            // every pixel, they kept the loop from staying in registers.
            int from = m_rows[rowIndex].from;
            int to = m_rows[rowIndex].to;
            // Along a constant width the coverage is a function of the
            // distance alone: a horizontal line's row repeats one value.
            float lastD2 = -1.0f;
            uint8_t lastValue = 0;
            for (int x = lo; x <= hi; ++x) {
                const float px = float(x) - ax;
                const float t = std::clamp(px * dx * inverse + rowProjection, 0.0f, 1.0f);
                const float ex = px - t * dx;
                const float ey = py - t * dy;
                const float d2 = ex * ex + ey * ey;
                if (d2 >= outside2)
                    continue;
                uint8_t value = 255;
                if (d2 > inside2) {
                    if (d2 == lastD2 && constantWidth) {
                        value = lastValue;
                    } else {
                        const double c = edgeCoverage(std::sqrt(double(d2)), double(ra + t * dr), antialiased);
                        value = static_cast<uint8_t>(c * 255.0 + 0.5);
                        lastD2 = d2;
                        lastValue = value;
                    }
                }
                if (value > row[x]) {
                    row[x] = value;
                    from = std::min(from, x);
                    to = std::max(to, x);
                }
            }
            if (from <= to) {
                m_touched = true;
                m_rows[rowIndex].from = from;
                m_rows[rowIndex].to = to;
            }
        };
        // The run's pixels outside the solid part and outside the row's
        // known full run (whose pixels can gain nothing).
        auto measureOutsideFull = [&](int lo, int hi) {
            if (lo > hi)
                return;
            if (fullFrom > fullTo || hi < fullFrom || lo > fullTo) {
                measure(lo, hi);
                return;
            }
            measure(lo, fullFrom - 1);
            measure(fullTo + 1, hi);
        };
        if (solidFirst > solidLast) {
            measureOutsideFull(first, last);
        } else {
            measureOutsideFull(first, solidFirst - 1);
            measureOutsideFull(solidLast + 1, last);
        }
    }
}

QImage StrokeCoverage::toImage(QRgb premultipliedColor) const
{
    QImage image(m_area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int y = 0; y < m_area.height(); ++y) {
        const uint8_t* coverage = m_coverage.data() + size_t(y) * size_t(m_area.width()) - m_area.left();
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y)) - m_area.left();
        for (int x = m_rows[size_t(y)].from; x <= m_rows[size_t(y)].to; ++x)
            out[x] = coverage[x] ? byteMultiply(premultipliedColor, coverage[x]) : 0;
    }
    return image;
}

PixelTiles::PixelTiles(QSize imageSize)
    : m_size(imageSize.expandedTo(QSize(0, 0))),
      m_columns((m_size.width() + kTile - 1) / kTile),
      m_rows((m_size.height() + kTile - 1) / kTile),
      m_marked(size_t(m_columns) * size_t(m_rows), 0)
{
}

void PixelTiles::mark(const QRect& rect)
{
    const QRect part = rect & QRect(QPoint(0, 0), m_size);
    if (part.isEmpty())
        return;
    for (int row = part.top() / kTile; row <= part.bottom() / kTile; ++row)
        std::fill_n(m_marked.begin() + std::ptrdiff_t(size_t(row) * size_t(m_columns) + size_t(part.left() / kTile)),
                    part.right() / kTile - part.left() / kTile + 1, uint8_t(1));
    const QRect tiles(QPoint(part.left() / kTile * kTile, part.top() / kTile * kTile),
                      QPoint((part.right() / kTile + 1) * kTile - 1, (part.bottom() / kTile + 1) * kTile - 1));
    m_bounds |= tiles & QRect(QPoint(0, 0), m_size);
}

bool PixelTiles::touches(const QRect& rect) const
{
    const QRect part = rect & m_bounds;
    if (part.isEmpty())
        return false;
    for (int row = part.top() / kTile; row <= part.bottom() / kTile; ++row) {
        const uint8_t* marked = m_marked.data() + size_t(row) * size_t(m_columns);
        for (int column = part.left() / kTile; column <= part.right() / kTile; ++column)
            if (marked[column])
                return true;
    }
    return false;
}

void StrokeCoverage::compositeOver(const PixelRows& target, QRgb premultipliedColor, const PixelTiles* only) const
{
    const QRect area = m_area & target.rect;
    if (area.isEmpty())
        return;
    // Opaque ink fully covering a pixel replaces it: the blend below gives
    // the colour itself there, at the cost of two multiplications.
    const bool opaque = qAlpha(premultipliedColor) == 255;
    uchar* bits = target.bits;
    const qsizetype stride = target.stride;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const size_t rowIndex = size_t(y - m_area.top());
        const uint8_t* coverage = m_coverage.data() + rowIndex * size_t(m_area.width()) - m_area.left();
        auto* out = reinterpret_cast<QRgb*>(bits + y * stride);
        auto blend = [&](int first, int last) {
            for (int x = first; x <= last; ++x) {
                const uint8_t c = coverage[x];
                if (c == 0)
                    continue;
                if (c == 255 && opaque) {
                    out[x] = premultipliedColor;
                    continue;
                }
                const uint32_t source = byteMultiply(premultipliedColor, c);
                out[x] = source + byteMultiply(out[x], 255 - qAlpha(source));
            }
        };
        const int first = std::max(m_rows[rowIndex].from, area.left());
        const int last = std::min(m_rows[rowIndex].to, area.right());
        if (only)
            only->forEachRun(y, first, last, blend);
        else
            blend(first, last);
    }
}
