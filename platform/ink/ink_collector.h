#pragma once
// Turns pen and mouse input on one widget into strokes of its ink.
// An event filter on the widget: the tablet pen's tip and eraser end (with
// pressure, every sample kept) and the mouse's left button. Events are Qt
// signals on the widget's thread, per stroke in this order: CursorDown,
// NewPackets (as packets arrive, when that interest is on), Stroke.

#include "platform/ink/ink_model.h"
#include "platform/ink/ink_renderer.h"

#include <QCursor>
#include <QObject>
#include <QPointer>

class QWidget;

enum class InkCollectorEventInterest { CursorDown = 0, NewPackets = 2, Stroke = 4 };

constexpr int16_t kMousePointerDefault = 0;
constexpr int16_t kMousePointerCustom = 99;

class InkCollector : public QObject {
    Q_OBJECT
public:
    explicit InkCollector(QObject* parent = nullptr);
    ~InkCollector() override;

    // The widget that takes input and shows the ink.
    QWidget* Window() const;
    void SetWindow(QWidget* widget);

    bool AutoRedraw() const;
    void SetAutoRedraw(bool on);

    // What new strokes get a copy of.
    InkDrawingAttributes& DefaultDrawingAttributes();

    void SetEventInterest(InkCollectorEventInterest event, bool on);
    bool GetEventInterest(InkCollectorEventInterest event) const;

    int16_t MousePointer() const;
    void SetMousePointer(int16_t pointer);  // 0 default arrow, 99 MouseIcon
    QCursor MouseIcon() const;
    void SetMouseIcon(const QCursor& cursor);

    // In the widget's pixels; input outside it is not collected.
    void SetWindowInputRectangle(const InkRectangle& rect);
    InkRectangle GetWindowInputRectangle() const;

    bool Enabled() const;
    void SetEnabled(bool on);

    InkDisp& Ink();
    InkRenderer& Renderer();
    bool CollectingInk() const;

signals:
    void CursorDown(const InkCursor& cursor, const InkStrokeDisp& stroke);
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
