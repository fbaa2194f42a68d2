#include "VornDBControls.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "TApplication.h"
#include "TField.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMetaEnum>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <limits>

// Resources of a static library are registered by hand, outside any namespace.
static void InitVornNavResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(vornnav);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

using namespace VornNav;

// The navigator's string table: its default hints in button order and its two questions.
struct TVornNavStrings
{
    QStringList Hints{
        QStringLiteral("First Record"),   QStringLiteral("Prior Set"),      QStringLiteral("Prior Record"),
        QStringLiteral("Next Record"),    QStringLiteral("Next Set"),       QStringLiteral("Last Record"),
        QStringLiteral("Insert Record"),  QStringLiteral("Delete Record"),  QStringLiteral("Edit Record"),
        QStringLiteral("Post Changes"),   QStringLiteral("Cancel Changes"), QStringLiteral("Refresh Data"),
        QStringLiteral("Set Bookmark"),   QStringLiteral("Goto Bookmark"),  QStringLiteral("Clear Bookmark"),
        QStringLiteral("Enter Filter Criteria"), QStringLiteral("Apply Filter"), QStringLiteral("Cancel Filter"),
        QStringLiteral("Copy Record"),    QStringLiteral("Print List"),     QStringLiteral("Print Record"),
    };
    QString ConfirmCancel = QStringLiteral("Are you sure you want to cancel the Changes to the Record ?");
    QString ConfirmDelete = QStringLiteral("Are you sure you want to Delete the Record(s) ?");
};

const TVornNavStrings &NavStrings()
{
    static const TVornNavStrings strings;
    return strings;
}

// The group a button belongs to for spacing: 1 moves, 2 edits, 3 bookmarks and filter, 4 copy,
// 5 print.
int ButtonGroup(int button)
{
    if (button <= nbLast)
        return 1;
    if (button <= nbRefresh)
        return 2;
    if (button <= nbCancelFilter)
        return 3;
    if (button == nbCopyRecord)
        return 4;
    return 5;
}

// An image list's picture as a two-image glyph: the picture, then a greyed copy, over the
// transparent silver.
QImage GlyphFromImage(const QImage &picture)
{
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    QImage glyph(source.width() * 2, source.height(), QImage::Format_RGB32);
    glyph.fill(ToQColor(clSilver));
    QImage greyed = source;
    for (int y = 0; y < greyed.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(greyed.scanLine(y));
        for (int x = 0; x < greyed.width(); ++x) {
            const int grey = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
        }
    }
    QPainter painter(&glyph);
    painter.drawImage(0, 0, source);
    painter.drawImage(source.width(), 0, greyed);
    return glyph;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TVornDBText

TVornDBText::TVornDBText(QWidget *parent) : TVornCustomLabel(parent)
{
    // Its own colour is the window colour; while ParentColor is on (the default) the container's
    // shows instead.
    SetColor(clWindow);
    SetParentColor(true);
    // A new widget keeps its 65 x 17 until it shows something.
    const QRect bounds = geometry();
    SetAutoSize(true);
    SetShowAccelChar(false);
    setGeometry(bounds);
    m_dataLink.OnDataChange = [this] { DataChange(); };
    m_dataLink.OnActiveChange = [this] {
        if (!m_dataLink.Active())
            m_missingReported = false;
    };
}

TVornDBText::~TVornDBText()
{
    m_dataLink.OnDataChange = nullptr;
    m_dataLink.OnActiveChange = nullptr;
}

void TVornDBText::SetDataSource(TDataSource *source)
{
    if (source != m_dataLink.DataSource())
        m_missingReported = false;
    m_dataLink.SetDataSource(source);
    CheckFieldFound();
}

void TVornDBText::SetDataField(const QString &name)
{
    if (name != m_dataLink.FieldName())
        m_missingReported = false;
    m_dataLink.SetFieldName(name);
    CheckFieldFound();
}

void TVornDBText::CheckFieldFound()
{
    // Reported once each time the field is looked up and not found. The check runs last in a
    // notification, so that the table and the other widgets have heard everything first.
    if (!m_dataLink.FieldMissing() || m_missingReported)
        return;
    m_missingReported = true;
    SetCaption(QString());
    throw EDatabaseError(QStringLiteral("%1: %2").arg(objectName(), QStringLiteral("Field '%1' not found").arg(m_dataLink.FieldName())));
}

QString TVornDBText::FieldText() const
{
    if (TField *field = m_dataLink.Field())
        return field->DisplayText();
    return QString();
}

void TVornDBText::DataChange()
{
    SetCaption(FieldText());
    CheckFieldFound();
}

// ---------------------------------------------------------------------------------------------
// TImageList

int TImageList::Add(const QImage &image)
{
    m_images.append(image);
    Notify();
    return int(m_images.size()) - 1;
}

void TImageList::Replace(int index, const QImage &image)
{
    if (index < 0 || index >= m_images.size())
        throw EInvalidOperation(QStringLiteral("List index out of bounds (%1)").arg(index));
    m_images[index] = image;
    Notify();
}

void TImageList::Clear()
{
    m_images.clear();
    Notify();
}

void TImageList::Notify()
{
    if (OnChange)
        OnChange(this);
    emit Changed();
}

// ---------------------------------------------------------------------------------------------
// TVornNavButton

TVornNavButton::TVornNavButton(TVornDBNavigator *navigator) : TSpeedButton(navigator), m_navigator(navigator) {}

bool TVornNavButton::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && !m_navigator->ShowHint())
        return true;
    return TSpeedButton::event(event);
}

