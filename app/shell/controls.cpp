#include "app/shell/controls.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

int16_t mouseButtonState(Qt::MouseButtons buttons)
{
    int16_t state = 0;
    if (buttons & Qt::LeftButton)
        state |= 1;
    if (buttons & Qt::RightButton)
        state |= 2;
    if (buttons & Qt::MiddleButton)
        state |= 4;
    if (buttons & ~(Qt::LeftButton | Qt::RightButton | Qt::MiddleButton))
        state |= 8;
    return state;
}

int16_t shiftState(Qt::KeyboardModifiers modifiers)
{
    int16_t state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}


PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted here, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void PictureBox::setBackColor(const QColor& color)
{
    m_backColor = color;
    update();
}

void PictureBox::setPicture(const QPixmap& picture)
{
    m_pictureSource = nullptr;
    m_picture = picture;
    update();
}

void PictureBox::setPictureSource(std::function<QPixmap(qreal)> source)
{
    m_pictureSource = std::move(source);
    m_picture = QPixmap();
    m_pictureRatio = 0.0;
    update();
}

const QPixmap& PictureBox::currentPicture() const
{
    if (m_pictureSource) {
        const qreal ratio = devicePixelRatioF();
        if (ratio != m_pictureRatio) {
            m_picture = m_pictureSource(ratio);
            m_pictureRatio = ratio;
        }
    }
    return m_picture;
}

QPixmap PictureBox::picture() const { return currentPicture(); }

bool PictureBox::hasPicture() const { return !currentPicture().isNull(); }

void PictureBox::emitMouse(QMouseEvent* event,
                           void (PictureBox::*signal)(int16_t, int16_t, float, float))
{
    event->accept();
    m_lastGlobalPosition = event->globalPosition();
    const QPointF at = event->position();
    (this->*signal)(mouseButtonState(event->buttons()), shiftState(event->modifiers()),
                    float(at.x()), float(at.y()));
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.fillRect(exposed, m_backColor);
    const QPixmap& picture = currentPicture();
    if (!picture.isNull())
        painter.drawPixmap(QPointF(0, 0), picture);
    emit Paint(painter, exposed);
}

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    emitMouse(event, &PictureBox::MouseDown);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    emitMouse(event, &PictureBox::MouseMove);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    emitMouse(event, &PictureBox::MouseUp);
}

HotSpot::HotSpot(QWidget* parent) : QWidget(parent)
{
    // Hover moves count too (the save button captures on every one).
    setMouseTracking(true);
}

void HotSpot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    event->accept();
}

void HotSpot::mouseMoveEvent(QMouseEvent* event)
{
    // Accepted, so a move over a spot never reaches the title picture below,
    // which would take it for a drag.
    event->accept();
    const QPointF at = event->position();
    emit MouseMove(mouseButtonState(event->buttons()), shiftState(event->modifiers()),
                   float(at.x()), float(at.y()));
}

void HotSpot::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = m_leftPressed;
    m_leftPressed = false;
    if (wasPressed && rect().contains(event->position().toPoint()))
        emit Click();
}

SwatchLabel::SwatchLabel(int16_t index, int32_t foreColor, QWidget* parent)
    : HotSpot(parent), m_index(index), m_foreColor(foreColor)
{
}
