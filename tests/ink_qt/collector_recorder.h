#pragma once
// Records what a collector raises, in order.

#include "platform/ink/ink_collector.h"

#include <QStringList>

#include <functional>

struct CollectorRecorder {
    explicit CollectorRecorder(InkCollector& collector)
    {
        QObject::connect(&collector, &InkCollector::CursorDown, [this](const InkCursor& c, const InkStrokeDisp& s) {
            log << "down";
            cursors.push_back(c);
            strokes.push_back(s);
            if (onCursorDown)
                onCursorDown(c, s);
        });
        QObject::connect(&collector, &InkCollector::NewPackets,
                         [this](const InkCursor& c, const InkStrokeDisp& s, int32_t count,
                                const std::vector<int32_t>& data) {
                             log << QStringLiteral("packets %1").arg(count);
                             cursors.push_back(c);
                             strokes.push_back(s);
                             packetData.insert(packetData.end(), data.begin(), data.end());
                             if (onNewPackets)
                                 onNewPackets(c, s);
                         });
        QObject::connect(&collector, &InkCollector::Stroke,
                         [this](const InkCursor& c, const InkStrokeDisp& s, bool& cancel) {
                             log << "stroke";
                             cursors.push_back(c);
                             strokes.push_back(s);
                             if (onStroke)
                                 onStroke(c, s, cancel);
                         });
    }

    QStringList log;
    std::vector<InkCursor> cursors;
    std::vector<InkStrokeDisp> strokes;
    std::vector<int32_t> packetData;
    std::function<void(const InkCursor&, const InkStrokeDisp&)> onCursorDown;
    std::function<void(const InkCursor&, const InkStrokeDisp&)> onNewPackets;
    std::function<void(const InkCursor&, const InkStrokeDisp&, bool&)> onStroke;
};
