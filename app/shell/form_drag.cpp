#include "app/shell/form_drag.h"

#include "app/shell/inkwrite.h"

#include <QWindow>

bool FormDrag(QWidget* form, int32_t& hitCode)
{
    if (hitCode != kHitCaption || !form)
        return false;
    QWindow* window = form->window()->windowHandle();
    return window && window->startSystemMove();
}

void FormDragByHand::press(int16_t buttonState, const QPointF& globalAt, const QPoint& formPosition)
{
    m_state = buttonState == 1 ? State::Armed : State::Idle;
    m_pressedAt = globalAt;
    m_formAtPress = formPosition;
}

void FormDragByHand::release() { m_state = State::Idle; }

void FormDragByHand::follow(QWidget* form, const QPointF& globalAt) const
{
    const QPoint to = m_formAtPress + (globalAt - m_pressedAt).toPoint();
    if (to != form->pos())
        form->move(to);
}

// The title picture's own press, move and release; presses on its buttons and
// swatches go to those and never start a drag.

void InkWrite::Picture1_MouseDown(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/)
{
    m_drag.press(Button, Picture1->lastGlobalPosition(), pos());
}

void InkWrite::Picture1_MouseMove(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/)
{
    // Only the left button alone drags: not the right or middle one, nor the
    // left together with another.
    if (Button != 1)
        return;
    if (m_drag.followingByHand()) {
        m_drag.follow(this, Picture1->lastGlobalPosition());
        return;
    }
    if (!m_drag.armed())
        return;
    int32_t hitCode = kHitCaption;
    if (FormDrag(this, hitCode)) {
        m_drag.handedToSystem();
        return;
    }
    m_drag.startByHand();
    m_drag.follow(this, Picture1->lastGlobalPosition());
}

void InkWrite::Picture1_MouseUp(int16_t Button, int16_t /*Shift*/, float /*X*/, float /*Y*/)
{
    // Button is what is still held: the drag ends with the left button.
    if (!(Button & 1))
        m_drag.release();
}
