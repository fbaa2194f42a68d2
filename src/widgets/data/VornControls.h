#pragma once

#include "TCanvas.h"
#include "TControlTypes.h"
#include "TCustomLabel.h"
#include "TCustomPanel.h"
#include "TGraphicControl.h"

#include <QObject>

// The bevel model of the data-aware widgets and the base widgets that carry it.

// A string of at most 10 characters that a widget stores and loads and otherwise ignores.
using TVornAboutString = QString;

// Describes a framed edge: an outer bevel, a border ring and an inner bevel, each drawn on the
// sides in BevelBorders, and knows how to paint it and how much room it takes. Each widget with
// a Bevel property owns one; OnChange tells the widget that a value changed.
class TVornBevel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TVornBevelStyle BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(TVornBevelStyle BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(TVornBorderSides BevelBorders READ BevelBorders WRITE SetBevelBorders)
    Q_PROPERTY(int BevelSideSize READ BevelSideSize)
    Q_PROPERTY(Tk::TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(qint32 HighLightColor READ HighLightColor WRITE SetHighLightColor)
    Q_PROPERTY(qint32 ShadowColor READ ShadowColor WRITE SetShadowColor)

public:
    // Scoped in the class: the toolkit's panel bevel (Tk::TBevelCut) has a fourth value.
    enum TVornBevelStyle : quint8 { bvNone, bvLowered, bvRaised };
    Q_ENUM(TVornBevelStyle)
    enum TVornBorderSide : quint8 { bsLeft = 0x1, bsTop = 0x2, bsRight = 0x4, bsBottom = 0x8 };
    Q_DECLARE_FLAGS(TVornBorderSides, TVornBorderSide)
    Q_FLAG(TVornBorderSides)
    // bsNone / bsSingle: the same values as the toolkit's window border.
    using TVornBorderStyle = Tk::TBorderStyle;

    static TVornBorderSides AllSides() { return TVornBorderSides(bsLeft) | bsTop | bsRight | bsBottom; }

    explicit TVornBevel(QObject *parent = nullptr);

    TVornBevelStyle BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TVornBevelStyle style);
    TVornBevelStyle BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TVornBevelStyle style);
    // 1 .. 2147483647; smaller values are refused with EInvalidOperation.
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int width);
    TVornBorderSides BevelBorders() const { return m_bevelBorders; }
    void SetBevelBorders(TVornBorderSides borders);
    // The room the frame takes on one side: the ring plus the width of each bevel that is not
    // bvNone, whatever BevelBorders holds.
    int BevelSideSize() const;
    TVornBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TVornBorderStyle style);
    // 0 .. 2147483647; negative values are refused with EInvalidOperation.
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int width);
    TColor HighLightColor() const { return m_highLightColor; }
    void SetHighLightColor(TColor color);
    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor color);

    // Copies the eight stored values of another bevel and calls OnChange once, changed or not.
    // Anything else is refused with "Cannot assign a <class> to a TVornBevel".
    void Assign(const QObject *source);

    // Paints the frame inside Rect (right and bottom exclusive): outer bevel, ring in Color
    // (nothing painted and all four sides inset when Transparent), inner bevel; Rect comes back as
    // the content area, one more pixel inside on every side.
    void DrawBevel(TCanvas &canvas, TRect &rect, TColor color, bool transparent) const;

    // Count one-pixel frames on the sides in Borders, each inside the last: left and top lines in
    // TopLeft, then right and bottom lines in BottomRight. Rect is inset on those sides only.
    static void DrawFrame(TCanvas &canvas, TRect &rect, TColor topLeft, TColor bottomRight, int count,
                          TVornBorderSides borders);

    // Set by the owning widget to its BevelChanged; called with the bevel as Sender.
    TNotifyEvent OnChange;

private:
    void Changed();
    void BevelColors(TVornBevelStyle style, TColor &topLeft, TColor &bottomRight) const;

    TVornBevelStyle m_bevelInner = bvNone;
    TVornBevelStyle m_bevelOuter = bvRaised;
    int m_bevelWidth = 1;
    TVornBorderSides m_bevelBorders = AllSides();
    TVornBorderStyle m_borderStyle = Tk::bsNone;
    int m_borderWidth = 0;
    TColor m_highLightColor = clBtnHighlight;
    TColor m_shadowColor = clBtnShadow;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TVornBevel::TVornBorderSides)

// The mouse-enter rule shared by the window-less and the windowed base: the widget's own flag is
// set and cleared only while the widget is enabled, so a widget disabled with the mouse inside
// reports no new enter until a leave was handled while enabled.
class TVornMouseTracker
{
public:
    bool InControl() const { return m_inControl; }
    // True when the enter (leave) is to be reported.
    bool Enter(bool enabled);
    bool Leave(bool enabled);

private:
    bool m_inControl = false;
};

// A window-less widget that reports the mouse entering and leaving it through OnMouseEnter and
// OnMouseLeave, following TVornMouseTracker's rule.
class TVornGraphicControl : public TGraphicControl
{
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE SetAbout)

