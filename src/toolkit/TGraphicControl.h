#pragma once

#include "QtColor.h"
#include "TLoadable.h"

#include <QWidget>

// The base of the window-less widgets: no background of its own (it paints over what its container
// and the widgets beneath it have painted), never takes the keyboard focus, holds the mouse while
// the left button is down, and is told when the mouse enters or leaves it, also while it holds the
// mouse (Qt itself stays silent about that until the button is released).
class TGraphicControl : public QWidget, public TLoadable
{
    Q_OBJECT
    // The published geometry and common properties every window-less widget shares. Colour
    // properties are declared as qint32 (a TColor) so the layout loader can set them by name.
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(qint32 Color READ Color WRITE SetColor)
    Q_PROPERTY(qint32 FontColor READ FontColor WRITE SetFontColor)

public:
    explicit TGraphicControl(QWidget *parent = nullptr);

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int left) { SetBounds(left, y(), width(), height()); }
    void SetTop(int top) { SetBounds(x(), top, width(), height()); }
    void SetWidth(int width) { SetBounds(x(), y(), width, height()); }
    void SetHeight(int height) { SetBounds(x(), y(), width(), height); }
    // Moves and sizes in one step; subclasses that constrain their size override it.
    virtual void SetBounds(int left, int top, int width, int height);

    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }
    QString Hint() const { return toolTip(); }
    void SetHint(const QString &hint) { setToolTip(hint); }

    // The widget's own colour and its font colour; setters repaint and call ColorChanged /
    // FontColorChanged so subclasses can react.
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor color);

    // Whether the mouse is over the widget as far as MouseEnter / MouseLeave have told.
    bool MouseInControl() const { return m_mouseInControl; }
    // Whether the widget holds the mouse (a button went down on it and is not yet released).
    bool MouseCaptured() const { return m_captured; }

protected:
    // The notifications; the base implementations do nothing.
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void ColorChanged() {}
    virtual void FontColorChanged() {}

    // Subclasses that override these must call the base versions, which keep the enter / leave
    // bookkeeping right while the mouse is held.
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void SetMouseInControl(bool inside);

    int m_tag = 0;
    TColor m_color = clBtnFace;
    TColor m_fontColor = clWindowText;
    bool m_mouseInControl = false;
    bool m_captured = false;
};
