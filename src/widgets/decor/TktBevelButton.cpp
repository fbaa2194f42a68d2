#include "TktBevelButton.h"

#include <QMouseEvent>
#include <QPointer>

TktBevelButton::TktBevelButton(QWidget *parent) : TktMBevel(parent)
{
    SetBevelOuter(bstNone);
    SetBevelInner(bstLowered);
    SetCaptionOutfit(coRaisedLight);
    SetCaptionPosition(cpCenter);
    setEnabled(true);
    resize(90, 35);
}

void TktBevelButton::MouseEnter()
{
    if (!isEnabled())
        return;
    SetBevelOuter(bstRaised);
    if (OnEnter)
        OnEnter(this);
}

void TktBevelButton::MouseLeave()
{
    if (!isEnabled())
        return;
    SetBevelOuter(bstNone);
    if (OnExit)
        OnExit(this);
}

void TktBevelButton::mousePressEvent(QMouseEvent *event)
{
    SetBevelOuter(bstLowered);
    TktMBevel::mousePressEvent(event);
    if (OnMouseDown)
        OnMouseDown(this);
}

void TktBevelButton::mouseReleaseEvent(QMouseEvent *event)
{
    // Only a left press holds the mouse; Qt also hands other buttons' releases to the widget
    // they went down on, but released elsewhere they belong to what lies there.
    if (event->button() != Qt::LeftButton && !rect().contains(event->position().toPoint())) {
        TktMBevel::mouseReleaseEvent(event);
        event->accept();
        return;
    }
    const bool leftClickPending = event->button() == Qt::LeftButton && MouseCaptured();
    // The base ends the capture (and reports a leave when the pointer is outside) first.
    TktMBevel::mouseReleaseEvent(event);
    // Handled here: an ignored event would travel on to the parent, through this button even
    // when a handler below has deleted it.
    event->accept();
    QPointer<TktBevelButton> self(this);
    if (leftClickPending && rect().contains(event->position().toPoint()) && OnClick) {
        OnClick(this);
        if (!self)
            return;
    }
    SetBevelOuter(bstRaised);
    if (OnMouseUp)
        OnMouseUp(this);
}