void TVornNavButton::Paint(QPainter &painter)
{
    TSpeedButton::Paint(painter);
    if (!m_navigator->hasFocus() || m_navigator->FocusedButton() != m_index)
        return;
    QRect focus = rect().adjusted(3, 3, -3, -3);
    if (State() == bsDown)
        focus.translate(1, 1);
    if (focus.isEmpty())
        return;
    // A dotted frame that inverts every other pixel, so that it shows on any face.
    TCanvas canvas(painter);
    auto invert = [&canvas](int x, int y) {
        if ((x + y) % 2 == 0)
            canvas.SetPixel(x, y, TColorFromBits(quint32(ColorToRGB(canvas.Pixel(x, y))) ^ 0xFFFFFFu));
    };
    for (int x = focus.left(); x <= focus.right(); ++x) {
        invert(x, focus.top());
        if (focus.bottom() != focus.top())
            invert(x, focus.bottom());
    }
    for (int y = focus.top() + 1; y < focus.bottom(); ++y) {
        invert(focus.left(), y);
        if (focus.right() != focus.left())
            invert(focus.right(), y);
    }
}

void TVornNavButton::changeEvent(QEvent *event)
{
    TSpeedButton::changeEvent(event);
    if (event->type() != QEvent::EnabledChange || isEnabled())
        return;
    // A move button held down to the end of the table is disabled under the mouse, and Qt no
    // longer delivers the release to it: end the hold here, or the button would stay pressed and
    // start repeating again as soon as it is enabled.
    if (m_repeatTimer)
        m_repeatTimer->stop();
    if (MouseCaptured()) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        TSpeedButton::mouseReleaseEvent(&release);
    }
}

void TVornNavButton::mousePressEvent(QMouseEvent *event)
{
    QPointer<TVornNavButton> self(this);
    TSpeedButton::mousePressEvent(event);
    if (!self)
        return;
    m_navigator->ButtonPressed(this);
    if (!self || !(m_navStyle & nsAllowTimer) || event->button() != Qt::LeftButton || !isEnabled())
        return;
    if (!m_repeatTimer) {
        m_repeatTimer = new QTimer(this);
        connect(m_repeatTimer, &QTimer::timeout, this, &TVornNavButton::TimerExpired);
    }
    m_repeatTimer->setInterval(400);
    m_repeatTimer->start();
}

void TVornNavButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_repeatTimer)
        m_repeatTimer->stop();
    TSpeedButton::mouseReleaseEvent(event);
}

void TVornNavButton::TimerExpired()
{
    m_repeatTimer->setInterval(100);
    if (State() != bsDown || !MouseCaptured())
        return;
    QPointer<TVornNavButton> self(this);
    // A timer slot has no handler above it to end: the failure goes to the application's.
    if (!RunGuarded([this] { Click(); }) && self)
        m_repeatTimer->stop();
}

