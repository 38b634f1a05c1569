#pragma once
// Records what a collector raises, in order, and lets a test act in its handlers.

#include "platform/ink/ink_collector.h"

#include <QStringList>

#include <functional>

struct CollectorRecorder {
    using Handler = std::function<void(const InkCursor&, const InkStrokeDisp&)>;

    explicit CollectorRecorder(InkCollector& collector)
    {
        QObject::connect(&collector, &InkCollector::CursorDown, [this](const InkCursor& c, const InkStrokeDisp& s) {
            record("down", c, s, onCursorDown);
        });
        QObject::connect(&collector, &InkCollector::NewPackets,
                         [this](const InkCursor& c, const InkStrokeDisp& s, int32_t count,
                                const std::vector<int32_t>& data) {
                             packetData.insert(packetData.end(), data.begin(), data.end());
                             record(QStringLiteral("packets %1").arg(count), c, s, onNewPackets);
                         });
        QObject::connect(&collector, &InkCollector::Stroke,
                         [this](const InkCursor& c, const InkStrokeDisp& s, bool& cancel) {
                             record("stroke", c, s, nullptr);
                             if (onStroke)
                                 onStroke(c, s, cancel);
                         });
    }

    void record(const QString& event, const InkCursor& c, const InkStrokeDisp& s, const Handler& then)
    {
        log << event;
        cursors.push_back(c);
        strokes.push_back(s);
        if (then)
            then(c, s);
    }

    QStringList log;
    std::vector<InkCursor> cursors;
    std::vector<InkStrokeDisp> strokes;
    std::vector<int32_t> packetData;
    Handler onCursorDown;
    Handler onNewPackets;
    std::function<void(const InkCursor&, const InkStrokeDisp&, bool&)> onStroke;
};
