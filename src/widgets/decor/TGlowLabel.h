#pragma once

#include "TCustomLabel.h"

// The toolkit's label with a hover effect: while the mouse is over it and it is enabled, its text
// has a one-pixel halo in GlowColor. A disabled label draws its text once in clGrayText.
//
// It always paints its text from the top and wrapped at word boundaries, whatever Layout and
// WordWrap say (auto-sizing still follows WordWrap), and paints at most the caption's first 255
// characters.
class TGlowLabel : public TCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(qint32 GlowColor READ GlowColor WRITE SetGlowColor)

public:
    explicit TGlowLabel(QWidget *parent = nullptr);

    TColor GlowColor() const { return m_glowColor; }
    void SetGlowColor(TColor color);
    // The mouse is over the label (whether or not it is enabled).
    bool Hovered() const { return m_hovered; }

    static constexpr int kMaxPaintedChars = 255;

protected:
    void Paint(QPainter &painter) override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    TColor m_glowColor = clWhite;
    bool m_hovered = false;
};