// ---------------------------------------------------------------------------------------------
// TVornNavDataLink

void TVornNavDataLink::ActiveChanged()
{
    if (m_navigator)
        m_navigator->ActiveChanged();
}

void TVornNavDataLink::EditingChanged()
{
    if (m_navigator)
        m_navigator->EditingChanged();
}

void TVornNavDataLink::DataSetChanged()
{
    if (m_navigator)
        m_navigator->DataChanged();
}

// ---------------------------------------------------------------------------------------------
// TVornDBNavigator

const QStringList &TVornDBNavigator::DefaultHints()
{
    return NavStrings().Hints;
}

QString TVornDBNavigator::GlyphResourceName(TVornNavBtns button)
{
    // "nbFirst" gives "VORNNB_FIRST".
    const char *key = QMetaEnum::fromType<TVornNavBtns>().valueToKey(button);
    return QStringLiteral("VORNNB_%1").arg(QString::fromLatin1(key).mid(2).toUpper());
}

TVornDBNavigator::TVornDBNavigator(QWidget *parent) : TVornCustomPanel(parent)
{
    InitVornNavResources();
    setFocusPolicy(Qt::NoFocus);
    Bevel()->SetBevelInner(TVornBevel::bvNone);
    Bevel()->SetBevelOuter(TVornBevel::bvNone);

    const int side = Bevel()->BevelSideSize() + 1;
    int x = side;
    for (int i = 0; i < ButtonCount; ++i) {
        auto *button = new TVornNavButton(this);
        button->SetFlat(m_flat);
        button->SetIndex(TVornNavBtns(i));
        button->setVisible(m_visibleButtons.Contains(TVornNavBtns(i)));
        button->setGeometry(x, side, MinBtnSize, MinBtnSize);
        x += MinBtnSize;
        button->SetGlyph(QImage(QStringLiteral(":/vornnav/") + GlyphResourceName(TVornNavBtns(i)), "XPM"));
        button->OnClick = [this, button](QObject *) { ButtonAction(button->Index()); };
        m_buttons[i] = button;
    }
    InitHints();
    for (TVornNavBtns repeating : {nbPriorSet, nbPrior, nbNext, nbNextSet})
        m_buttons[repeating]->SetNavStyle(m_buttons[repeating]->NavStyle() | TVornNavButton::nsAllowTimer);
    SetBounds(Left(), Top(), 150, 30);
    m_confirmCancelText = NavStrings().ConfirmCancel;
    m_confirmDeleteText = NavStrings().ConfirmDelete;
    ActiveChanged();
}

TVornDBNavigator::~TVornDBNavigator()
{
    disconnect(m_sourceDestroyed);
    disconnect(m_imagesChanged);
    ReleaseBookmark();
}

void TVornDBNavigator::Loaded()
{
    TVornCustomPanel::Loaded();
    Relayout();
    InitHints();
    ActiveChanged();
}

void TVornDBNavigator::SetAlign(TAlign align)
{
    if ((align == alLeft || align == alRight) && m_orientation == orHorizontal) {
        ::SetAlign(this, ::alNone);
        SetOrientation(orVertical);
    } else if ((align == alTop || align == alBottom) && m_orientation == orVertical) {
        ::SetAlign(this, ::alNone);
        SetOrientation(orHorizontal);
    }
    m_align = align;
    ::SetAlign(this, ::TAlign(align));
}

void TVornDBNavigator::SetDataSource(TDataSource *source)
{
    ReleaseBookmark();
    disconnect(m_sourceDestroyed);
    m_dataLink.SetDataSource(source);
    if (!IsLoading())
        ActiveChanged();
    if (source)
        m_sourceDestroyed = connect(source, &QObject::destroyed, this, [this] { SetDataSource(nullptr); });
}

void TVornDBNavigator::SetFlat(bool flat)
{
    if (m_flat == flat)
        return;
    m_flat = flat;
    for (TVornNavButton *button : m_buttons)
        button->SetFlat(flat);
}

void TVornDBNavigator::SetGroupSpace(int space)
{
    if (m_groupSpace == space)
        return;
    m_groupSpace = space;
    if (!IsLoading())
        Relayout();
}

