#pragma once
// The kinds of control the window is made of.
//
// PictureBox: a child window that paints its back colour and picture and then
// raises Paint, so its owner can draw over them; it reports the mouse the way
// the window's handlers read it (button and shift state as bit sets, the
// position in pixels).
// HotSpot: a transparent rectangle laid over a drawing of the title picture.
// It shows nothing; it only takes clicks, a cursor and a tooltip.
// SwatchLabel: a hot spot of the palette, carrying its pen colour (ForeColor).

#include <QCursor>
#include <QPixmap>
#include <QWidget>

#include <cstdint>
#include <functional>

class QPainter;

// Mouse buttons as the handlers read them: 1 left, 2 right, 4 middle, and
// higher bits for any other button, so "exactly 1" means the left one alone.
int16_t mouseButtonState(Qt::MouseButtons buttons);
// Keys held: 1 Shift, 2 Ctrl, 4 Alt.
int16_t shiftState(Qt::KeyboardModifiers modifiers);

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& color);

    // A fixed picture (e.g. one loaded from a file) ...
    void setPicture(const QPixmap& picture);
    // ... or one drawn for the device pixel ratio the box is shown at, made
    // again only when that ratio changes.
    void setPictureSource(std::function<QPixmap(qreal devicePixelRatio)> source);
    QPixmap picture() const;
    bool hasPicture() const;

    // The cursor image the box holds for others to use; it does not change the
    // box's own cursor.
    QCursor mouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QCursor& icon) { m_mouseIcon = icon; }

    // Where the pointer was on the screen at the latest mouse event.
    QPointF lastGlobalPosition() const { return m_lastGlobalPosition; }

signals:
    // After the back colour and the picture; exposed is the part being
    // repainted, never more than what shows on the screen.
    void Paint(QPainter& painter, const QRect& exposed);
    void MouseDown(int16_t button, int16_t shift, float x, float y);
    void MouseMove(int16_t button, int16_t shift, float x, float y);
    void MouseUp(int16_t button, int16_t shift, float x, float y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void emitMouse(QMouseEvent* event, void (PictureBox::*signal)(int16_t, int16_t, float, float));
    const QPixmap& currentPicture() const;

    QColor m_backColor = Qt::white;
    QCursor m_mouseIcon;
    QPointF m_lastGlobalPosition;
    mutable QPixmap m_picture;
    std::function<QPixmap(qreal)> m_pictureSource;
    mutable qreal m_pictureRatio = 0.0;
};

class HotSpot : public QWidget {
    Q_OBJECT
public:
    explicit HotSpot(QWidget* parent = nullptr);

signals:
    // The left button pressed and released over the spot.
    void Click();
    void MouseMove(int16_t button, int16_t shift, float x, float y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_leftPressed = false;
};

class SwatchLabel : public HotSpot {
    Q_OBJECT
    Q_PROPERTY(qint32 ForeColor READ ForeColor)
    Q_PROPERTY(int Index READ Index)
public:
    // foreColor packed as red + 256 * green + 65536 * blue.
    SwatchLabel(int16_t index, int32_t foreColor, QWidget* parent = nullptr);

    int32_t ForeColor() const { return m_foreColor; }
    int16_t Index() const { return m_index; }

private:
    int16_t m_index;
    int32_t m_foreColor;
};