public:
    explicit TVornGraphicControl(QWidget *parent = nullptr);

    TVornAboutString About() const { return m_about; }
    void SetAbout(const TVornAboutString &about) { m_about = about.left(10); }
    bool MouseInControl() const { return m_mouse.InControl(); }

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // Called by the toolkit when the mouse came in or went out; the rule above decides whether
    // OnMouseEnter / OnMouseLeave follow.
    void MouseEnter() override;
    void MouseLeave() override;

private:
    TVornAboutString m_about;
    TVornMouseTracker m_mouse;
};

// A label that paints its text inside a bevel (by default without one: the outer bevel is off).
// With AutoSize the label fits itself to the text plus the bevel's room and one pixel on every
// side; a right-justified label keeps its right edge. The toolkit's label supplies the caption,
// accelerator, disabled look and property reactions; this class adds the bevel and the enter /
// leave events. Its window-less base is the toolkit label's, so the enter / leave rule is shared
// with TVornGraphicControl through TVornMouseTracker rather than by inheritance.
class TVornCustomLabel : public TCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE SetAbout)
    Q_PROPERTY(TVornBevel *Bevel READ Bevel WRITE SetBevel)

public:
    explicit TVornCustomLabel(QWidget *parent = nullptr);
    ~TVornCustomLabel() override;

    TVornAboutString About() const { return m_about; }
    void SetAbout(const TVornAboutString &about) { m_about = about.left(10); }
    TVornBevel *Bevel() const { return m_bevel; }
    // Copies the other bevel's values into the label's own bevel.
    void SetBevel(TVornBevel *bevel);
    bool MouseInControl() const { return m_mouse.InControl(); }

    // The auto-size step (nothing unless AutoSize is on and the label is not loading).
    virtual void FitToText();

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // The bevel changed: fit to the text and repaint at once.
    virtual void BevelChanged(QObject *sender);

    void AdjustBounds() override;
    QSize FitSize() const override;
    void Paint(QPainter &painter) override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    TVornAboutString m_about;
    TVornBevel *m_bevel = nullptr;
    TVornMouseTracker m_mouse;
};

// A panel that paints a bevel (by default a raised outer bevel one pixel wide), keeps its aligned
// children inside it (BevelSideSize on every side) and reports mouse enter and leave. The bevel's
// BorderStyle bsSingle gives the panel the window border (a sunken client edge with Ctl3D).
//
// The frame properties the toolkit panel has under the same names (BevelInner, BevelOuter,
// BevelWidth, BorderWidth, BorderStyle) are those of Bevel here: one frame decides both the room
// the children keep clear of and what is painted.
class TVornCustomPanel : public TCustomPanel
{
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE SetAbout)
    Q_PROPERTY(TVornBevel *Bevel READ Bevel WRITE SetBevel)
    Q_PROPERTY(TVornBevel::TVornBevelStyle BevelInner READ BevelInner WRITE SetBevelInner STORED false)
    Q_PROPERTY(TVornBevel::TVornBevelStyle BevelOuter READ BevelOuter WRITE SetBevelOuter STORED false)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth STORED false)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth STORED false)
    Q_PROPERTY(Tk::TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle STORED false)

public:
    explicit TVornCustomPanel(QWidget *parent = nullptr);
    ~TVornCustomPanel() override;

    TVornAboutString About() const { return m_about; }
    void SetAbout(const TVornAboutString &about) { m_about = about.left(10); }
    TVornBevel *Bevel() const { return m_bevel; }
    void SetBevel(TVornBevel *bevel);
    bool MouseInControl() const { return m_mouse.InControl(); }

    // The bevel's values under the toolkit panel's names.
    TVornBevel::TVornBevelStyle BevelInner() const { return m_bevel->BevelInner(); }
    void SetBevelInner(TVornBevel::TVornBevelStyle style) { m_bevel->SetBevelInner(style); }
    TVornBevel::TVornBevelStyle BevelOuter() const { return m_bevel->BevelOuter(); }
    void SetBevelOuter(TVornBevel::TVornBevelStyle style) { m_bevel->SetBevelOuter(style); }
    int BevelWidth() const { return m_bevel->BevelWidth(); }
    void SetBevelWidth(int width) { m_bevel->SetBevelWidth(width); }
    int BorderWidth() const { return m_bevel->BorderWidth(); }
    void SetBorderWidth(int width) { m_bevel->SetBorderWidth(width); }
    Tk::TBorderStyle BorderStyle() const { return m_bevel->BorderStyle(); }
    void SetBorderStyle(Tk::TBorderStyle style) { m_bevel->SetBorderStyle(style); }

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // The bevel changed: the window border follows, the children are re-aligned, a repaint is
    // scheduled.
    virtual void BevelChanged(QObject *sender);
    // Width of the window border the bevel's BorderStyle gives, on each side (0, 1 or 2).
    int WindowEdgeWidth() const;

    void Paint(QPainter &painter) override;
    QMargins ChildMargins() const override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    TVornAboutString m_about;
    TVornBevel *m_bevel = nullptr;
    TVornMouseTracker m_mouse;
};
