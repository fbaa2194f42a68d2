#pragma once

#include "TLoadable.h"

#include <QWidget>

// The base of the window-less widgets: no background of its own (it paints over what its container
// and the widgets beneath it have painted), never takes the keyboard focus, holds the mouse while
// the left button is down, and is told when the mouse enters or leaves it, also while it holds the
// mouse (Qt itself stays silent about that until the button is released).
class TGraphicControl : public QWidget, public TLoadable
{
    Q_OBJECT

public:
    explicit TGraphicControl(QWidget *parent = nullptr);

    // Whether the mouse is over the widget as far as MouseEnter / MouseLeave have told.
    bool MouseInControl() const { return m_mouseInControl; }
    // Whether the widget holds the mouse (a button went down on it and is not yet released).
    bool MouseCaptured() const { return m_captured; }

protected:
    // The notifications; the base implementations do nothing.
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}

    // Subclasses that override these must call the base versions, which keep the enter / leave
    // bookkeeping right while the mouse is held.
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void SetMouseInControl(bool inside);

    bool m_mouseInControl = false;
    bool m_captured = false;
};
