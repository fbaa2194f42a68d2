#include "TDBNavigator.h"

#include "Dialogs.h"
#include "TApplication.h"
#include "TDataLink.h"
#include "TSpeedButton.h"
#include "TTable.h"

#include <QEvent>
#include <QMetaEnum>
#include <QPointer>

namespace {

// The pictures, 11 x 11: '#' is black, '.' shows the button face. The mirrored ones (next,
// last) are made from prior and first.
constexpr const char *kFirst[] = {
    "...........",
    ".##.....#..",
    ".##....##..",
    ".##...###..",
    ".##..####..",
    ".##.#####..",
    ".##..####..",
    ".##...###..",
    ".##....##..",
    ".##.....#..",
    "...........",
};
constexpr const char *kPrior[] = {
    "...........",
    ".......#...",
    "......##...",
    ".....###...",
    "....####...",
    "...#####...",
    "....####...",
    ".....###...",
    "......##...",
    ".......#...",
    "...........",
};
constexpr const char *kInsert[] = {
    "...........",
    "....##.....",
    "....##.....",
    "....##.....",
    ".########..",
    ".########..",
    "....##.....",
    "....##.....",
    "....##.....",
    "...........",
    "...........",
};
constexpr const char *kDelete[] = {
    "...........",
    "...........",
    "...........",
    "...........",
    ".########..",
    ".########..",
    "...........",
    "...........",
    "...........",
    "...........",
    "...........",
};
constexpr const char *kEdit[] = {
    "...........",
    "...........",
    "...........",
    ".....#.....",
    "....###....",
    "...#####...",
    "..#######..",
    ".#########.",
    "...........",
    "...........",
    "...........",
};
constexpr const char *kPost[] = {
    "...........",
    ".........#.",
    "........##.",
    ".......###.",
    ".#....###..",
    ".##..###...",
    ".######....",
    "..####.....",
    "...##......",
    "...........",
    "...........",
};
constexpr const char *kCancel[] = {
    "...........",
    ".##....##..",
    ".###..###..",
    "..######...",
    "...####....",
    "...####....",
    "..######...",
    ".###..###..",
    ".##....##..",
    "...........",
    "...........",
};
constexpr const char *kRefresh[] = {
    "...........",
    "...#####.#.",
    "..##...###.",
    ".##....###.",
    ".#....####.",
    ".#.........",
    ".#.......#.",
    ".##.....##.",
    "..##...##..",
    "...#####...",
    "...........",
};

constexpr int kGlyphSize = 11;

QImage Picture(const char *const (&rows)[kGlyphSize], bool mirrored)
{
    // The face colour: it stands in the bottom-left corner and is left out when painting.
    const QRgb face = qRgb(192, 192, 192);
    QImage image(kGlyphSize, kGlyphSize, QImage::Format_RGB32);
    for (int y = 0; y < kGlyphSize; ++y)
        for (int x = 0; x < kGlyphSize; ++x) {
            const char pixel = rows[y][mirrored ? kGlyphSize - 1 - x : x];
            image.setPixel(x, y, pixel == '#' ? qRgb(0, 0, 0) : face);
        }
    return image;
}

const char *const kDefaultHints[TDBNavigator::ButtonCount] = {
    "First record", "Prior record", "Next record", "Last record", "Insert record",
    "Delete record", "Edit record", "Post edit", "Cancel edit", "Refresh data",
};

} // namespace

// Hands the table's notifications to the navigator.
class TDBNavigatorLink : public TDataLink
{
public:
    explicit TDBNavigatorLink(TDBNavigator *navigator) : m_navigator(navigator) {}

protected:
    void ActiveChanged() override { m_navigator->ActiveChanged(); }
    void EditingChanged() override { m_navigator->EditingChanged(); }
    void DataSetChanged() override { m_navigator->DataChanged(); }

private:
    TDBNavigator *m_navigator;
};

