#include "platform/ink/ink_layer.h"

#include "platform/ink/parallel_parts.h"
#include "platform/ink/stroke_coverage.h"
#include "platform/ink/stroke_painter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
// Antialiased edges and rounding reach a little past a changed area.
constexpr int kRepaintMargin = 2;
}  // namespace

QRect visibleAreaOf(const QWidget& widget)
{
    QRect area = widget.rect();
    QPoint origin;  // the current ancestor's origin in the widget's pixels
    const QWidget* w = &widget;
    while (!w->isWindow() && w->parentWidget()) {
        origin -= w->pos();
        w = w->parentWidget();
        area &= QRect(origin, w->size());
    }
    return area;
}

namespace {
QPointF deviceShiftOf(const QWidget& widget, qreal ratio)
{
    const QPoint origin = widget.mapTo(widget.window(), QPoint(0, 0));
    const double x = origin.x() * ratio;
    const double y = origin.y() * ratio;
    return {x - std::floor(x), y - std::floor(y)};
}
}  // namespace

void InkLayer::attach(InkDisp* ink, QWidget* widget)
{
    m_ink = ink;
    m_widget = widget;
    m_image = QImage();
    m_rect = QRect();
    m_current = false;
}

void InkLayer::detach()
{
    attach(nullptr, nullptr);
}

bool InkLayer::fitsWidget() const
{
    if (!m_widget)
        return false;
    const ink_units::PixelScale scale = ink_units::scaleOf(*m_widget);
    return visibleAreaOf(*m_widget) == m_rect && m_widget->devicePixelRatioF() == m_pixelRatio &&
           scale.x == m_scale.x && scale.y == m_scale.y && scale.centre == m_scale.centre &&
           deviceShiftOf(*m_widget, m_pixelRatio) == m_deviceShift;
}

QTransform InkLayer::toDevice() const
{
    return QTransform::fromTranslate(-m_rect.left(), -m_rect.top()) * QTransform::fromScale(m_pixelRatio, m_pixelRatio) *
           QTransform::fromTranslate(m_deviceShift.x(), m_deviceShift.y());
}

