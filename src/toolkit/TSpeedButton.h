#pragma once

#include "TControlTypes.h"
#include "TGraphicControl.h"

#include <QImage>
#include <QList>
#include <QPointer>

class QShortcut;

// The toolkit's speed button: a window-less tool button that never takes the keyboard focus and
// shows a glyph and an optional caption (with an "&" accelerator underlined).
//
// Glyph: NumGlyphs images of equal width side by side: up, disabled, pressed, held down. A missing
// image falls back to the up image; a missing disabled image is made from the up image (its dark
// pixels embossed in the shadow and highlight colours). The colour of the glyph's bottom-left
// pixel is transparent everywhere in it. Assigning a glyph whose width is 1 to 4 times its height
// sets NumGlyphs to that ratio.
//
// Looks: a raised button face with a two-pixel edge, sunken while pressed or down; with Flat, no
// edge at rest, a one-pixel raised edge while the mouse is over the enabled button and a one-pixel
// sunken edge while it is pressed or down (with Transparent, the default, a flat button fills
// nothing and its container shows through). Pressed and down looks shift the content one pixel
// right and down. A button held down (not pressed) that is not see-through shows a chequered face.
//
// Down and groups: buttons of one parent with the same non-zero GroupIndex are exclusive: a button
// going down releases the others; one that is down stays down when clicked again unless AllowAllUp
// (shared by the whole group) is set. With GroupIndex 0 the button never stays down.
//
// OnClick fires when the left button is pressed on the button and released inside it, and when the
// caption's accelerator (Alt + the character after "&") is pressed in the button's window.
class TSpeedButton : public TGraphicControl
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ objectName WRITE setObjectName)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool Down READ Down WRITE SetDown NOTIFY DownChanged)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(Tk::TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)

public:
    using enum Tk::TButtonLayout;
    using enum Tk::TButtonState;

    explicit TSpeedButton(QWidget *parent = nullptr);

    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    QImage Glyph() const { return m_glyph; }
    void SetGlyph(const QImage &glyph);
    // 1 to 4; values outside are brought into that range.
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int count);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    bool Down() const { return m_down; }
    void SetDown(bool down);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int index);
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool allow);
    Tk::TButtonLayout Layout() const { return m_layout; }
    void SetLayout(Tk::TButtonLayout layout);
    // Pixels between the edge and the glyph on the glyph's side; -1 centres glyph and caption.
    int Margin() const { return m_margin; }
    void SetMargin(int margin);
    // Pixels between glyph and caption; -1 spreads the free room evenly.
    int Spacing() const { return m_spacing; }
    void SetSpacing(int spacing);

    // What the button shows now: bsDisabled while disabled, bsDown while pressed by the mouse,
    // bsExclusive while held down, bsUp otherwise.
    Tk::TButtonState State() const;

    // Raises OnClick.
    virtual void Click();

    // The smallest size that shows glyph and caption, placed as Layout, Margin and Spacing say,
    // clear of the edge in the up and the pressed look.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

signals:
    // Once for every button whose Down changed, this one first, then the group members it released.
    void DownChanged(bool down);

protected:
    // Replaces the picture without touching NumGlyphs (an animation swapping frames).
    void SwapGlyph(const QImage &glyph);
    // Called after the glyph or NumGlyphs changed, before the repaint.
    virtual void GlyphChanged() {}

    // Paints face, edge, glyph and caption; derived buttons paint their additions after it.
    virtual void Paint(QPainter &painter);
    // Draws the face and edge of the look for State() into the whole client rectangle.
    void PaintFrame(QPainter &painter);
    // Where glyph and caption go in Client (before the pressed shift).
    void CalcLayout(const QRect &client, QRect &glyphRect, QRect &textRect) const;
    // The image of the glyph shown for a state, transparent pixels cleared; null without glyph.
    QImage GlyphImage(Tk::TButtonState state) const;
    QSize GlyphSize() const;
    // The caption's size as painted (an empty caption takes no room).
    QSize CaptionSize() const;

    void MouseEnter() override;
    void MouseLeave() override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void UpdateAccelerator();
    void StoreGlyph(const QImage &glyph);
    void BuildImages() const;
    QList<TSpeedButton *> GroupMembers() const;
    // Returns the members that went up, watched, as handlers may delete them before they are told.
    QList<QPointer<TSpeedButton>> ReleaseGroup();
    static void NotifyReleased(const QList<QPointer<TSpeedButton>> &released);
    void SetPressedState(Tk::TButtonState state);

    QString m_caption;
    QImage m_glyph;
    int m_numGlyphs = 1;
    bool m_flat = false;
    bool m_transparent = true;
    bool m_down = false;
    int m_groupIndex = 0;
    bool m_allowAllUp = false;
    Tk::TButtonLayout m_layout = blGlyphLeft;
    int m_margin = -1;
    int m_spacing = 4;
    Tk::TButtonState m_state = bsUp; // bsUp, bsDown or bsExclusive; disabled is worked out
    bool m_dragging = false;
    QShortcut *m_accelerator = nullptr;
    mutable QList<QImage> m_images; // per state: up, disabled, pressed, held; built on demand
};
