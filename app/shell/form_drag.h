#pragma once
// Moving the frameless window by dragging its title picture.
//
// FormDrag asks the window system to move the window with the pointer
// (QWindow::startSystemMove), the way a title bar would. Where the system
// refuses (no window manager, the offscreen platform), FormDragByHand follows
// the pointer itself until the button is released.

#include <QPoint>
#include <QPointF>

#include <cstdint>

class QWidget;

// The hit-test code of a window's caption: the only one that moves it.
constexpr int32_t kHitCaption = 2;

// Starts a system move of form's window when hitCode is kHitCaption. Returns
// whether the window system took the move over.
bool FormDrag(QWidget* form, int32_t& hitCode);

// One press-and-drag of the left button on a widget of the window, followed
// in screen coordinates (a window moved by hand shifts the coordinates of its
// own widgets under the events still queued). A press with any other button,
// or with another button held too, arms nothing.
class FormDragByHand {
public:
    void press(int16_t buttonState, const QPointF& globalAt, const QPoint& formPosition);
    void release();

    // A drag was pressed and no move has decided how it goes yet.
    bool armed() const { return m_state == State::Armed; }
    // The system refused: every later move with the left button alone moves
    // the window by hand.
    bool followingByHand() const { return m_state == State::ByHand; }

    void handedToSystem() { m_state = State::Idle; }
    void startByHand() { m_state = State::ByHand; }
    // Moves form so that the pressed point stays under the pointer, now at
    // globalAt on the screen.
    void follow(QWidget* form, const QPointF& globalAt) const;

private:
    enum class State { Idle, Armed, ByHand };
    State m_state = State::Idle;
    QPointF m_pressedAt;
    QPoint m_formAtPress;
};
