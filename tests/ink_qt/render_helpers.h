#pragma once
// Strokes and pictures in pixels, for the drawing tests.

#include "platform/ink/ink_model.h"

#include <QImage>
#include <QPointF>

#include <cmath>
#include <cstdlib>
#include <vector>

// Ink packets at pixel positions of a 96 dpi device.
inline std::vector<InkPacket> pixelStroke(const std::vector<QPointF>& points, int32_t pressure = kInkMousePressure)
{
    std::vector<InkPacket> packets;
    for (const QPointF& p : points)
        packets.push_back({int32_t(std::lround(p.x() * 2540.0 / 96.0)), int32_t(std::lround(p.y() * 2540.0 / 96.0)),
                           pressure});
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

// A white opaque picture at 96 dpi, the resolution the conversions assume.
inline QImage blankPicture(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    return image;
}

// Largest difference of any channel between two pictures of one size.
inline int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int row = 0; row < a.height(); ++row)
        for (int col = 0; col < a.width(); ++col) {
            const QRgb p = a.pixel(col, row);
            const QRgb q = b.pixel(col, row);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return largest;
}
