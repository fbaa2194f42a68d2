#pragma once

#include "TCanvas.h"
#include "TControlTypes.h" // TNotifyEvent
#include "TGraphicControl.h"

// The multi-bevel base: a window-less frame painted over its container as a drop shadow, a
// coloured border band, an outer and an inner bevel and a caption. Colours can be mixed with what
// lies beneath (ColorDensity), so the band can look solid, see-through or be left out.
// TktMultiBevel publishes it as a frame; TktBevelButton turns it into a push button.
class TktMBevel : public TGraphicControl
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ objectName WRITE setObjectName)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(TBevelStyle BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(TBevelStyle BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(TCaptionOutfit CaptionOutfit READ CaptionOutfit WRITE SetCaptionOutfit)
    Q_PROPERTY(qint32 Color READ Color WRITE SetColor)
    Q_PROPERTY(int ColorDensity READ ColorDensity WRITE SetColorDensity)
    Q_PROPERTY(bool ColorFixed READ ColorFixed WRITE SetColorFixed)
    Q_PROPERTY(qint32 ColorHighlight READ ColorHighlight WRITE SetColorHighlight)
    Q_PROPERTY(qint32 ColorShadow READ ColorShadow WRITE SetColorShadow)
    Q_PROPERTY(bool DensityDepended READ DensityDepended WRITE SetDensityDepended)
    Q_PROPERTY(int EdgeSize READ EdgeSize WRITE SetEdgeSize)
    Q_PROPERTY(qint32 ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowDensity READ ShadowDensity WRITE SetShadowDensity)
    Q_PROPERTY(bool Shadowed READ Shadowed WRITE SetShadowed)
    Q_PROPERTY(int ShadowOffsetX READ ShadowOffsetX WRITE SetShadowOffsetX)
    Q_PROPERTY(int ShadowOffsetY READ ShadowOffsetY WRITE SetShadowOffsetY)
    Q_PROPERTY(TShadowStyle ShadowStyle READ ShadowStyle WRITE SetShadowStyle)
    Q_PROPERTY(TBevelShape Shape READ Shape WRITE SetShape)
    Q_PROPERTY(TTransparence Transparence READ Transparence WRITE SetTransparence)

public:
    enum TBevelStyle : quint8 { bstLowered, bstNone, bstRaised };
    Q_ENUM(TBevelStyle)
    enum TBevelShape : quint8 { bspBottomLine, bspLeftLine, bspPortrait, bspRect, bspRightLine, bspTopLine };
    Q_ENUM(TBevelShape)
    enum TCaptionOutfit : quint8 { coHeavy, coInsetHeavy, coInsetLight, coNormal, coRaisedHeavy, coRaisedLight, coShadowed };
    Q_ENUM(TCaptionOutfit)
    enum TCaptionPosition : quint8 {
        cpTopLeft, cpTopCenter, cpTopRight, cpLeft, cpLeftVertical, cpCenter,
        cpRight, cpRightVertical, cpBottomLeft, cpBottomCenter, cpBottomRight
    };
    Q_ENUM(TCaptionPosition)
    enum TShadowStyle : quint8 {
        ssBlack, ssCopy, ssDithered, ssMask, ssMaskNotPen, ssMerge, ssMergeNotPen, ssNot, ssNotAND,
        ssNotCopy, ssNotMask, ssNotMerge, ssNotOR, ssNotXOR, ssTransparent, ssWhite, ssXOR
    };
    Q_ENUM(TShadowStyle)
    enum TTransparence : quint8 { trNone, trSemi, trTransparent };
    Q_ENUM(TTransparence)

    explicit TktMBevel(QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }

    TBevelStyle BevelInner() const { return m_bevelInner; }
    void SetBevelInner(TBevelStyle style);
    TBevelStyle BevelOuter() const { return m_bevelOuter; }
    void SetBevelOuter(TBevelStyle style);
    int BevelWidth() const { return m_bevelWidth; }
    void SetBevelWidth(int width); // 1 or more
    int BorderWidth() const { return m_borderWidth; }
    void SetBorderWidth(int width); // 0 or more
    TCaptionOutfit CaptionOutfit() const { return m_captionOutfit; }
    void SetCaptionOutfit(TCaptionOutfit outfit);
    TCaptionPosition CaptionPosition() const { return m_captionPosition; }

    // Stored even when equal; with ColorFixed the bevel colours follow it.
    void SetColor(TColor color);
    int ColorDensity() const { return m_colorDensity; }
    void SetColorDensity(int density); // 0..100
    bool ColorFixed() const { return m_colorFixed; }
    void SetColorFixed(bool fixed);
    TColor ColorHighlight() const { return m_colorHighlight; }
    void SetColorHighlight(TColor color); // ignored while ColorFixed
    TColor ColorShadow() const { return m_colorShadow; }
    void SetColorShadow(TColor color); // ignored while ColorFixed
    bool DensityDepended() const { return m_densityDepended; }
    void SetDensityDepended(bool depended);
    int EdgeSize() const { return m_edgeSize; }
    void SetEdgeSize(int size);
    TColor ShadowColor() const { return m_shadowColor; }
    void SetShadowColor(TColor color);
    int ShadowDensity() const { return m_shadowDensity; }
    void SetShadowDensity(int density); // ignored while DensityDepended
    bool Shadowed() const { return m_shadowed; }
    void SetShadowed(bool shadowed); // ignored while trTransparent
    int ShadowOffsetX() const { return m_shadowOffsetX; }
    void SetShadowOffsetX(int offset);
    int ShadowOffsetY() const { return m_shadowOffsetY; }
    void SetShadowOffsetY(int offset);
    TShadowStyle ShadowStyle() const { return m_shadowStyle; }
    void SetShadowStyle(TShadowStyle style);
    TBevelShape Shape() const { return m_shape; }
    void SetShape(TBevelShape shape);
    TTransparence Transparence() const { return m_transparence; }
    void SetTransparence(TTransparence transparence);
    // The ColorDensity remembered for trSemi.
    int SemiDensity() const { return m_semiDensity; }

    // Paints the frame on canvas, whose logical (0, 0) is the widget's top-left corner.
    void Paint(TCanvas &canvas) const;

protected:
    void SetCaptionPosition(TCaptionPosition position);
    void ColorChanged() override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Bands;
    void ApplyFixedColors();
    void PaintShadow(TCanvas &canvas, const Bands &bands) const;
    void PaintBorder(TCanvas &canvas, const Bands &bands, const TRect &border) const;
    void PaintCaption(TCanvas &canvas, const Bands &bands, const TRect *lastElement) const;

    QString m_caption;
    TBevelStyle m_bevelInner = bstLowered;
    TBevelStyle m_bevelOuter = bstRaised;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    TCaptionOutfit m_captionOutfit = coRaisedLight;
    TCaptionPosition m_captionPosition = cpTopLeft;
    int m_colorDensity = 100;
    bool m_colorFixed = true;
    TColor m_colorHighlight = clBtnHighlight;
    TColor m_colorShadow = clBtnShadow;
    bool m_densityDepended = true;
    int m_edgeSize = 15;
    TColor m_shadowColor = clGray;
    int m_shadowDensity = 60;
    bool m_shadowed = false;
    int m_shadowOffsetX = 3;
    int m_shadowOffsetY = 3;
    TShadowStyle m_shadowStyle = ssDithered;
    TBevelShape m_shape = bspRect;
    TTransparence m_transparence = trNone;
    int m_semiDensity = 50;
};

// The multi-bevel frame: groups other widgets with a layered, optionally see-through frame.
class TktMultiBevel : public TktMBevel
{
    Q_OBJECT
    Q_PROPERTY(TktMBevel::TCaptionPosition CaptionPosition READ CaptionPosition WRITE SetCaptionPosition)

public:
    explicit TktMultiBevel(QWidget *parent = nullptr);

    using TktMBevel::SetCaptionPosition;
};