void InkLayer::makeCurrent()
{
    if (m_current && fitsWidget())
        return;
    m_current = false;
    if (!m_widget || !m_ink) {
        m_image = QImage();
        m_rect = QRect();
        return;
    }
    m_rect = visibleAreaOf(*m_widget);
    m_pixelRatio = m_widget->devicePixelRatioF();
    m_scale = ink_units::scaleOf(*m_widget);
    m_deviceShift = deviceShiftOf(*m_widget, m_pixelRatio);
    const QSize deviceSize(int(std::ceil(m_rect.width() * m_pixelRatio + m_deviceShift.x())),
                           int(std::ceil(m_rect.height() * m_pixelRatio + m_deviceShift.y())));
    if (m_rect.isEmpty() || deviceSize.isEmpty()) {
        m_image = QImage();
    } else {
        if (m_image.size() != deviceSize)
            m_image = QImage(deviceSize, QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        paintWhole(m_ink->Strokes());
    }
    ++m_rebuilds;
    m_current = true;
}

void InkLayer::blit(QPainter& painter, const QRect& area)
{
    makeCurrent();
    const QRect part = area & m_rect;
    if (part.isEmpty() || m_image.isNull())
        return;
    const QRectF source = toDevice().mapRect(QRectF(part));
    painter.drawImage(QRectF(part), m_image, source);
}

void InkLayer::addStroke(const InkStrokeDisp& stroke)
{
    if (!m_current || !fitsWidget()) {
        m_current = false;
        return;
    }
    if (!m_image.isNull())
        paintStroke(stroke, m_image.rect());
}

void InkLayer::repaintArea(const InkRectangle& inkArea)
{
    if (!m_current || !fitsWidget()) {
        m_current = false;
        return;
    }
    const QRect pixels = ink_units::inkAreaToPixels(inkArea, m_scale, kRepaintMargin) & m_rect;
    if (pixels.isEmpty() || m_image.isNull())
        return;
    repaintRect(toDevice().mapRect(QRectF(pixels)).toAlignedRect() & m_image.rect());
}

void InkLayer::repaintRect(const QRect& device)
{
    for (int y = device.top(); y <= device.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        std::fill(row + device.left(), row + device.right() + 1, QRgb(0));
    }
    const QRect pixels = toDevice().inverted().mapRect(QRectF(device)).toAlignedRect() & m_rect;
    paintInBands(m_ink->strokesIn(ink_units::pixelsToInkArea(pixels, m_scale)).items(), device);
}

void InkLayer::repaintAreas(std::span<const InkRectangle> inkAreas)
{
    if (!m_current || !fitsWidget()) {
        m_current = false;
        return;
    }
    if (m_image.isNull())
        return;
    PixelTiles tiles(m_image.size());
    QRect bounds;
    QRect last;
    for (const InkRectangle& area : inkAreas) {
        const QRect pixels = ink_units::inkAreaToPixels(area, m_scale, kRepaintMargin) & m_rect;
        if (pixels.isEmpty())
            continue;
        const QRect device = toDevice().mapRect(QRectF(pixels)).toAlignedRect() & m_image.rect();
        // A wide pen's parts all cover the whole layer: marked once.
        if (device == last)
            continue;
        tiles.mark(device);
        bounds |= device;
        last = device;
    }
    if (bounds.isEmpty())
        return;
    // Areas close together (one stroke cut on an ordinary page) fill most of
    // their bounds: those are painted whole, without tiles rounding them out
    // and the test of every stroke's segments against them.
    if (tiles.markedPixels() * 4 >= qint64(bounds.width()) * bounds.height() * 3) {
        repaintRect(bounds);
        return;
    }
    const QRect device = tiles.bounds();
    for (int y = device.top(); y <= device.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        tiles.forEachRun(y, device.left(), device.right(),
                         [row](int from, int to) { std::fill(row + from, row + to + 1, QRgb(0)); });
    }
    const QTransform toImage = toDevice();
    const QRect pixels = toImage.inverted().mapRect(QRectF(device)).toAlignedRect() & m_rect;
    std::vector<InkStrokeDisp> reaching;
    for (const InkStrokeDisp& stroke : m_ink->strokesIn(ink_units::pixelsToInkArea(pixels, m_scale))) {
        // Tiles far apart have bounds that hold many strokes reaching none.
        if (tiles.touches(reachOf(stroke, toImage)))
            reaching.push_back(stroke);
    }
    paintInBands(reaching, device, &tiles);
}

void InkLayer::paintWhole(const InkStrokes& strokes)
{
    paintInBands(strokes.items(), m_image.rect());
}

void InkLayer::paintInBands(std::span<const InkStrokeDisp> strokes, const QRect& limit, const PixelTiles* only)
{
    // Much ink (a whole page, or a cut through a scribble that covers it)
    // is painted in bands of rows, one a processor: each band paints every
    // stroke that reaches it, in ink order, and touches its own rows alone,
    // so the pixels are those of one pass. Worth a thread from a few
    // milliseconds of work: some thousands of strokes or of points.
    constexpr size_t kWorkPerBand = 8000;
    constexpr int kMinBandRows = 64;
    size_t work = 0;
    for (const InkStrokeDisp& stroke : strokes)
        work += 1 + size_t(stroke.PacketCount());
    const int height = limit.height();
    const int bands = std::min(ink_parallel::partsFor(work, kWorkPerBand), height / kMinBandRows);
    if (bands < 2) {
        for (const InkStrokeDisp& stroke : strokes)
            paintStroke(stroke, limit, only);
        return;
    }
    // What the threads read, gathered here: they call on no stroke, image or
    // ink object, and read the points where the strokes hold them (nothing
    // changes the ink until they are done). Each stroke that shows, with the
    // rows it can reach, so a band passes over those that miss it at once.
    struct Item {
        std::span<const InkPacket> packets;
        InkDrawingAttributes attributes;
        int top = 0;
        int bottom = 0;
    };
    std::vector<Item> items;
    items.reserve(strokes.size());
    const QTransform device = toDevice();
    // The work each row holds, a stroke's spread over its rows (as
    // differences from the row before; rows counted from limit's top): the
    // bands end where each holds about as much, since ink often fills part
    // of the page alone.
    std::vector<double> rowWork(size_t(height) + 1, 0.0);
    for (const InkStrokeDisp& stroke : strokes) {
        const QRect reach = reachOf(stroke, device) & limit;
        if (reach.isEmpty())
            continue;
        const int top = reach.top() - limit.top();
        const int bottom = reach.bottom() - limit.top();
        items.push_back(Item{stroke.heldPackets(), stroke.DrawingAttributes(), top, bottom});
        const double perRow = double(1 + items.back().packets.size()) / double(bottom - top + 1);
        rowWork[size_t(top)] += perRow;
        rowWork[size_t(bottom) + 1] -= perRow;
    }
    double total = 0.0;
    double running = 0.0;
    for (size_t y = 0; y < size_t(height); ++y) {
        running += rowWork[y];
        rowWork[y] = running;
        total += running;
    }
    std::vector<int> ends;  // each band's last row
    double sum = 0.0;
    for (int y = 0; y < height && int(ends.size()) + 1 < bands; ++y) {
        sum += rowWork[size_t(y)];
        if (sum >= total * double(ends.size() + 1) / double(bands))
            ends.push_back(y);
    }
    ends.push_back(height - 1);
    const PixelRows rows = PixelRows::of(m_image);
    const ink_units::PixelScale scale = m_scale;
    auto paintBand = [&](int band) {
        const int top = band == 0 ? 0 : ends[size_t(band) - 1] + 1;
        const int bottom = ends[size_t(band)];
        const QRect rowsOfBand(QPoint(limit.left(), limit.top() + top), QPoint(limit.right(), limit.top() + bottom));
        for (const Item& item : items)
            if (item.bottom >= top && item.top <= bottom)
                paintInkStrokeInto(rows, device, item.packets, item.attributes, scale, rowsOfBand, only);
    };
    ink_parallel::runInParts(int(ends.size()), paintBand);
    m_strokesPainted += uint64_t(strokes.size());
}

QRect InkLayer::reachOf(const InkStrokeDisp& stroke, const QTransform& toImage) const
{
    return toImage.mapRect(QRectF(ink_units::inkAreaToPixels(stroke.drawnBounds(), m_scale, kRepaintMargin)))
        .toAlignedRect();
}

void InkLayer::paintStroke(const InkStrokeDisp& stroke, const QRect& deviceLimit, const PixelTiles* only)
{
    paintInkStrokeInto(m_image, toDevice(), stroke.heldPackets(), stroke.DrawingAttributes(), m_scale, deviceLimit, only);
    ++m_strokesPainted;
}
