#pragma once

#include "TColBtn.h"
#include "TCustomPanel.h"

#include <QPointer>
#include <array>
#include <functional>

class QColorDialog;

// The palette panel of a colour button's drop-down: an Automatic button, 40 fixed colours in five
// rows of eight, a separator, 16 custom colours (the program's shared custom colour table), an
// Other swatch and an "Other colors" button. The Automatic button, the cells and the Other swatch
// form one group with one button down.
//
// A click on any of those buttons makes its colour the chosen colour (AutomaticChosen when it was
// the Automatic button) and raises OnColorChosen. "Other colors" opens the colour dialog at the
// Other swatch's colour and gives the swatch the dialog's colour on OK; a right button pressed on a
// custom cell does the same for that cell and its entry of the shared table. The dialog is modal
// to the application but does not block the caller: OnColorDialog reports it opening and closing.
class TColorPicker : public TCustomPanel
{
    Q_OBJECT

public:
    static constexpr int kPaletteCount = 40;
    static constexpr int kAutomaticTag = 100;
    static constexpr int kButtonHeight = 20;
    // The fixed palette, cell i in row i div 8 and column i mod 8: greys in columns 0 and 1, then
    // red, yellow, green, cyan, blue and magenta from dark (row 0) to pale (row 4).
    static constexpr std::array<TColor, kPaletteCount> kPalette = {
        TColorFromBits(0x000000), TColorFromBits(0x808080), TColorFromBits(0x000040), TColorFromBits(0x004040),
        TColorFromBits(0x004000), TColorFromBits(0x404000), TColorFromBits(0x400000), TColorFromBits(0x400040),
        TColorFromBits(0x202020), TColorFromBits(0x909090), TColorFromBits(0x000080), TColorFromBits(0x008080),
        TColorFromBits(0x008000), TColorFromBits(0x808000), TColorFromBits(0x800000), TColorFromBits(0x800080),
        TColorFromBits(0x404040), TColorFromBits(0xB0B0B0), TColorFromBits(0x0000FF), TColorFromBits(0x00FFFF),
        TColorFromBits(0x00FF00), TColorFromBits(0xFFFF00), TColorFromBits(0xFF0000), TColorFromBits(0xFF00FF),
        TColorFromBits(0x606060), TColorFromBits(0xD0D0D0), TColorFromBits(0x8080FF), TColorFromBits(0x80FFFF),
        TColorFromBits(0x80FF80), TColorFromBits(0xFFFF80), TColorFromBits(0xFF8080), TColorFromBits(0xFF80FF),
        TColorFromBits(0x707070), TColorFromBits(0xFFFFFF), TColorFromBits(0xC0C0FF), TColorFromBits(0xC0FFFF),
        TColorFromBits(0xC0FFC0), TColorFromBits(0xFFFFC0), TColorFromBits(0xFFC0C0), TColorFromBits(0xFFC0FF),
    };

    // Reads the custom cells from the shared table as it is now.
    explicit TColorPicker(QWidget *parent = nullptr);

    TColor AutomaticColor() const { return m_automaticColor; }
    void SetAutomaticColor(TColor color);
    // Without the Automatic button the picker is 22 pixels lower and everything moves up by 22.
    bool ShowAutomatic() const { return m_showAutomatic; }
    void SetShowAutomatic(bool show);
    // The flat style of all buttons.
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    QString AutoBtnCaption() const;
    void SetAutoBtnCaption(const QString &caption);
    QString OtherBtnCaption() const;
    void SetOtherBtnCaption(const QString &caption);

    // Presses the button showing Color: the last matching palette cell, else the last matching
    // custom cell, else the Other swatch, which takes Color. Color also becomes the chosen colour,
    // so that Enter before any click keeps what is marked.
    void MarkColor(TColor color);

    TColor ChosenColor() const { return m_chosenColor; }
    bool AutomaticChosen() const { return m_automaticChosen; }

    TColBtn *AutomaticButton() const { return m_automatic; }
    TColBtn *PaletteCell(int index) const { return m_palette.at(size_t(index)); }
    TColBtn *CustomCell(int index) const { return m_custom.at(size_t(index)); }
    TColBtn *OtherSwatch() const { return m_otherSwatch; }
    TSpeedButton *OtherButton() const { return m_otherButton; }
    // The separator line between the fixed and the custom colours.
    QRect SeparatorRect() const;

    // The colour dialog (full form, initially black), made on first use and kept.
    QColorDialog *ColorDialog();
    bool DialogOpen() const { return m_dialogOpen; }
    // Opens the colour dialog at Initial; on OK, Accepted is called with the dialog's colour.
    // Refused (false) while the dialog is already open.
    bool EditColor(TColor initial, std::function<void(TColor)> accepted);

    TNotifyEvent OnColorChosen;
    std::function<void(QObject *Sender, bool Open)> OnColorDialog;

protected:
    void Paint(QPainter &painter) override;

private:
    TColBtn *MakeCell(TColor color, int tag);
    void ArrangeButtons();
    void ColorButtonClick(QObject *sender);
    void CustomCellMouseDown(int index, Qt::MouseButton button);
    void OtherButtonClick();
    void DialogFinished(int result);

    TColor m_automaticColor = clBlack;
    bool m_showAutomatic = true;
    bool m_flat = true;
    TColor m_chosenColor = clBlack;
    bool m_automaticChosen = false;
    bool m_dialogOpen = false;

    TColBtn *m_automatic = nullptr;
    std::array<TColBtn *, kPaletteCount> m_palette{};
    std::array<TColBtn *, 16> m_custom{};
    TColBtn *m_otherSwatch = nullptr;
    TSpeedButton *m_otherButton = nullptr;
    QPointer<QColorDialog> m_dialog;
    std::function<void(TColor)> m_dialogAccepted;
};
