#include "TColorBtn.h"

#include "ColorGlyphs.h"
#include "CustomColors.h"
#include "TColPickDlg.h"
#include "TColorPicker.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

namespace {

QString GlyphName(TColorBtn::TGlyphType type)
{
    switch (type) {
    case TColorBtn::gtForeground: return QStringLiteral("FRCOLOR");
    case TColorBtn::gtBackground: return QStringLiteral("BKCOLOR");
    case TColorBtn::gtLines: return QStringLiteral("LNCOLOR");
    case TColorBtn::gtCustom: break;
    }
    return {};
}

} // namespace

TColorBtn::TColorBtn(QWidget *parent) : TCustomPanel(parent)
{
    SetBevelOuter(bvNone);

    m_colorPart = new TColBtn(this);
    m_colorPart->setObjectName(QStringLiteral("ColorPart"));
    m_colorPart->SetGlyph(ColorButtonImage(GlyphName(m_glyphType)));
    m_colorPart->SetColor(m_activeColor);
    m_colorPart->OnClick = [this](QObject *) { Click(); };

    m_arrowPart = new TSpeedButton(this);
    m_arrowPart->setObjectName(QStringLiteral("ArrowPart"));
    m_arrowPart->SetGlyph(ColorButtonImage(QStringLiteral("DROPDOWN")));
    m_arrowPart->OnClick = [this](QObject *) { DropDown(); };

    SetBounds(x(), y(), width(), 22);
}

TColorBtn::~TColorBtn()
{
    // The drop-down is a window of its own; it must not outlive the button it reports to.
    if (m_dropDown) {
        m_dropDown->hide();
        m_dropDown->deleteLater();
    }
}

void TColorBtn::SetBounds(int left, int top, int width, int height)
{
    height = qMax(0, height);
    if (!IsLoading())
        width = WidthForHeight(height);
    TCustomPanel::SetBounds(left, top, width, height);
    if (!IsLoading())
        ArrangeParts();
}

QSize TColorBtn::sizeHint() const
{
    return {WidthForHeight(height()), height()};
}

void TColorBtn::Loaded()
{
    TCustomPanel::Loaded();
    SetBounds(x(), y(), width(), height());
}

void TColorBtn::resizeEvent(QResizeEvent *event)
{
    TCustomPanel::resizeEvent(event);
    if (IsLoading())
        return;
    // Sizes that did not come through SetBounds (a layout, a plain resize) obey the rule too.
    if (width() != WidthForHeight(height())) {
        resize(WidthForHeight(height()), height());
        return;
    }
    ArrangeParts();
}

void TColorBtn::ArrangeParts()
{
    const int h = height();
    m_colorPart->setGeometry(0, 0, h, h);
    m_arrowPart->setGeometry(h, 0, h / 3 + 6, h);
}

void TColorBtn::SetActiveColor(TColor color)
{
    if (StoreActiveColor(color))
        emit ActiveColorChanged(color);
}

bool TColorBtn::StoreActiveColor(TColor color)
{
    if (m_activeColor == color)
        return false;
    m_activeColor = color;
    m_colorPart->SetColor(color);
    return true;
}

void TColorBtn::SetFlat(bool flat)
{
    if (m_flat == flat)
        return;
    m_flat = flat;
    m_colorPart->SetFlat(flat);
    m_arrowPart->SetFlat(flat);
}

void TColorBtn::SetGlyphType(TGlyphType type)
{
    if (m_glyphType == type)
        return;
    m_glyphType = type;
    m_colorPart->SetGlyph(ColorButtonImage(GlyphName(type)));
}

QImage TColorBtn::Glyph() const
{
    return m_colorPart->Glyph();
}

void TColorBtn::SetGlyph(const QImage &glyph)
{
    m_glyphType = gtCustom;
    m_colorPart->SetGlyph(glyph);
}

void TColorBtn::SetRegKey(const QString &key)
{
    const QString stored = key.isEmpty() ? QStringLiteral("Palette0") : key;
    if (m_regKey == stored)
        return;
    m_regKey = stored;
}

void TColorBtn::DropDown()
{
    QPointer<TColorBtn> self(this);
    if (BeforeDropDown) {
        BeforeDropDown(this);
        if (!self)
            return;
    }
    LoadCustomColors(m_regKey);

    if (m_dropDown) {
        m_dropDown->close();
        m_dropDown = nullptr;
    }

    // The button's bottom-left corner, worked out from the arrow as the layout rule places it.
    const QPoint corner = m_arrowPart->mapToGlobal(QPoint(-m_arrowPart->height(), m_arrowPart->height()));

    auto *dropDown = new TColPickDlg(this);
    TColorPicker *picker = dropDown->ColPick;
    picker->SetAutomaticColor(m_automaticColor);
    picker->SetShowAutomatic(m_isAutomatic);
    picker->SetFlat(m_dropDownFlat);
    picker->SetAutoBtnCaption(m_autoBtnCaption);
    picker->SetOtherBtnCaption(m_otherBtnCaption);
    dropDown->resize(picker->size());

    // Kept on the screen: below the button when there is room, else above it; never past an edge.
    QPoint at = corner;
    const QScreen *screen = QGuiApplication::screenAt(corner);
    if (!screen)
        screen = this->screen();
    if (screen) {
        const QRect room = screen->availableGeometry();
        if (at.y() + dropDown->height() > room.bottom() + 1 && corner.y() - height() - dropDown->height() >= room.top())
            at.setY(corner.y() - height() - dropDown->height());
        at.setX(qBound(room.left(), at.x(), qMax(room.left(), room.right() + 1 - dropDown->width())));
        at.setY(qBound(room.top(), at.y(), qMax(room.top(), room.bottom() + 1 - dropDown->height())));
    }
    dropDown->move(at);

    dropDown->SetCurrentColor(m_targetColor);
    m_dropDown = dropDown;
    dropDown->show();
    dropDown->activateWindow();
    dropDown->setFocus();
}

void TColorBtn::ColorAccepted(TColor color, bool automatic)
{
    m_colorPart->SetColor(color);
    const bool changed = StoreActiveColor(color);
    m_targetColor = color;
    m_automaticChosen = automatic;
    SaveCustomColors(m_regKey);
    QPointer<TColorBtn> self(this);
    if (changed)
        emit ActiveColorChanged(color);
    if (self)
        Click();
}

TColPickDlg *TColorBtn::DropDownWindow() const
{
    return m_dropDown;
}