TDBNavigator::TButtonSet TDBNavigator::SetOf(std::initializer_list<TNavigateBtn> buttons)
{
    TButtonSet set;
    for (TNavigateBtn button : buttons)
        set |= Bit(button);
    return set;
}

QStringList TDBNavigator::DefaultHints()
{
    QStringList hints;
    for (const char *hint : kDefaultHints)
        hints << QString::fromLatin1(hint);
    return hints;
}

QImage TDBNavigator::ButtonGlyph(TNavigateBtn button)
{
    switch (button) {
    case nbFirst: return Picture(kFirst, false);
    case nbPrior: return Picture(kPrior, false);
    case nbNext: return Picture(kPrior, true);
    case nbLast: return Picture(kFirst, true);
    case nbInsert: return Picture(kInsert, false);
    case nbDelete: return Picture(kDelete, false);
    case nbEdit: return Picture(kEdit, false);
    case nbPost: return Picture(kPost, false);
    case nbCancel: return Picture(kCancel, false);
    case nbRefresh: return Picture(kRefresh, false);
    }
    return QImage();
}

TDBNavigator::TDBNavigator(QWidget *parent)
    : QWidget(parent), m_link(std::make_unique<TDBNavigatorLink>(this))
{
    for (int i = 0; i < ButtonCount; ++i) {
        const auto which = TNavigateBtn(i);
        auto *button = new TSpeedButton(this);
        button->setObjectName(QString::fromLatin1(QMetaEnum::fromType<TNavigateBtn>().valueToKey(which)));
        button->SetGlyph(ButtonGlyph(which));
        button->OnClick = [this, which](QObject *) { RunGuarded([&] { BtnClick(which); }); };
        m_buttons[i] = button;
    }
    resize(241, 25);
    ApplyHints();
    ActiveChanged();
}

TDBNavigator::~TDBNavigator()
{
    m_link.reset();
}

TSpeedButton *TDBNavigator::Button(TNavigateBtn button) const
{
    return button < ButtonCount ? m_buttons[button] : nullptr;
}

TDataSource *TDBNavigator::DataSource() const
{
    return m_link->DataSource();
}

void TDBNavigator::SetDataSource(TDataSource *source)
{
    if (m_link->DataSource() == source)
        return;
    m_link->SetDataSource(source);
    ActiveChanged();
}

TTable *TDBNavigator::Table() const
{
    return m_link->DataSet();
}

void TDBNavigator::SetHint(const QString &hint)
{
    if (m_hint == hint)
        return;
    m_hint = hint;
    ApplyHints();
}

void TDBNavigator::SetShowHint(bool show)
{
    if (m_showHint == show)
        return;
    m_showHint = show;
    ApplyHints();
}

void TDBNavigator::SetHints(const QStringList &hints)
{
    if (m_hints == hints)
        return;
    m_hints = hints;
    ApplyHints();
}

QString TDBNavigator::ButtonHint(TNavigateBtn button) const
{
    if (button >= ButtonCount)
        return QString();
    const QString own = m_hints.value(button);
    return own.isEmpty() ? QString::fromLatin1(kDefaultHints[button]) : own;
}

void TDBNavigator::ApplyHints()
{
    setToolTip(m_showHint ? m_hint : QString());
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[i]->SetHint(m_showHint ? ButtonHint(TNavigateBtn(i)) : QString());
}

void TDBNavigator::SetFlat(bool flat)
{
    if (m_flat == flat)
        return;
    m_flat = flat;
    for (TSpeedButton *button : m_buttons)
        button->SetFlat(flat);
}

void TDBNavigator::SetVisibleButtons(TButtonSet buttons)
{
    buttons &= AllButtons();
    if (m_visibleButtons == buttons)
        return;
    m_visibleButtons = buttons;
    LayoutButtons();
}

void TDBNavigator::Loaded()
{
    LayoutButtons();
    ApplyHints();
    ActiveChanged();
}

void TDBNavigator::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, width, height);
    LayoutButtons();
}

