#pragma once
// Strokes and pictures in pixels, for the drawing tests and benchmarks.

#include "platform/ink/ink_model.h"

#include <QImage>
#include <QPainter>
#include <QPointF>

#include <cstdlib>
#include <vector>

inline int32_t inkFromPixels96(double pixels)
{
    return static_cast<int32_t>(std::lround(pixels * 2540.0 / 96.0));
}

inline std::vector<InkPacket> pixelStroke(const std::vector<QPointF>& points, int32_t pressure = kInkMousePressure)
{
    std::vector<InkPacket> packets;
    for (const QPointF& p : points)
        packets.push_back({inkFromPixels96(p.x()), inkFromPixels96(p.y()), pressure});
    return packets;
}

inline InkDrawingAttributes pixelAttributes(int32_t color, double widthPixels, int32_t transparency = 0)
{
    InkDrawingAttributes attributes;
    attributes.SetColor(color);
    attributes.SetWidth(static_cast<float>(widthPixels * 2540.0 / 96.0));
    attributes.SetTransparency(transparency);
    return attributes;
}

// An opaque picture at 96 dpi, the resolution the conversions assume.
inline QImage blankPicture(QSize size, QColor background = Qt::white)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(background);
    return image;
}

// Largest difference of any channel between two pictures of one size.
inline int largestDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}