void TVornDBNavigator::SetHints(const QStringList &hints)
{
    if (hints.join(QLatin1Char('\n')) == DefaultHints().join(QLatin1Char('\n')))
        m_hints.clear();
    else
        m_hints = hints;
    InitHints();
}

void TVornDBNavigator::InitHints()
{
    const QStringList &defaults = DefaultHints();
    for (int i = 0; i < ButtonCount; ++i) {
        QString hint = defaults.at(i);
        if (i < m_hints.size() && !m_hints.at(i).isEmpty())
            hint = m_hints.at(i);
        m_buttons[i]->SetHint(hint);
    }
}

void TVornDBNavigator::SetImages(TImageList *images)
{
    if (m_images == images)
        return;
    disconnect(m_imagesChanged);
    m_images = images;
    if (images) {
        m_imagesChanged = connect(images, &TImageList::Changed, this, &TVornDBNavigator::ImagesChanged);
        // A list that goes away leaves the built-in glyphs.
        connect(images, &QObject::destroyed, this, [this] { LoadGlyphs(); });
    }
    LoadGlyphs();
}

void TVornDBNavigator::ImagesChanged()
{
    QPointer<TImageList> images = m_images;
    m_images = nullptr;
    LoadGlyphs();
    m_images = images;
    LoadGlyphs();
}

void TVornDBNavigator::LoadGlyphs()
{
    for (int i = 0; i < ButtonCount; ++i) {
        if (!m_images) {
            m_buttons[i]->SetGlyph(QImage(QStringLiteral(":/vornnav/") + GlyphResourceName(TVornNavBtns(i)), "XPM"));
        } else if (i < m_images->Count()) {
            m_buttons[i]->SetGlyph(QImage());
            m_buttons[i]->SetGlyph(GlyphFromImage(m_images->Image(i)));
        }
    }
    update();
}

void TVornDBNavigator::SetMoveBySet(int count)
{
    if (count < 2)
        throw EInvalidOperation(QStringLiteral("MoveBy number should be at least 2 !"));
    m_moveBySet = count;
}

void TVornDBNavigator::SetOrientation(TVornNavOrientation orientation)
{
    if (m_orientation == orientation)
        return;
    m_orientation = orientation;
    const bool swap = (orientation == orVertical && width() >= height())
        || (orientation == orHorizontal && height() >= width());
    if (swap)
        SetBounds(Left(), Top(), height(), width());
    else if (!IsLoading())
        Relayout();
}

void TVornDBNavigator::SetShowHint(bool show)
{
    m_showHint = show;
}

void TVornDBNavigator::SetTabStop(bool tabStop)
{
    if (m_tabStop == tabStop)
        return;
    m_tabStop = tabStop;
    setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
}

void TVornDBNavigator::SetVisibleButtons(TVornNavBtnSet buttons)
{
    if (m_visibleButtons == buttons)
        return;
    m_visibleButtons = buttons;
    for (int i = 0; i < ButtonCount; ++i)
        m_buttons[i]->setVisible(buttons.Contains(TVornNavBtns(i)));
    if (!IsLoading())
        Relayout();
    update();
}

// ---- layout

