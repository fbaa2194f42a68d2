#include "TDBEditN.h"

#include "Dialogs.h"
#include "TApplication.h"
#include "TField.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QScopedValueRollback>

namespace {

constexpr QChar kBackspace(8);
constexpr QChar kEscape(27);

bool IsPrintable(QChar key) { return key.unicode() >= 32 && key.unicode() != 127; }

// Keys that change the text without typing a character: they too ask the store to Edit first.
bool IsEditingShortcut(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Delete || event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)
        || event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)
        || event->matches(QKeySequence::DeleteEndOfWord) || event->matches(QKeySequence::DeleteStartOfWord)
        || event->matches(QKeySequence::DeleteEndOfLine) || event->matches(QKeySequence::DeleteCompleteLine);
}

} // namespace

TDBEditN::TDBEditN(QWidget *parent) : TCustomEditN(parent)
{
    QLineEdit::setReadOnly(true);
    m_dataLink.OnDataChange = [this] { DataChange(); };
    m_dataLink.OnEditingChange = [this] { EditingChange(); };
    m_dataLink.OnUpdateData = [this] { UpdateData(); };
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_showingField)
            m_dataLink.Modified();
    });
}

TDBEditN::~TDBEditN()
{
    m_dataLink.OnDataChange = nullptr;
    m_dataLink.OnEditingChange = nullptr;
    m_dataLink.OnUpdateData = nullptr;
}

void TDBEditN::SetDataSource(TDataSource *source) { m_dataLink.SetDataSource(source); }

void TDBEditN::DataChange()
{
    const QScopedValueRollback<bool> fromField(m_showingField, true);
    TField *field = m_dataLink.Field();
    QString shown;
    if (field) {
        setAlignment(field->Alignment());
        if (field->DataType() == ftString && MaxLength() == 0)
            SetMaxLength(field->Size());
        shown = (m_focused && m_dataLink.CanModify()) ? field->Text() : field->DisplayText();
    } else {
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    // Setting the same text again would lose the caret and the selection.
    if (text() != shown)
        setText(shown);
}

void TDBEditN::EditingChange() { QLineEdit::setReadOnly(!m_dataLink.Editing()); }

void TDBEditN::ReadOnlyChanged()
{
    m_dataLink.SetReadOnly(ReadOnly());
    EditingChange();
}

void TDBEditN::UpdateData()
{
    if (TField *field = m_dataLink.Field())
        field->SetText(text());
}

bool TDBEditN::AskEdit()
{
    const QPointer<TDBEditN> self(this);
    try {
        m_dataLink.Edit();
    } catch (const std::exception &error) {
        HandleException(error);
        return false;
    }
    return !self.isNull();
}

QChar TDBEditN::CaseOf(QChar key) const
{
    if (m_charCase == ecNormal || !IsPrintable(key))
        return key;
    const QString changed = m_charCase == ecUpperCase ? QLocale().toUpper(QString(key)) : QLocale().toLower(QString(key));
    return changed.size() == 1 ? changed.at(0) : key;
}

void TDBEditN::FocusEntered()
{
    m_focused = true;
    m_dataLink.Reset();
    ApplyFocusLook();
    ApplyFocusWidth();
    RaiseNotify(OnEnter);
}

bool TDBEditN::FocusExited()
{
    const QPointer<TDBEditN> self(this);
    try {
        m_dataLink.UpdateRecord();
    } catch (const std::exception &error) {
        if (!self)
            return true;
        selectAll();
        setFocus(Qt::OtherFocusReason);
        HandleException(error);
        return false;
    }
    if (!self)
        return true;
    m_focused = false;
    m_dataLink.Reset();
    RestoreNotFocusLook();
    RestoreFocusWidth();
    CancelOwnTip();
    RaiseNotify(OnExit);
    return true;
}

void TDBEditN::KeyPress(QChar &key)
{
    if (HandleKeyByTab(key)) {
        key = QChar();
        return;
    }
    ApplyTypingColor();
    key = CaseOf(Capitalised(key));
    if (!RaiseKeyPress(key) || key.isNull()) {
        key = QChar();
        return;
    }

    TField *field = m_dataLink.Field();
    if (IsPrintable(key) && field && !field->IsValidChar(key)) {
        AlertBeep();
        key = QChar();
        return;
    }
    if (key == kEscape) {
        m_dataLink.Reset();
        selectAll();
        key = QChar();
        return;
    }
    if ((IsPrintable(key) || key == kBackspace) && !AskEdit())
        key = QChar();
}

void TDBEditN::keyPressEvent(QKeyEvent *event)
{
    if (IsEditingShortcut(event) && !AskEdit()) {
        event->accept();
        return;
    }
    TCustomEditN::keyPressEvent(event);
}

void TDBEditN::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the selection on some desktops.
    if (event->button() == Qt::MiddleButton && !AskEdit())
        return;
    TCustomEditN::mouseReleaseEvent(event);
}

void TDBEditN::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu's editing actions ask the store to Edit before they change the text.
    const QList<QPair<QString, void (QLineEdit::*)()>> edits = {
        {QStringLiteral("edit-undo"), &QLineEdit::undo}, {QStringLiteral("edit-redo"), &QLineEdit::redo},
        {QStringLiteral("edit-cut"), &QLineEdit::cut},   {QStringLiteral("edit-paste"), &QLineEdit::paste},
        {QStringLiteral("edit-delete"), &QLineEdit::del},
    };
    for (QAction *action : menu->actions()) {
        for (const auto &[name, slot] : edits) {
            if (action->objectName() != name)
                continue;
            disconnect(action, &QAction::triggered, this, nullptr);
            connect(action, &QAction::triggered, this, [this, slot = slot] {
                if (AskEdit())
                    (this->*slot)();
            });
        }
    }
    menu->popup(event->globalPos());
}

void TDBEditN::dropEvent(QDropEvent *event)
{
    if (!AskEdit())
        return;
    TCustomEditN::dropEvent(event);
}

void TDBEditN::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() && !AskEdit())
        return;
    TCustomEditN::inputMethodEvent(event);
}
