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
#include <QSize>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

// Which square tiles of an image are to be painted: a repaint of scattered
// small areas (the stretches an eraser took out of a dense page) marks
// their tiles and touches nothing else, where their common bounds can be
// the whole page.
class PixelTiles {
public:
    static constexpr int kTile = 8;

    explicit PixelTiles(QSize imageSize);
    // Marks the tiles that rect (image pixels) reaches.
    void mark(const QRect& rect);
    bool isEmpty() const { return m_bounds.isEmpty(); }
    // The marked tiles' bounds, within the image.
    QRect bounds() const { return m_bounds; }
    // How many pixels the marked tiles hold.
    qint64 markedPixels() const { return m_marked.empty() ? 0 : qint64(std::count(m_marked.begin(), m_marked.end(), 1)) * kTile * kTile; }
    // Whether rect reaches a marked tile.
    bool touches(const QRect& rect) const;
    // Calls visit(from, to) for each run of marked pixels of row y within
    // [left, right].
    template <class Visit>
    void forEachRun(int y, int left, int right, Visit&& visit) const
    {
        if (y < 0 || y >= m_size.height())
            return;
        left = std::max(left, 0);
        right = std::min(right, m_size.width() - 1);
        if (left > right)
            return;
        const uint8_t* row = m_marked.data() + size_t(y / kTile) * size_t(m_columns);
        for (int column = left / kTile; column <= right / kTile;) {
            if (!row[column]) {
                ++column;
                continue;
            }
            const int first = column;
            while (column <= right / kTile && row[column])
                ++column;
            visit(std::max(left, first * kTile), std::min(right, column * kTile - 1));
        }
    }

private:
    QSize m_size;
    int m_columns = 0;
    int m_rows = 0;
    std::vector<uint8_t> m_marked;
    QRect m_bounds;
};

// An ARGB32 premultiplied image's pixels, painted without the image itself:
// several threads can each paint rows of their own.
struct PixelRows {
    uchar* bits = nullptr;
    qsizetype stride = 0;
    QRect rect;
    static PixelRows of(QImage& image) { return {image.bits(), image.bytesPerLine(), image.rect()}; }
};

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
    // the device pixels (area must lie inside it); with only, inside its
    // marked tiles alone.
    void compositeOver(const PixelRows& target, QRgb premultipliedColor, const PixelTiles* only = nullptr) const;

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