void TVornDBNavigator::AdjustSize(int &width, int &height)
{
    if (IsLoading() || !m_buttons[ButtonCount - 1])
        return;
    // In 64 bits: a bevel or a group space can be as wide as an int holds, and sums of them
    // overflow. Sizes end within what a widget can take, positions within an int.
    const auto toInt = [](qint64 value) {
        return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    const auto toSize = [](qint64 value) { return int(std::clamp<qint64>(value, 0, QWIDGETSIZE_MAX)); };
    const qint64 side = qint64(Bevel()->BevelSideSize()) + 1 + WindowEdgeWidth();
    qint64 count = 0;
    bool groupUsed[6] = {};
    for (int i = 0; i < ButtonCount; ++i) {
        if (m_visibleButtons.Contains(TVornNavBtns(i))) {
            ++count;
            groupUsed[ButtonGroup(i)] = true;
        }
    }
    if (count == 0)
        count = 1;
    const qint64 groups = int(groupUsed[2]) + int(groupUsed[3]) + int(groupUsed[4]) + int(groupUsed[5]);
    const qint64 gaps = groups * m_groupSpace;
    const bool horizontal = m_orientation == orHorizontal;
    // Along: the axis the buttons are lined up on; across: the other one.
    int &alongSize = horizontal ? width : height;
    int &acrossSize = horizontal ? height : width;
    const qint64 minAlong = 2 * side + count * MinBtnSize + gaps;
    const qint64 minAcross = 2 * side + MinBtnSize;
    qint64 along = std::max<qint64>(alongSize, minAlong);
    acrossSize = toSize(std::max<qint64>(acrossSize, minAcross));

    const qint64 buttonAcross = qint64(horizontal ? this->height() : this->width()) - 2 * side;
    const qint64 buttonAlong = (along - 2 * side - gaps) / count;
    m_buttonWidth = toInt(horizontal ? buttonAlong : buttonAcross);
    m_buttonHeight = toInt(horizontal ? buttonAcross : buttonAlong);
    const qint64 used = 2 * side + count * buttonAlong + gaps;
    if (AlignOf(this) == ::alNone)
        along = used;
    const qint64 remain = along - used;
    alongSize = toSize(along);
    qint64 accumulator = count / 2;

    qint64 position = side;
    bool groupStarted[6] = {};
    // A button beyond any widget's reach is as hidden there as anywhere further out, and its
    // right and bottom edges must still be within an int.
    const auto toPosition = [](qint64 value) { return int(std::clamp<qint64>(value, -4 * qint64(QWIDGETSIZE_MAX), 4 * qint64(QWIDGETSIZE_MAX))); };
    const auto place = [&](TVornNavButton *button, qint64 x, qint64 y, qint64 w, qint64 h) {
        button->setGeometry(toPosition(x), toPosition(y), toSize(w), toSize(h));
    };
    for (int i = 0; i < ButtonCount; ++i) {
        TVornNavButton *button = m_buttons[i];
        if (!m_visibleButtons.Contains(TVornNavBtns(i))) {
            if (horizontal)
                place(button, qint64(this->width()) + 1, side, buttonAlong, buttonAcross);
            else
                place(button, side, qint64(this->height()) + 1, buttonAcross, buttonAlong);
            continue;
        }
        qint64 extra = 0;
        if (remain != 0) {
            accumulator -= remain;
            if (accumulator < 0) {
                accumulator += count;
                extra = 1;
            }
        }
        const int group = ButtonGroup(i);
        if (group >= 2 && !groupStarted[group]) {
            groupStarted[group] = true;
            position += m_groupSpace;
        }
        if (horizontal)
            place(button, position, side, buttonAlong + extra, buttonAcross);
        else
            place(button, side, position, buttonAcross, buttonAlong + extra);
        position += buttonAlong + extra;
    }
}

void TVornDBNavigator::SetBounds(int left, int top, int width, int height)
{
    AdjustSize(width, height);
    TVornCustomPanel::SetBounds(left, top, width, height);
    Relayout();
}

void TVornDBNavigator::Relayout()
{
    if (m_adjusting || IsLoading())
        return;
    m_adjusting = true;
    int w = width();
    int h = height();
    AdjustSize(w, h);
    if (w != width() || h != height()) {
        resize(w, h);
        // The button height follows the navigator's own size: lay out once more at the new one.
        w = width();
        h = height();
        AdjustSize(w, h);
    }
    m_adjusting = false;
}

void TVornDBNavigator::resizeEvent(QResizeEvent *event)
{
    TVornCustomPanel::resizeEvent(event);
    Relayout();
}

void TVornDBNavigator::BevelChanged(QObject *sender)
{
    TVornCustomPanel::BevelChanged(sender);
    if (!IsLoading())
        Relayout();
    update();
}

// ---- enabled states

void TVornDBNavigator::SetButtonEnabled(TVornNavBtns button, bool enabled)
{
    if (m_buttons[button])
        m_buttons[button]->SetEnabled(enabled);
}

void TVornDBNavigator::ActiveChanged()
{
    if (isEnabled() && m_dataLink.Active()) {
        DataChanged();
        EditingChanged();
    } else {
        for (int i = 0; i < ButtonCount; ++i)
            SetButtonEnabled(TVornNavBtns(i), false);
    }
}

void TVornDBNavigator::DataChanged()
{
    const bool active = isEnabled() && m_dataLink.Active();
    TTable *table = Table();
    const bool bof = table && table->Bof();
    const bool eof = table && table->Eof();
    const bool canModify = table && table->CanModify();
    const bool filtered = table && table->IsFiltered();
    const bool held = m_bookmark.Valid;

    SetButtonEnabled(nbFirst, active && !bof);
    SetButtonEnabled(nbPriorSet, active && !bof);
    SetButtonEnabled(nbPrior, active && !bof);
    SetButtonEnabled(nbNext, active && !eof);
    SetButtonEnabled(nbNextSet, active && !eof);
    SetButtonEnabled(nbLast, active && !eof);
    SetButtonEnabled(nbDelete, active && canModify && !(bof && eof));
    SetButtonEnabled(nbSetBookmark, !held);
    SetButtonEnabled(nbGotoBookmark, held);
    SetButtonEnabled(nbClearBookmark, held);
    SetButtonEnabled(nbEnterFilter, !filtered);
    SetButtonEnabled(nbApplyFilter, !m_buttons[nbEnterFilter]->isEnabled() && !filtered);
    SetButtonEnabled(nbCancelFilter, filtered);
    SetButtonEnabled(nbPrintList, active && !(bof && eof));
    SetButtonEnabled(nbPrintRecord, active && !(bof && eof));
}

void TVornDBNavigator::EditingChanged()
{
    TTable *table = Table();
    const bool canModify = isEnabled() && m_dataLink.Active() && table && table->CanModify();
    const bool editing = table && table->Editing();
    SetButtonEnabled(nbInsert, canModify);
    SetButtonEnabled(nbRefresh, canModify);
    SetButtonEnabled(nbEdit, canModify && !editing);
    SetButtonEnabled(nbCopyRecord, canModify && !editing);
    SetButtonEnabled(nbPost, canModify && editing);
    SetButtonEnabled(nbCancel, canModify && editing);
}

void TVornDBNavigator::changeEvent(QEvent *event)
{
    TVornCustomPanel::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !IsLoading())
        ActiveChanged();
}

