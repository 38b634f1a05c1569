#pragma once
// How much of each device pixel a stroke covers, built from round-ended
// capsules, one per segment, whose radius runs linearly from one end to the
// other. Overlapping capsules take the larger coverage, so the stroke is one
// shape: a translucent stroke blends once even where it crosses itself.
// Much faster than stroking a path with Qt, and the same pixels whatever part
// of the stroke is asked for, so partial repaints match whole ones exactly.

#include <QImage>
#include <QPointF>
#include <QRect>

#include <cstdint>
#include <limits>
#include <vector>

class StrokeCoverage {
public:
    // area: the device pixels to compute, usually the stroke's bounds cut to
    // what is being painted.
    explicit StrokeCoverage(const QRect& area);

    // a and b in device pixels (pixel centres at .5); radii in device pixels.
    void addCapsule(QPointF a, double radiusA, QPointF b, double radiusB, bool antialiased);

    QRect area() const { return m_area; }
    bool isEmpty() const { return !m_touched; }
    // The stroke in one premultiplied colour, as an image of area's size.
    QImage toImage(QRgb premultipliedColor) const;
    // Blends the stroke over an ARGB32 premultiplied image whose pixels are
    // the device pixels (area must lie inside it).
    void compositeOver(QImage& target, QRgb premultipliedColor) const;

    // The device pixels a capsule can touch.
    static QRectF capsuleBounds(QPointF a, double radiusA, QPointF b, double radiusB);

private:
    QRect m_area;
    std::vector<uint8_t> m_coverage;
    struct Row {
        // The first and last pixel with any coverage.
        int from = std::numeric_limits<int>::max();
        int to = std::numeric_limits<int>::min();
        // One run of pixels known to be fully covered (empty: from > to).
        int fullFrom = std::numeric_limits<int>::max();
        int fullTo = std::numeric_limits<int>::min();
    };
    std::vector<Row> m_rows;
    // How many rows are fully covered from end to end.
    int m_fullRows = 0;
    bool m_touched = false;
};
