#include "platform/ink/ink_collector.h"

#include "platform/ink/ink_collector_p.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QTabletEvent>

#include <functional>

namespace {

class ProximityWatch : public QObject {
public:
    explicit ProximityWatch(std::function<void(const QTabletEvent*)> onProximity)
        : m_onProximity(std::move(onProximity))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::TabletEnterProximity || event->type() == QEvent::TabletLeaveProximity)
            m_onProximity(static_cast<QTabletEvent*>(event));
        return false;
    }

private:
    std::function<void(const QTabletEvent*)> m_onProximity;
};

}  // namespace

InkCollector::Impl::Impl(InkCollector* owner) : q(owner)
{
    m_clock.start();
    if (QCoreApplication::instance())
        m_proximityWatch = std::make_unique<ProximityWatch>([this](const QTabletEvent* e) { tabletProximity(e); });
}

InkCollector::InkCollector(QObject* parent) : QObject(parent), m_impl(std::make_unique<Impl>(this)) {}

InkCollector::~InkCollector()
{
    m_impl->dropActiveStroke();
    if (m_impl->window)
        m_impl->window->removeEventFilter(this);
    // The overlay listens to the ink; it must go before the ink does.
    delete m_impl->overlay.data();
}

QWidget* InkCollector::Window() const
{
    return m_impl->window;
}

void InkCollector::SetWindow(QWidget* widget)
{
    if (widget == m_impl->window)
        return;
    m_impl->dropActiveStroke();
    if (QWidget* old = m_impl->window) {
        old->removeEventFilter(this);
        old->unsetCursor();
    }
    delete m_impl->overlay.data();
    m_impl->renderer.detach();

    m_impl->window = widget;
    if (!widget)
        return;
    // Every sample the pen sends becomes a packet, and so does every mouse
    // move: merged moves would turn a curve drawn with the mouse into a chord.
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    widget->installEventFilter(this);
    m_impl->renderer.attach(&m_impl->ink, widget);
    m_impl->overlay = new InkOverlay(widget, &m_impl->ink, &m_impl->renderer);
    m_impl->overlay->setRedrawsInk(m_impl->autoRedraw);
    m_impl->applyCursor();
}

bool InkCollector::AutoRedraw() const
{
    return m_impl->autoRedraw;
}

void InkCollector::SetAutoRedraw(bool on)
{
    m_impl->autoRedraw = on;
    if (m_impl->overlay)
        m_impl->overlay->setRedrawsInk(on);
}

InkDrawingAttributes& InkCollector::DefaultDrawingAttributes()
{
    return m_impl->defaults;
}

void InkCollector::SetEventInterest(InkCollectorEventInterest event, bool on)
{
    switch (event) {
    case InkCollectorEventInterest::CursorDown:
        m_impl->cursorDownInterest = on;
        return;
    case InkCollectorEventInterest::NewPackets:
        m_impl->newPacketsInterest = on;
        return;
    case InkCollectorEventInterest::Stroke:
        return;
    }
    throw PlatformError(PlatformErrorCode::InvalidArgument, "unknown collector event");
}

bool InkCollector::GetEventInterest(InkCollectorEventInterest event) const
{
    switch (event) {
    case InkCollectorEventInterest::CursorDown:
        return m_impl->cursorDownInterest;
    case InkCollectorEventInterest::NewPackets:
        return m_impl->newPacketsInterest;
    case InkCollectorEventInterest::Stroke:
        return true;
    }
    throw PlatformError(PlatformErrorCode::InvalidArgument, "unknown collector event");
}

int16_t InkCollector::MousePointer() const
{
    return m_impl->mousePointer;
}

void InkCollector::SetMousePointer(int16_t pointer)
{
    if ((pointer < kMousePointerDefault || pointer > kMousePointerHand) && pointer != kMousePointerCustom)
        throw PlatformError(PlatformErrorCode::InvalidArgument, "unknown mouse pointer");
    m_impl->mousePointer = pointer;
    m_impl->applyCursor();
}

QCursor InkCollector::MouseIcon() const
{
    return m_impl->mouseIcon;
}

void InkCollector::SetMouseIcon(const QCursor& cursor)
{
    m_impl->mouseIcon = cursor;
    m_impl->hasMouseIcon = true;
    m_impl->applyCursor();
}

void InkCollector::SetWindowInputRectangle(const InkRectangle& rect)
{
    if (rect == InkRectangle{}) {
        m_impl->inputRectangle.reset();
        return;
    }
    if (rect.isEmpty())
        throw PlatformError(PlatformErrorCode::InvalidArgument, "input rectangle is inverted");
    m_impl->inputRectangle = rect;
}

InkRectangle InkCollector::GetWindowInputRectangle() const
{
    return m_impl->inputRectangle.value_or(InkRectangle{});
}

bool InkCollector::Enabled() const
{
    return m_impl->enabled;
}

void InkCollector::SetEnabled(bool on)
{
    m_impl->enabled = on;
    if (!on)
        m_impl->dropActiveStroke();
}

void InkCollector::advanceClock(int milliseconds)
{
    m_impl->clockOffset += milliseconds;
}

InkDisp& InkCollector::Ink()
{
    return m_impl->ink;
}

InkRenderer& InkCollector::Renderer()
{
    return m_impl->renderer;
}

bool InkCollector::CollectingInk() const
{
    return m_impl->collecting();
}

bool InkCollector::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_impl->window)
        return false;
    switch (event->type()) {
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return m_impl->tabletEvent(static_cast<QTabletEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return m_impl->mouseEvent(static_cast<QMouseEvent*>(event));
    case QEvent::Resize:
        if (m_impl->overlay)
            m_impl->overlay->followInkingWidget();
        return false;
    default:
        return false;
    }
}

void InkCollector::Impl::applyCursor()
{
    if (!window)
        return;
    static constexpr Qt::CursorShape kShapes[] = {
        Qt::ArrowCursor,     Qt::ArrowCursor,     Qt::CrossCursor,    Qt::IBeamCursor,     Qt::SizeBDiagCursor,
        Qt::SizeVerCursor,   Qt::SizeFDiagCursor, Qt::SizeHorCursor,  Qt::UpArrowCursor,   Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,      Qt::WhatsThisCursor, Qt::SizeAllCursor,  Qt::PointingHandCursor,
    };
    if (mousePointer == kMousePointerCustom)
        window->setCursor(hasMouseIcon ? mouseIcon : QCursor(Qt::ArrowCursor));
    else
        window->setCursor(kShapes[mousePointer]);
}