void TDBNavigator::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayoutButtons();
}

void TDBNavigator::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        ActiveChanged();
}

void TDBNavigator::LayoutButtons()
{
    int count = 0;
    for (int i = 0; i < ButtonCount; ++i)
        count += m_visibleButtons.testFlag(Bit(TNavigateBtn(i))) ? 1 : 0;
    if (count == 0) {
        for (TSpeedButton *button : m_buttons)
            button->hide();
        return;
    }
    // Each button gets the same width; the pixels left over go one each to buttons spread
    // along the row, so the row fills the navigator exactly.
    const int base = width() / count;
    const int remain = width() - base * count;
    int x = 0;
    int shown = 0;
    for (int i = 0; i < ButtonCount; ++i) {
        TSpeedButton *button = m_buttons[i];
        if (!m_visibleButtons.testFlag(Bit(TNavigateBtn(i)))) {
            button->hide();
            continue;
        }
        const int extra = ((shown + 1) * remain) / count - (shown * remain) / count;
        button->setGeometry(x, 0, base + extra, height());
        button->show();
        x += base + extra;
        ++shown;
    }
}

void TDBNavigator::ActiveChanged()
{
    if (isEnabled() && m_link->Active()) {
        DataChanged();
        EditingChanged();
        return;
    }
    for (TSpeedButton *button : m_buttons)
        button->SetEnabled(false);
}

void TDBNavigator::DataChanged()
{
    const TTable *table = Table();
    const bool active = isEnabled() && m_link->Active() && table;
    const bool bof = active && table->Bof();
    const bool eof = active && table->Eof();
    Button(nbFirst)->SetEnabled(active && !bof);
    Button(nbPrior)->SetEnabled(active && !bof);
    Button(nbNext)->SetEnabled(active && !eof);
    Button(nbLast)->SetEnabled(active && !eof);
    Button(nbDelete)->SetEnabled(active && table->CanModify() && !(bof && eof));
    Button(nbRefresh)->SetEnabled(active);
}

void TDBNavigator::EditingChanged()
{
    const TTable *table = Table();
    const bool canModify = isEnabled() && m_link->Active() && table && table->CanModify();
    const bool editing = m_link->Editing();
    Button(nbInsert)->SetEnabled(canModify);
    Button(nbEdit)->SetEnabled(canModify && !editing);
    Button(nbPost)->SetEnabled(canModify && editing);
    Button(nbCancel)->SetEnabled(canModify && editing);
}

void TDBNavigator::BtnClick(TNavigateBtn button)
{
    const QPointer<TDBNavigator> self(this);
    TTable *table = Table();
    if (table && m_link->Active()) {
        if (BeforeAction) {
            BeforeAction(this, button);
            if (!self)
                return;
            // The handler may have closed the table or unbound the navigator.
            table = Table();
            if (!table || !table->Active())
                table = nullptr;
        }
        if (table) {
            switch (button) {
            case nbFirst: table->First(); break;
            case nbPrior: table->Prior(); break;
            case nbNext: table->Next(); break;
            case nbLast: table->Last(); break;
            case nbInsert: table->Insert(); break;
            case nbEdit: table->Edit(); break;
            case nbPost: table->Post(); break;
            case nbCancel: table->Cancel(); break;
            case nbRefresh: table->Refresh(); break;
            case nbDelete: {
                if (!m_confirmDelete) {
                    table->Delete();
                    break;
                }
                const QPointer<TTable> guarded(table);
                const bool yes = MessageDlg(QStringLiteral("Delete record?"), mtConfirmation, {mrOk, mrCancel}, mrOk, mrCancel) == mrOk;
                // The box ran its own event loop: the navigator or its table may be gone by now.
                if (!self)
                    return;
                if (yes && guarded && guarded == Table() && guarded->Active())
                    guarded->Delete();
                break;
            }
            }
        }
    }
    if (self && OnClick)
        OnClick(this, button);
}