// ---- actions

void TVornDBNavigator::ReleaseBookmark()
{
    if (m_bookmark.Valid) {
        TBookmark held = m_bookmark;
        m_bookmark = TBookmark();
        if (TTable *table = Table())
            table->FreeBookmark(held);
    }
    SetButtonEnabled(nbSetBookmark, true);
    SetButtonEnabled(nbGotoBookmark, false);
    SetButtonEnabled(nbClearBookmark, false);
}

void TVornDBNavigator::FocusEditor()
{
    QWidget *editor = m_focusEditControl;
    if (editor && editor->isVisible() && editor->isEnabled() && editor->focusPolicy() != Qt::NoFocus)
        editor->setFocus(Qt::OtherFocusReason);
}

void TVornDBNavigator::CopyRecord()
{
    TTable *table = Table();
    QVector<QVariant> saved;
    saved.reserve(table->FieldCount());
    for (int i = 0; i < table->FieldCount(); ++i)
        saved.append(table->Fields(i)->Value());
    table->Insert();
    for (int i = 0; i < table->FieldCount(); ++i) {
        TField *field = table->Fields(i);
        if (field->IsNull() && !field->Calculated() && !field->IsAutoIncrement())
            field->SetValue(saved.value(i));
    }
}

void TVornDBNavigator::ButtonAction(TVornNavBtns button)
{
    QPointer<TVornDBNavigator> self(this);
    if (m_dataLink.Active()) {
        bool processAction = true;
        if (BeforeAction)
            BeforeAction(this, button, processAction);
        if (!self)
            return;
        TTable *table = Table();
        if (processAction && table) {
            switch (button) {
            case nbFirst: table->First(); break;
            case nbPriorSet: table->MoveBy(-m_moveBySet); break;
            case nbPrior: table->Prior(); break;
            case nbNext: table->Next(); break;
            case nbNextSet: table->MoveBy(m_moveBySet); break;
            case nbLast: table->Last(); break;
            case nbInsert:
                table->Insert();
                FocusEditor();
                break;
            case nbDelete: {
                const QPointer<TTable> guarded(table);
                const bool yes = !m_confirmDelete || ConfirmBox(m_confirmDeleteText) == mrYes;
                if (!self) // the box ran its own event loop
                    return;
                if (yes && guarded && guarded == Table())
                    guarded->Delete();
                break;
            }
            case nbEdit:
                table->Edit();
                FocusEditor();
                break;
            case nbPost: table->Post(); break;
            case nbCancel: {
                const QPointer<TTable> guarded(table);
                const bool yes = !m_confirmCancel || ConfirmBox(m_confirmCancelText) == mrYes;
                if (!self)
                    return;
                if (yes && guarded && guarded == Table())
                    guarded->Cancel();
                break;
            }
            case nbRefresh: table->Refresh(); break;
            case nbSetBookmark:
                if (m_bookmark.Valid)
                    table->FreeBookmark(m_bookmark);
                m_bookmark = table->GetBookmark();
                SetButtonEnabled(nbGotoBookmark, true);
                SetButtonEnabled(nbClearBookmark, true);
                SetButtonEnabled(nbSetBookmark, false);
                break;
            case nbGotoBookmark:
                if (m_bookmark.Valid)
                    table->GotoBookmark(m_bookmark);
                break;
            case nbClearBookmark:
                if (m_bookmark.Valid)
                    table->FreeBookmark(m_bookmark);
                m_bookmark = TBookmark();
                SetButtonEnabled(nbSetBookmark, true);
                SetButtonEnabled(nbGotoBookmark, false);
                SetButtonEnabled(nbClearBookmark, false);
                break;
            case nbEnterFilter:
                SetButtonEnabled(nbEnterFilter, false);
                SetButtonEnabled(nbApplyFilter, true);
                SetButtonEnabled(nbCancelFilter, table->IsFiltered());
                break;
            case nbApplyFilter:
                SetButtonEnabled(nbEnterFilter, false);
                SetButtonEnabled(nbApplyFilter, false);
                SetButtonEnabled(nbCancelFilter, table->IsFiltered());
                break;
            case nbCancelFilter:
                SetButtonEnabled(nbEnterFilter, true);
                SetButtonEnabled(nbApplyFilter, false);
                SetButtonEnabled(nbCancelFilter, table->IsFiltered());
                break;
            case nbCopyRecord:
                CopyRecord();
                FocusEditor();
                break;
            case nbPrintList:
            case nbPrintRecord:
                break;
            }
        }
    }
    if (self && OnClick)
        OnClick(this, button);
}

