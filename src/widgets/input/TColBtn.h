#pragma once

#include "TSpeedButton.h"

// A speed button that shows a colour swatch (Color, default clWindow) over its ordinary face:
// - with a glyph, an 11 x 11 square in the lower right of the glyph, black-bordered;
// - without glyph and caption (a palette cell), a grey-bordered swatch inset by a fifth of the height;
// - with a caption (the Automatic button), a grey outline round the face and a swatch at its left end.
// While disabled the swatch is drawn in the button face colour with grey borders.
class TColBtn : public TSpeedButton
{
    Q_OBJECT

public:
    explicit TColBtn(QWidget *parent = nullptr);

protected:
    void Paint(QPainter &painter) override;
};
