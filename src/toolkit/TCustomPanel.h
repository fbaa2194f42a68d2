#pragma once

#include "TControlTypes.h"
#include "TLoadable.h"

#include <QWidget>

// The toolkit's panel: a container that paints its own background in Color with an outer bevel,
// a border ring in Color and an inner bevel, and its caption centred vertically and aligned by
// Alignment. BorderStyle bsSingle adds the window system's border outside all of that (a sunken
// two-pixel client edge with Ctl3D, else a one-pixel line). Children are laid out inside the frame:
// the contents margins (what QLayouts and docking use) are the border, the bevels and the ring.
//
// Color is also given to the panel's palette, so that the controls inside with ParentColor follow
// it. Derived panels that frame themselves differently override Paint and ChildMargins, and call
// FrameChanged() from their constructor and whenever their frame changes.
class TCustomPanel : public QWidget, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ objectName WRITE setObjectName)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(Tk::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(Tk::TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(Tk::TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(Tk::TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(qint32 Color READ Color WRITE SetColor)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(qint32 FontColor READ FontColor WRITE SetFontColor)

public:
    using enum Tk::TAlignment;
    using enum Tk::TBevelCut;
    using enum Tk::TBorderStyle;

    explicit TCustomPanel(QWidget *parent = nullptr);

    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }
    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int left) { SetBounds(left, y(), width(), height()); }
    void SetTop(int top) { SetBounds(x(), top, width(), height()); }
    void SetWidth(int width) { SetBounds(x(), y(), width, height()); }
    void SetHeight(int height) { SetBounds(x(), y(), width(), height); }
    virtual void SetBounds(int left, int top, int width, int height);

    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }
    QString Hint() const { return toolTip(); }
    void SetHint(const QString &hint) { setToolTip(hint); }

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    Tk::TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(Tk::TAlignment alignment);
    Tk::TBevelCut BevelInner() const { return m_bevelInner; }
    void SetBevelInner(Tk::TBevelCut bevel);
    Tk::TBevelCut BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(Tk::TBevelCut bevel);
    // At least 1; smaller values are refused with EInvalidOperation.
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int width);
    // At least 0; negative values are refused with EInvalidOperation.
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int width);
    Tk::TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(Tk::TBorderStyle style);
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool ctl3D);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool parentColor);
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor color);

    // Width of the window-system border on each side (0, 1 or 2).
    int BorderEdgeWidth() const;

    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    // Paints the window border, the bevels and ring, the background and the caption.
    virtual void Paint(QPainter &painter);
    // Room on each side that children keep clear of; Bevel widths, ring and border here.
    virtual QMargins ChildMargins() const;
    // Applies ChildMargins as the contents margins (re-laying out the children) and repaints.
    void FrameChanged();
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void ColorChanged() {}

    void Loaded() override {}
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void StoreColor(TColor color);
    void SyncParentColor();

    int m_tag = 0;
    QString m_caption;
    Tk::TAlignment m_alignment = taCenter;
    Tk::TBevelCut m_bevelInner = bvNone;
    Tk::TBevelCut m_bevelOuter = bvRaised;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    Tk::TBorderStyle m_borderStyle = bsNone;
    bool m_ctl3D = true;
    TColor m_color = clBtnFace;
    bool m_parentColor = false;
    TColor m_fontColor = clWindowText;
    bool m_pressed = false;
};

// The panel as placed on a window.
class TPanel : public TCustomPanel
{
    Q_OBJECT

public:
    explicit TPanel(QWidget *parent = nullptr) : TCustomPanel(parent) {}
};
