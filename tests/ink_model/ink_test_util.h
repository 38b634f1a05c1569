#pragma once
// Small helpers shared by the ink model tests: strokes from point lists.

#include "platform/ink/ink_model.h"

#include <QList>
#include <QPoint>
#include <QTest>

#include <vector>

using PointList = QList<QPoint>;

inline std::vector<InkPacket> packetsOf(const PointList& points, int32_t pressure = kInkMousePressure)
{
    std::vector<InkPacket> packets;
    for (const QPoint& p : points)
        packets.push_back(InkPacket{p.x(), p.y(), pressure});
    return packets;
}

inline InkDrawingAttributes thinPen(float width = 0.0f)
{
    InkDrawingAttributes a;
    a.SetWidth(width);
    return a;
}

inline InkStrokeDisp addStroke(InkDisp& ink, const PointList& points, float width = 0.0f)
{
    return ink.CreateStroke(packetsOf(points), thinPen(width));
}

inline QList<float> toList(const std::vector<float>& v) { return QList<float>(v.begin(), v.end()); }
inline QList<int> toList(const std::vector<int32_t>& v) { return QList<int>(v.begin(), v.end()); }

// Runs the call and checks it throws PlatformError with the given code.
template <class F>
bool throwsCode(F&& call, int32_t code)
{
    try {
        call();
    } catch (const PlatformError& e) {
        if (e.code() != code)
            qWarning("PlatformError %d (%s), expected %d", e.code(), e.what(), code);
        return e.code() == code;
    }
    qWarning("no PlatformError, expected %d", code);
    return false;
}
