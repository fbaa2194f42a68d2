#include "TCustomEditN.h"

#include "THintController.h"

#include <QCursor>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPointer>
#include <QValidator>

namespace {

bool &InsertToggleState()
{
    static bool on = false;
    return on;
}

constexpr QChar kBackspace(8);
constexpr QChar kEnter(13);
constexpr QChar kEscape(27);
constexpr QChar kTab(9);

// The character a keystroke types, as the fields filter it: printable characters and the control
// keys Backspace, Enter, Escape and Tab. Shortcuts (Ctrl with a key, but not AltGr, which reports
// Ctrl+Alt on some platforms) are not typed characters; QLineEdit handles them.
bool TypedCharacter(const QKeyEvent *event, QChar &key)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier);
    const bool shortcut = (mods & Qt::MetaModifier) || ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier));
    if (shortcut)
        return false;
    switch (event->key()) {
    case Qt::Key_Backspace: key = kBackspace; return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: key = kEnter; return true;
    case Qt::Key_Escape: key = kEscape; return true;
    case Qt::Key_Tab: key = kTab; return true;
    default: break;
    }
    const QString text = event->text();
    if (text.size() != 1)
        return false;
    const QChar ch = text.at(0);
    if (ch.unicode() < 32 || ch.unicode() == 127)
        return false;
    key = ch;
    return true;
}

} // namespace

// MaxLength as the user meets it: an edit that would make the text longer than the limit is undone
// (QLineEdit restores the text before it). Text set by code and edits that shorten the text pass.
class TTextLimitValidator : public QValidator
{
public:
    explicit TTextLimitValidator(TCustomEditN *edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString &input, int &) const override
    {
        if (m_edit->m_textByCode || m_edit->m_maxLength <= 0 || input.size() <= m_edit->m_maxLength)
            return Acceptable;
        return input.size() > m_edit->m_previousText.size() ? Invalid : Acceptable;
    }

private:
    TCustomEditN *m_edit;
};

TCustomEditN::TCustomEditN(QWidget *parent) : QLineEdit(parent)
{
    QLineEdit::setMaxLength(32767);
    setMouseTracking(true);
    setValidator(new TTextLimitValidator(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) { m_previousText = text; });
    connect(this, &QLineEdit::textChanged, this, &TCustomEditN::TextChanged);
    ApplyPalette();
    if (THintController *hints = THintController::Instance())
        hints->AddEdit(this, [this](const QPoint &screenPoint) { return ShowTextHint(screenPoint); });
}

TCustomEditN::~TCustomEditN()
{
    if (THintController *hints = THintController::Instance())
        hints->RemoveEdit(this);
}

void TCustomEditN::setText(const QString &text)
{
    const bool wasByCode = std::exchange(m_textByCode, true);
    QLineEdit::setText(text);
    m_textByCode = wasByCode;
}

void TCustomEditN::SetMaxLength(int length) { m_maxLength = qMax(0, length); }

void TCustomEditN::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    ReadOnlyChanged();
}

void TCustomEditN::ReadOnlyChanged() { QLineEdit::setReadOnly(m_readOnly); }

void TCustomEditN::SetColor(TColor color)
{
    if (m_color == color)
        return;
    m_color = color;
    ApplyPalette();
}

void TCustomEditN::SetFontColor(TColor color)
{
    if (m_fontColor == color)
        return;
    m_fontColor = color;
    ApplyPalette();
}

void TCustomEditN::ApplyPalette()
{
    QPalette colors = palette();
    colors.setColor(QPalette::Base, ToQColor(m_color));
    colors.setColor(QPalette::Text, ToQColor(m_fontColor));
    setPalette(colors);
}

void TCustomEditN::SetBorderStyle(TBorderStyle style)
{
    if (m_borderStyle == style)
        return;
    m_borderStyle = style;
    setFrame(style == bsSingle);
}

bool TCustomEditN::InsertToggle() { return InsertToggleState(); }

void TCustomEditN::SetInsertToggle(bool on) { InsertToggleState() = on; }

bool TCustomEditN::OverwriteMode() const { return InsertToggleState() || m_insertHeld; }

bool TCustomEditN::ShowTextHint(const QPoint &screenPoint)
{
    Q_UNUSED(screenPoint);
    THintController *hints = THintController::Instance();
    if (!hints)
        return false;
    hints->SetTipFont(font());
    const QString shown = text();
    const int textWidth = hints->TextWidth(shown);
    const int allowance = m_borderStyle == bsNone ? 0 : (m_ctl3D ? 6 : 4);
    if (textWidth <= width() - allowance)
        return false;

    // The client area starts inside the border: two pixels for the sunken edge, one for a line.
    const int borderWidth = m_borderStyle == bsNone ? 0 : (m_ctl3D ? 2 : 1);
    const QPoint origin = mapToGlobal(QPoint(borderWidth, borderWidth));
    int left = origin.x();
    int top = origin.y();
    int right = origin.x() + textWidth + 5;
    int bottom = origin.y() + height() - 4;
    if (m_borderStyle == bsSingle && m_ctl3D) {
        --left;
        --top;
        bottom -= 3;
    } else if (m_borderStyle == bsNone) {
        left -= 2;
        top -= 2;
        right -= 2;
    }
    hints->ShowTip(QRect(left, top, right - left, bottom - top), shown);
    return true;
}

