#pragma once
// Turns pen and mouse input on one widget into strokes of its ink.
// An event filter on the widget: the tablet pen's tip and eraser end (with
// pressure, every sample kept) and the mouse's left button, which a finger on
// a touch screen works as well. Packets are in ink space.
//
// Palm rejection: while the pen is near the screen, and for a moment after it
// leaves (a hand lifts after the pen), touches draw nothing; a touch stroke
// in progress when the pen comes near or touches down is a palm's, and ends
// with Stroke raised with cancel already set: it never joins the ink,
// whatever the handler does.
//
// Events are Qt signals on the widget's thread, per stroke in this order:
// CursorDown (interest on), NewPackets as packets arrive (interest on), Stroke
// (always). The stroke in progress is never one of the ink's Strokes;
// Stroke decides whether it joins the ink.
//
// Connect the signals with direct connections (the default on one thread):
// Stroke's cancel is written back by reference. A handler may do anything,
// including disabling the collector, deleting strokes or running a nested
// event loop.

#include "platform/ink/ink_model.h"
#include "platform/ink/ink_renderer.h"

#include <QCursor>
#include <QObject>

#include <memory>

class QWidget;

enum class InkCollectorEventInterest { CursorDown = 0, Stroke = 1, NewPackets = 2 };

// MousePointer values: the usual shapes, and 99 for MouseIcon.
enum InkMousePointer : int16_t {
    kMousePointerDefault = 0,
    kMousePointerArrow = 1,
    kMousePointerCrosshair = 2,
    kMousePointerIbeam = 3,
    kMousePointerSizeNESW = 4,
    kMousePointerSizeNS = 5,
    kMousePointerSizeNWSE = 6,
    kMousePointerSizeWE = 7,
    kMousePointerUpArrow = 8,
    kMousePointerHourglass = 9,
    kMousePointerNoDrop = 10,
    kMousePointerArrowHourglass = 11,
    kMousePointerArrowQuestion = 12,
    kMousePointerSizeAll = 13,
    kMousePointerHand = 14,
    kMousePointerCustom = 99,
};

class InkCollector : public QObject {
    Q_OBJECT
public:
    explicit InkCollector(QObject* parent = nullptr);
    ~InkCollector() override;

    // The widget that takes input and shows the ink. Changing it ends a
    // stroke in progress without adding it.
    QWidget* Window() const;
    void SetWindow(QWidget* widget);

    // True (the default): the collector paints the finished ink over the
    // widget itself. False: it paints only strokes being collected, and the
    // widget's paint handler draws the ink with Renderer().Draw.
    bool AutoRedraw() const;
    void SetAutoRedraw(bool on);

    // What new strokes get a copy of.
    InkDrawingAttributes& DefaultDrawingAttributes();

    // CursorDown and NewPackets are off until switched on. Stroke is raised
    // whatever its interest, since it decides the stroke's fate.
    void SetEventInterest(InkCollectorEventInterest event, bool on);
    bool GetEventInterest(InkCollectorEventInterest event) const;

    // The cursor over the widget, whether or not the collector is enabled.
    // Throws PlatformError for a value outside InkMousePointer.
    int16_t MousePointer() const;
    void SetMousePointer(int16_t pointer);
    QCursor MouseIcon() const;
    void SetMouseIcon(const QCursor& cursor);

    // Inclusive, in the widget's pixels: a press outside it starts no stroke
    // (a stroke once started may leave it). All zeros means the whole widget,
    // which is also the default; an inverted rectangle throws PlatformError.
    void SetWindowInputRectangle(const InkRectangle& rect);
    InkRectangle GetWindowInputRectangle() const;

    // Disabled (the default): raises nothing and leaves all input to the
    // widget. Disabling during a stroke drops that stroke without an event.
    bool Enabled() const;
    void SetEnabled(bool on);

    // Palm rejection keeps time on this clock; tests move it on instead of waiting.
    void advanceClock(int milliseconds);

    InkDisp& Ink();
    InkRenderer& Renderer();
    // True from the press that starts a stroke to its release.
    bool CollectingInk() const;

signals:
    void CursorDown(const InkCursor& cursor, const InkStrokeDisp& stroke);
    // packetData: packetCount packets of PacketSize values (x, y, pressure).
    void NewPackets(const InkCursor& cursor, const InkStrokeDisp& stroke, int32_t packetCount,
                    const std::vector<int32_t>& packetData);
    // A handler that sets cancel keeps the stroke out of the ink.
    void Stroke(const InkCursor& cursor, const InkStrokeDisp& stroke, bool& cancel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
