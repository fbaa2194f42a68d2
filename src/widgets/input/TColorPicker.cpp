#include "TColorPicker.h"

#include "CustomColors.h"

#include <QColorDialog>
#include <QPainter>
#include <QPointer>
#include <utility>

namespace {

constexpr int kGroup = 1;
constexpr int kAutomaticRoom = 22; // what the Automatic button's row takes
constexpr int kWidth = 170;
constexpr int kFullHeight = 210;

} // namespace

TColorPicker::TColorPicker(QWidget *parent) : TCustomPanel(parent)
{
    m_automatic = MakeCell(m_automaticColor, kAutomaticTag);
    m_automatic->SetCaption(QStringLiteral("Automatic"));
    for (int i = 0; i < kPaletteCount; ++i)
        m_palette[size_t(i)] = MakeCell(kPalette[size_t(i)], 0);
    const TCustomColorTable &custom = CustomColors();
    for (int i = 0; i < kCustomColorCount; ++i) {
        TColBtn *cell = MakeCell(custom[size_t(i)], i);
        cell->OnMouseDown = [this, i](QObject *, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
            CustomCellMouseDown(i, button);
        };
        m_custom[size_t(i)] = cell;
    }
    m_otherSwatch = MakeCell(clWindow, 0);
    m_otherButton = new TSpeedButton(this);
    m_otherButton->SetCaption(QStringLiteral("&Other colors..."));
    m_otherButton->SetFlat(m_flat);
    m_otherButton->OnClick = [this](QObject *) { OtherButtonClick(); };
    ArrangeButtons();
}

TColBtn *TColorPicker::MakeCell(TColor color, int tag)
{
    auto *cell = new TColBtn(this);
    cell->SetColor(color);
    cell->SetTag(tag);
    cell->SetGroupIndex(kGroup);
    cell->SetFlat(m_flat);
    cell->OnClick = [this](QObject *sender) { ColorButtonClick(sender); };
    return cell;
}

void TColorPicker::ArrangeButtons()
{
    const int shift = m_showAutomatic ? 0 : -kAutomaticRoom;
    m_automatic->setVisible(m_showAutomatic);
    m_automatic->setGeometry(5, 4, 160, kButtonHeight);
    for (int i = 0; i < kPaletteCount; ++i)
        m_palette[size_t(i)]->setGeometry(5 + 20 * (i % 8), 30 + shift + 20 * (i / 8), 20, kButtonHeight);
    for (int i = 0; i < kCustomColorCount; ++i)
        m_custom[size_t(i)]->setGeometry(5 + 20 * (i % 8), 140 + shift + 20 * (i / 8), 20, kButtonHeight);
    m_otherSwatch->setGeometry(5, 185 + shift, 20, kButtonHeight);
    m_otherButton->setGeometry(25, 185 + shift, 140, kButtonHeight);
    resize(kWidth, kFullHeight + shift);
    update();
}

QRect TColorPicker::SeparatorRect() const
{
    return QRect(5, 135 - (m_showAutomatic ? 0 : kAutomaticRoom), 160, 2);
}

void TColorPicker::SetAutomaticColor(TColor color)
{
    if (m_automaticColor == color)
        return;
    m_automaticColor = color;
    m_automatic->SetColor(color);
}

void TColorPicker::SetShowAutomatic(bool show)
{
    if (m_showAutomatic == show)
        return;
    m_showAutomatic = show;
    ArrangeButtons();
}

void TColorPicker::SetFlat(bool flat)
{
    if (m_flat == flat)
        return;
    m_flat = flat;
    const auto buttons = findChildren<TSpeedButton *>(Qt::FindDirectChildrenOnly);
    for (TSpeedButton *button : buttons)
        button->SetFlat(flat);
}

QString TColorPicker::AutoBtnCaption() const
{
    return m_automatic->Caption();
}

void TColorPicker::SetAutoBtnCaption(const QString &caption)
{
    m_automatic->SetCaption(caption);
}

QString TColorPicker::OtherBtnCaption() const
{
    return m_otherButton->Caption();
}

void TColorPicker::SetOtherBtnCaption(const QString &caption)
{
    m_otherButton->SetCaption(caption);
}

void TColorPicker::MarkColor(TColor color)
{
    m_chosenColor = color;
    m_automaticChosen = false;
    auto pressMatches = [color](const auto &cells) {
        bool found = false;
        for (TColBtn *cell : cells) {
            if (cell->Color() == color) {
                cell->SetDown(true);
                found = true;
            }
        }
        return found;
    };
    if (pressMatches(m_palette) || pressMatches(m_custom))
        return;
    m_otherSwatch->SetColor(color);
    m_otherSwatch->SetDown(true);
}

void TColorPicker::ColorButtonClick(QObject *sender)
{
    const auto *button = qobject_cast<TColBtn *>(sender);
    if (!button)
        return;
    m_chosenColor = button->Color();
    m_automaticChosen = button->Tag() == kAutomaticTag;
    if (OnColorChosen)
        OnColorChosen(this);
}

void TColorPicker::CustomCellMouseDown(int index, Qt::MouseButton button)
{
    if (button != Qt::RightButton)
        return;
    QPointer<TColBtn> cell = m_custom[size_t(index)];
    EditColor(cell->Color(), [cell, index](TColor color) {
        if (cell)
            cell->SetColor(color);
        CustomColors()[size_t(index)] = color;
    });
}

void TColorPicker::OtherButtonClick()
{
    EditColor(m_otherSwatch->Color(), [this](TColor color) { m_otherSwatch->SetColor(color); });
}

QColorDialog *TColorPicker::ColorDialog()
{
    if (!m_dialog) {
        m_dialog = new QColorDialog(QColor(Qt::black), this);
        // Qt's own dialog everywhere: the same full form with its custom colours on every desktop.
        m_dialog->setOption(QColorDialog::DontUseNativeDialog);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        connect(m_dialog, &QDialog::finished, this, &TColorPicker::DialogFinished);
    }
    return m_dialog;
}

bool TColorPicker::EditColor(TColor initial, std::function<void(TColor)> accepted)
{
    if (m_dialogOpen)
        return false;
    QColorDialog *dialog = ColorDialog();
    const TCustomColorTable &custom = CustomColors();
    for (int i = 0; i < kCustomColorCount; ++i)
        QColorDialog::setCustomColor(i, ToQColor(custom[size_t(i)]));
    dialog->setCurrentColor(ToQColor(initial));
    m_dialogAccepted = std::move(accepted);
    m_dialogOpen = true;
    QPointer<TColorPicker> self(this);
    if (OnColorDialog)
        OnColorDialog(this, true);
    if (!self)
        return false;
    // Shown rather than exec'd: no nested event loop runs under the popup and the button that was
    // pressed, and the popup keeps track of the dialog through OnColorDialog.
    dialog->show();
    dialog->activateWindow();
    return true;
}

void TColorPicker::DialogFinished(int result)
{
    QPointer<TColorPicker> self(this);
    const auto accepted = std::exchange(m_dialogAccepted, nullptr);
    if (result == QDialog::Accepted && accepted)
        accepted(FromQColor(m_dialog->selectedColor()));
    m_dialogOpen = false;
    if (self && OnColorDialog)
        OnColorDialog(this, false);
}

void TColorPicker::Paint(QPainter &painter)
{
    TCustomPanel::Paint(painter);
    QRect line = SeparatorRect();
    Frame3D(painter, line, ToQColor(clBtnShadow), ToQColor(clBtnHighlight), 1);
}
