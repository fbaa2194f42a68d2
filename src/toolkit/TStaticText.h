#pragma once

#include "TCustomLabel.h"

// The toolkit's static text: a one-line caption with an optional border (a black line, or a
// one-pixel sunken edge) and two pixels of room between its edges and the text. Auto-sizing,
// alignment, the "&" accelerator with FocusControl and the colours are the label's.
class TStaticText : public TCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(Tk::TStaticBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)

public:
    using enum Tk::TStaticBorderStyle;

    explicit TStaticText(QWidget *parent = nullptr);

    Tk::TStaticBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(Tk::TStaticBorderStyle style);

    // Room on each side between the border and the text.
    static constexpr int kTextMargin = 2;

protected:
    QMargins TextMargins() const override;
    void Paint(QPainter &painter) override;

private:
    Tk::TStaticBorderStyle m_borderStyle = sbsNone;
};