// ---- keyboard and focus

void TVornDBNavigator::ButtonPressed(TVornNavButton *button)
{
    const TVornNavBtns old = m_focusedButton;
    m_focusedButton = button->Index();
    if (!hasFocus()) {
        if (focusPolicy() != Qt::NoFocus && isVisible() && isEnabled())
            setFocus(Qt::MouseFocusReason);
    } else if (old != m_focusedButton) {
        m_buttons[old]->update();
        m_buttons[m_focusedButton]->update();
    }
}

void TVornDBNavigator::keyPressEvent(QKeyEvent *event)
{
    int target = m_focusedButton;
    switch (event->key()) {
    case Qt::Key_Left:
        while (target != nbFirst) {
            --target;
            if (m_visibleButtons.Contains(TVornNavBtns(target)))
                break;
        }
        break;
    case Qt::Key_Right:
        while (target != nbPrintRecord) {
            ++target;
            if (m_visibleButtons.Contains(TVornNavBtns(target)))
                break;
        }
        break;
    case Qt::Key_Space:
        if (m_buttons[m_focusedButton]->isEnabled())
            m_buttons[m_focusedButton]->Click();
        return;
    default:
        TVornCustomPanel::keyPressEvent(event);
        return;
    }
    if (target != m_focusedButton) {
        const TVornNavBtns old = m_focusedButton;
        m_focusedButton = TVornNavBtns(target);
        m_buttons[old]->update();
        m_buttons[m_focusedButton]->update();
    }
}

void TVornDBNavigator::focusInEvent(QFocusEvent *event)
{
    TVornCustomPanel::focusInEvent(event);
    m_buttons[m_focusedButton]->update();
}

void TVornDBNavigator::focusOutEvent(QFocusEvent *event)
{
    TVornCustomPanel::focusOutEvent(event);
    m_buttons[m_focusedButton]->update();
}
