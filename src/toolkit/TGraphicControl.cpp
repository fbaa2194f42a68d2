#include "TGraphicControl.h"

#include <QMouseEvent>

TGraphicControl::TGraphicControl(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TGraphicControl::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, qMax(0, width), qMax(0, height));
}

void TGraphicControl::SetColor(TColor color)
{
    if (m_color == color)
        return;
    m_color = color;
    ColorChanged();
    update();
}

void TGraphicControl::SetFontColor(TColor color)
{
    if (m_fontColor == color)
        return;
    m_fontColor = color;
    FontColorChanged();
    update();
}

void TGraphicControl::SetMouseInControl(bool inside)
{
    if (m_mouseInControl == inside)
        return;
    m_mouseInControl = inside;
    if (inside)
        MouseEnter();
    else
        MouseLeave();
}

void TGraphicControl::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    SetMouseInControl(true);
}

void TGraphicControl::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    SetMouseInControl(false);
}

void TGraphicControl::mousePressEvent(QMouseEvent *event)
{
    QWidget::mousePressEvent(event);
    event->accept(); // keep Qt's implicit grab on this widget
    if (event->button() == Qt::LeftButton)
        m_captured = true;
}

void TGraphicControl::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    if (m_captured)
        SetMouseInControl(rect().contains(event->position().toPoint()));
}

void TGraphicControl::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_captured) {
        m_captured = false;
        // Qt delivers the Leave it held back only after the release, and the widget may already
        // have said it from mouseMoveEvent; SetMouseInControl keeps the pair from repeating.
        if (!rect().contains(event->position().toPoint()))
            SetMouseInControl(false);
    }
}
