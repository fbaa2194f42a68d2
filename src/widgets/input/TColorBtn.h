#pragma once

#include "TColBtn.h"
#include "TCustomPanel.h"

#include <QImage>
#include <QPointer>

class TColPickDlg;

// A two-part colour button: on the left a TColBtn showing a glyph with a swatch of ActiveColor,
// whose click raises OnClick; on the right a narrow arrow that drops down a palette (TColPickDlg
// with a TColorPicker) at the button's bottom-left corner. Accepting a colour there makes it the
// ActiveColor and TargetColor, saves the shared custom colour table under RegKey and raises OnClick.
//
// The width always follows the height H: H + H div 3 + 6, the colour part H x H and the arrow
// H div 3 + 6 wide (35 x 22 by default). While loading, the size is left as set until Loaded.
class TColorBtn : public TCustomPanel
{
    Q_OBJECT
    Q_PROPERTY(qint32 ActiveColor READ ActiveColor WRITE SetActiveColor NOTIFY ActiveColorChanged)
    Q_PROPERTY(qint32 TargetColor READ TargetColor WRITE SetTargetColor)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(bool DropDownFlat READ DropDownFlat WRITE SetDropDownFlat)
    Q_PROPERTY(qint32 AutomaticColor READ AutomaticColor WRITE SetAutomaticColor)
    Q_PROPERTY(bool IsAutomatic READ IsAutomatic WRITE SetIsAutomatic)
    Q_PROPERTY(TGlyphType GlyphType READ GlyphType WRITE SetGlyphType)
    Q_PROPERTY(QImage Glyph READ Glyph WRITE SetGlyph)
    Q_PROPERTY(QString AutoBtnCaption READ AutoBtnCaption WRITE SetAutoBtnCaption)
    Q_PROPERTY(QString OtherBtnCaption READ OtherBtnCaption WRITE SetOtherBtnCaption)
    Q_PROPERTY(QString RegKey READ RegKey WRITE SetRegKey)

public:
    // Which built-in glyph the colour part shows: "FRCOLOR", "BKCOLOR", "LNCOLOR", or the one
    // assigned through Glyph.
    enum TGlyphType : quint8 { gtForeground, gtBackground, gtLines, gtCustom };
    Q_ENUM(TGlyphType)

    explicit TColorBtn(QWidget *parent = nullptr);
    ~TColorBtn() override;

    // H + H div 3 + 6.
    static constexpr int WidthForHeight(int height) { return height + height / 3 + 6; }

    TColor ActiveColor() const { return m_activeColor; }
    void SetActiveColor(TColor color);
    TColor TargetColor() const { return m_targetColor; }
    void SetTargetColor(TColor color) { m_targetColor = color; }
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    bool DropDownFlat() const { return m_dropDownFlat; }
    void SetDropDownFlat(bool flat) { m_dropDownFlat = flat; }
    TColor AutomaticColor() const { return m_automaticColor; }
    void SetAutomaticColor(TColor color) { m_automaticColor = color; }
    bool IsAutomatic() const { return m_isAutomatic; }
    void SetIsAutomatic(bool automatic) { m_isAutomatic = automatic; }
    TGlyphType GlyphType() const { return m_glyphType; }
    void SetGlyphType(TGlyphType type);
    // The colour part's glyph; assigning one makes GlyphType gtCustom.
    QImage Glyph() const;
    void SetGlyph(const QImage &glyph);
    QString AutoBtnCaption() const { return m_autoBtnCaption; }
    void SetAutoBtnCaption(const QString &caption) { m_autoBtnCaption = caption; }
    QString OtherBtnCaption() const { return m_otherBtnCaption; }
    void SetOtherBtnCaption(const QString &caption) { m_otherBtnCaption = caption; }
    // The last key of the custom colours' path in the settings store; empty gives "Palette0".
    QString RegKey() const { return m_regKey; }
    void SetRegKey(const QString &key);

    // The last accepted choice came from the Automatic button.
    bool AutomaticChosen() const { return m_automaticChosen; }

    // What the arrow does: BeforeDropDown, the custom colours loaded, the palette shown.
    void DropDown();
    // The open drop-down, if any.
    TColPickDlg *DropDownWindow() const;

    TColBtn *ColorPart() const { return m_colorPart; }
    TSpeedButton *ArrowPart() const { return m_arrowPart; }

    void SetBounds(int left, int top, int width, int height) override;
    QSize sizeHint() const override;

    TNotifyEvent BeforeDropDown;

signals:
    // After ActiveColor took another value, from code or from a choice in the drop-down (then
    // before OnClick, with TargetColor and AutomaticChosen already updated).
    void ActiveColorChanged(TColor color);

protected:
    void Loaded() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TColPickDlg;
    // The drop-down closed with a choice.
    void ColorAccepted(TColor color, bool automatic);
    void ArrangeParts();
    // Stores the colour without telling anyone; false when it was already the active one.
    bool StoreActiveColor(TColor color);

    TColor m_activeColor = clBlack;
    TColor m_targetColor = clBlack;
    bool m_flat = false;
    bool m_dropDownFlat = true;
    TColor m_automaticColor = clBlack;
    bool m_isAutomatic = true;
    TGlyphType m_glyphType = gtForeground;
    QString m_autoBtnCaption = QStringLiteral("Automatic");
    QString m_otherBtnCaption = QStringLiteral("&Other colors...");
    QString m_regKey = QStringLiteral("Palette0");
    bool m_automaticChosen = false;

    TColBtn *m_colorPart = nullptr;
    TSpeedButton *m_arrowPart = nullptr;
    QPointer<TColPickDlg> m_dropDown;
};