void TCustomEditN::ApplyFocusLook()
{
    SetColor(m_colorOnFocus);
    SetFontColor(m_fontColorOnFocus);
}

void TCustomEditN::ApplyFocusWidth()
{
    if (m_widthOnFocus <= 0)
        return;
    m_widthBeforeFocus = width();
    m_focusWidthApplied = true;
    SetWidth(m_widthOnFocus);
}

void TCustomEditN::RestoreNotFocusLook()
{
    SetColor(m_colorOnNotFocus);
    SetFontColor(m_fontColorOnNotFocus);
}

void TCustomEditN::RestoreFocusWidth()
{
    if (m_widthOnFocus > 0 && m_focusWidthApplied)
        SetWidth(m_widthBeforeFocus);
    m_focusWidthApplied = false;
}

bool TCustomEditN::HandleKeyByTab(QChar key)
{
    if (key.isNull() || key != m_editKeyByTab)
        return false;
    focusNextPrevChild(true);
    return true;
}

void TCustomEditN::ApplyTypingColor()
{
    SetFontColor(OverwriteMode() ? m_fontColorOnOverWrite : m_fontColorOnFocus);
}

QChar TCustomEditN::Capitalised(QChar key) const
{
    if (!m_firstCharUpper)
        return key;
    const QString current = text();
    const bool wholeSelected = hasSelectedText() && selectedText().size() == current.size();
    if (!current.isEmpty() && !wholeSelected && !m_firstCharUpList.contains(current.back()))
        return key;
    const QString upper = QLocale().toUpper(QString(key));
    return upper.size() == 1 ? upper.at(0) : key;
}

void TCustomEditN::CancelOwnTip()
{
    THintController *hints = THintController::Instance();
    if (hints && hints->CurrentEdit() == this)
        hints->CancelTip();
}

bool TCustomEditN::RaiseKeyPress(QChar &key)
{
    if (!OnKeyPress)
        return true;
    const QPointer<TCustomEditN> self(this);
    const TKeyPressEvent handler = OnKeyPress;
    handler(this, key);
    return !self.isNull();
}

void TCustomEditN::RaiseNotify(const TNotifyEvent &event)
{
    if (event) {
        const TNotifyEvent handler = event;
        handler(this);
    }
}

void TCustomEditN::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    QLineEdit::setReadOnly(false);
    if (m_entered)
        return;
    m_entered = true;
    if (!m_autoSelect)
        deselect();
    FocusEntered();
}

void TCustomEditN::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // A context menu or another window holding the focus for a while does not leave the field.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason)
        return;
    if (!m_entered)
        return;
    const QPointer<TCustomEditN> self(this);
    const bool left = FocusExited();
    if (self && left)
        m_entered = false;
}

void TCustomEditN::keyPressEvent(QKeyEvent *event)
{
    CancelOwnTip();
    if (event->key() == Qt::Key_Insert && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            SetInsertToggle(!InsertToggle());
        m_insertHeld = true;
        event->accept();
        return;
    }
    QChar key;
    if (!TypedCharacter(event, key)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const QPointer<TCustomEditN> self(this);
    KeyPress(key);
    if (!self)
        return;
    InsertTyped(event, key);
}

void TCustomEditN::InsertTyped(QKeyEvent *event, QChar key)
{
    event->accept();
    if (key.isNull())
        return;
    if (isReadOnly()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (key == kEnter) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            QLineEdit::keyPressEvent(event);
        return;
    }
    if (key.unicode() < 32 && key != kBackspace)
        return; // code 15 and the other control codes insert nothing
    if (OverwriteMode() && !hasSelectedText() && cursorPosition() < text().size())
        setSelection(cursorPosition(), 1);
    if (key == kBackspace) {
        backspace();
        return;
    }
    if (TypingExceedsLimit())
        return;
    insert(QString(key));
}

bool TCustomEditN::TypingExceedsLimit() const
{
    return m_maxLength > 0 && text().size() - selectedText().size() + 1 > m_maxLength;
}

void TCustomEditN::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Insert && !event->isAutoRepeat())
        m_insertHeld = false;
    QLineEdit::keyReleaseEvent(event);
}

void TCustomEditN::mousePressEvent(QMouseEvent *event)
{
    CancelOwnTip();
    QLineEdit::setReadOnly(false);
    QLineEdit::mousePressEvent(event);
}

void TCustomEditN::TrackMouse(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF position)
{
    if (!m_textHint || buttons != Qt::NoButton || modifiers != Qt::NoModifier || hasFocus() || m_entered)
        return;
    if (THintController *hints = THintController::Instance())
        hints->TrackEdit(this, int(position.x()), int(position.y()));
}

void TCustomEditN::mouseMoveEvent(QMouseEvent *event)
{
    TrackMouse(event->buttons(), event->modifiers(), event->position());
    QLineEdit::mouseMoveEvent(event);
}

// The mouse arriving on the field counts as movement over it: that is how it comes back under the
// mouse when a tip laid over it goes away.
void TCustomEditN::enterEvent(QEnterEvent *event)
{
    TrackMouse(QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers(), event->position());
    QLineEdit::enterEvent(event);
}

void TCustomEditN::leaveEvent(QEvent *event)
{
    // The tip appearing over the field takes the mouse from it as far as the window system is
    // concerned; only a mouse that really went elsewhere withdraws the tip.
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        CancelOwnTip();
    QLineEdit::leaveEvent(event);
}
