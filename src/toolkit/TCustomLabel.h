#pragma once

#include "TControlTypes.h"
#include "TGraphicControl.h"

#include <QPointer>

class QShortcut;

// The toolkit's window-less text label: paints its caption aligned left, right or centred, at the
// top, middle or bottom, wrapped at word boundaries on request, with tabs expanded and "&" marking
// the accelerator character (underlined; "&&" shows one "&"). Opaque labels fill their rectangle
// with Color, transparent ones paint only the text over their container. With AutoSize the label
// fits its bounds to the text after every change that alters the text's size (right-justified
// labels keep their right edge). With ParentColor (the default) Color follows the container's.
//
// Derived labels that draw their text their own way override Paint, DoDrawText or GetLabelText;
// those that size themselves differently override AdjustBounds or TextMargins.
class TCustomLabel : public TGraphicControl
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ objectName WRITE setObjectName)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(Tk::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(Tk::TTextLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(QWidget *FocusControl READ FocusControl WRITE SetFocusControl)

public:
    using enum Tk::TAlignment;
    using enum Tk::TTextLayout;

    explicit TCustomLabel(QWidget *parent = nullptr);
    ~TCustomLabel() override;

    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    Tk::TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(Tk::TAlignment alignment);
    Tk::TTextLayout Layout() const { return m_layout; }
    void SetLayout(Tk::TTextLayout layout);
    bool AutoSize() const { return m_autoSize; }
    virtual void SetAutoSize(bool autoSize);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool wordWrap);
    bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    bool ShowAccelChar() const { return m_showAccelChar; }
    void SetShowAccelChar(bool show);
    bool ParentColor() const { return m_parentColor; }
    void SetParentColor(bool parentColor);
    // The widget that receives the focus when the caption's accelerator is pressed (Alt + the
    // character after "&"); cleared when that widget is destroyed.
    QWidget *FocusControl() const { return m_focusControl; }
    void SetFocusControl(QWidget *control);

    // Raised on a left-button press and release inside the label.
    virtual void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

    // Flag added to the text flags of DoDrawText: measure instead of drawing.
    static constexpr int dtCalcRect = 0x40000000;

    // The size the label fits its caption in, as AutoSize would make it.
    QSize sizeHint() const override { return FitSize(); }

protected:
    // The text the label shows; the caption here.
    virtual QString GetLabelText() const;
    // Room between the label's edges and its text (a border, for example); none here.
    virtual QMargins TextMargins() const;
    // Draws the label: fills it with Color unless transparent, then the text placed by Layout.
    virtual void Paint(QPainter &painter);
    // Draws GetLabelText() in Rect with Flags (Qt alignment and text flags, see DrawTextFlags), or
    // with dtCalcRect only measures it: Rect keeps its top-left corner and takes the text's size.
    // An empty text (or a lone "&" with ShowAccelChar) measures as one blank, so an empty label
    // keeps the height of a line. Enabled: the text in FontColor. Disabled: the text in
    // clBtnHighlight one pixel right and down, then in clBtnShadow in place.
    virtual void DoDrawText(QPainter &painter, QRect &rect, int flags);
    // Draws GetLabelText() once in Color, in the label's font without background, clipped to Rect
    // (the building block of DoDrawText, for labels that draw their text in several passes).
    void DrawCaptionText(QPainter &painter, const QRect &rect, int flags, const QColor &color);
    // The flags the label's properties ask for: tabs expanded, the accelerator when ShowAccelChar,
    // word breaks when WordWrap, horizontal alignment by Alignment, top-aligned.
    int DrawTextFlags() const;
    // Measures the text with DoDrawText on a device of the widget's resolution.
    void MeasureText(QRect &rect, int flags);
    // The auto-size step: when AutoSize is on and the label is not loading, sets the bounds to the
    // text's size plus TextMargins (word-wrapped text keeps the current width to wrap in).
    virtual void AdjustBounds();
    // The size that step gives the label now, whether AutoSize is on or not.
    virtual QSize FitSize() const;

    void Loaded() override;
    void ColorChanged() override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void SyncParentColor();
    void UpdateAccelerator();
    void AcceleratorPressed();

    QString m_caption;
    Tk::TAlignment m_alignment = taLeftJustify;
    Tk::TTextLayout m_layout = tlTop;
    bool m_autoSize = true;
    bool m_wordWrap = false;
    bool m_transparent = false;
    bool m_showAccelChar = true;
    bool m_parentColor = true;
    bool m_syncingParentColor = false;
    QPointer<QWidget> m_focusControl;
    QShortcut *m_accelerator = nullptr;
};

// The label as placed on a window.
class TLabel : public TCustomLabel
{
    Q_OBJECT

public:
    explicit TLabel(QWidget *parent = nullptr) : TCustomLabel(parent) {}
};
