#pragma once

#include "QtColor.h"

#include <QLineEdit>
#include <functional>

class THintController;

using TNotifyEvent = std::function<void(QObject *Sender)>;
// A typed character as the fields see it; the handler may replace it, or drop it with 0.
using TKeyPressEvent = std::function<void(QObject *Sender, QChar &Key)>;

// What the plain and the data-aware edit field share: focus colours and focus width, a key that
// acts as Tab, overwrite typing with its own text colour (on while the keyboard's Insert toggle is
// on), capitalisation while typing, the text tip of the hint controller, and the release of the
// box's read-only state when the field receives the focus.
//
// A keystroke that produces one character (or Backspace, Enter, Escape) runs the subclass's
// KeyPress, which may change or drop it; the box then inserts what is left. Editing shortcuts and
// navigation keys go to QLineEdit as they are. MaxLength limits what the user types or pastes; text
// set by code is never cut.
class TCustomEditN : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Text READ Text WRITE SetText NOTIFY TextChanged)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(qint32 Color READ Color WRITE SetColor)
    Q_PROPERTY(qint32 FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(qint32 ColorOnFocus READ ColorOnFocus WRITE SetColorOnFocus)
    Q_PROPERTY(qint32 ColorOnNotFocus READ ColorOnNotFocus WRITE SetColorOnNotFocus)
    Q_PROPERTY(qint32 FontColorOnFocus READ FontColorOnFocus WRITE SetFontColorOnFocus)
    Q_PROPERTY(qint32 FontColorOnNotFocus READ FontColorOnNotFocus WRITE SetFontColorOnNotFocus)
    Q_PROPERTY(qint32 FontColorOnOverWrite READ FontColorOnOverWrite WRITE SetFontColorOnOverWrite)
    // A character; published as a one-character text, which is how layouts write it (#9).
    Q_PROPERTY(QString EditKeyByTab READ EditKeyByTabText WRITE SetEditKeyByTabText)
    Q_PROPERTY(bool FirstCharUpper READ FirstCharUpper WRITE SetFirstCharUpper)
    Q_PROPERTY(QString FirstCharUpList READ FirstCharUpList WRITE SetFirstCharUpList)
    Q_PROPERTY(int WidthOnFocus READ WidthOnFocus WRITE SetWidthOnFocus)
    Q_PROPERTY(bool TextHint READ TextHint WRITE SetTextHint)

public:
    // The box's border: none, or the window system's line (a sunken edge with Ctl3D).
    enum TBorderStyle : quint8 { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)

    explicit TCustomEditN(QWidget *parent = nullptr);
    ~TCustomEditN() override;

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int left) { move(left, y()); }
    void SetTop(int top) { move(x(), top); }
    void SetWidth(int width) { resize(width, height()); }
    void SetHeight(int height) { resize(width(), height); }

    QString Text() const { return text(); }
    void SetText(const QString &text) { setText(text); }
    // Text set by code: never cut by MaxLength (hides QLineEdit::setText, which would cut it).
    void setText(const QString &text);
    // 0: no limit.
    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int length);
    // The published state; the box itself becomes editable whenever the field receives the focus.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TColor FontColor() const { return m_fontColor; }
    void SetFontColor(TColor color);
    TBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TBorderStyle style);
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool ctl3D) { m_ctl3D = ctl3D; }
    // Select the whole text when the field is entered with the keyboard.
    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool autoSelect) { m_autoSelect = autoSelect; }

    TColor ColorOnFocus() const { return m_colorOnFocus; }
    void SetColorOnFocus(TColor color) { m_colorOnFocus = color; }
    TColor ColorOnNotFocus() const { return m_colorOnNotFocus; }
    void SetColorOnNotFocus(TColor color) { m_colorOnNotFocus = color; }
    TColor FontColorOnFocus() const { return m_fontColorOnFocus; }
    void SetFontColorOnFocus(TColor color) { m_fontColorOnFocus = color; }
    TColor FontColorOnNotFocus() const { return m_fontColorOnNotFocus; }
    void SetFontColorOnNotFocus(TColor color) { m_fontColorOnNotFocus = color; }
    TColor FontColorOnOverWrite() const { return m_fontColorOnOverWrite; }
    void SetFontColorOnOverWrite(TColor color) { m_fontColorOnOverWrite = color; }
    QChar EditKeyByTab() const { return m_editKeyByTab; }
    void SetEditKeyByTab(QChar key) { m_editKeyByTab = key; }
    QString EditKeyByTabText() const { return m_editKeyByTab.isNull() ? QString() : QString(m_editKeyByTab); }
    void SetEditKeyByTabText(const QString &key) { m_editKeyByTab = key.isEmpty() ? QChar() : key.at(0); }
    bool FirstCharUpper() const { return m_firstCharUpper; }
    void SetFirstCharUpper(bool upper) { m_firstCharUpper = upper; }
    QString FirstCharUpList() const { return m_firstCharUpList; }
    void SetFirstCharUpList(const QString &list) { m_firstCharUpList = list; }
    int WidthOnFocus() const { return m_widthOnFocus; }
    void SetWidthOnFocus(int width) { m_widthOnFocus = width; }
    bool TextHint() const { return m_textHint; }
    void SetTextHint(bool hint) { m_textHint = hint; }

    // The keyboard's Insert toggle, shared by all fields as the keyboard is; the Insert key flips it.
    static bool InsertToggle();
    static void SetInsertToggle(bool on);
    // Overwrite mode: the Insert toggle is on, or the Insert key is held.
    bool OverwriteMode() const;

    // Called by the hint controller: shows the whole text in a tip laid over the field when it does
    // not fit, and answers whether it did.
    virtual bool ShowTextHint(const QPoint &screenPoint);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyPressEvent OnKeyPress;

signals:
    // Once for every change of the text, typed or set by code (never when it stays the same).
    void TextChanged(const QString &text);

protected:
    // Focus entry and exit steps of the subclass; run once per real focus change (a context menu
    // or another window taking the focus for a while is not an exit). FocusExited answers false
    // when the field took the focus back (its value could not be written): it stays entered.
    virtual void FocusEntered() = 0;
    virtual bool FocusExited() = 0;
    // The published ReadOnly changed; by default the box follows it.
    virtual void ReadOnlyChanged();
    // A typed character; set Key to 0 to drop it, or to code 15 to swallow it after OnKeyPress.
    virtual void KeyPress(QChar &key) = 0;

    // Building blocks of the steps above.
    void ApplyFocusLook();
    void ApplyFocusWidth();
    void RestoreNotFocusLook();
    void RestoreFocusWidth();
    // Moves the focus on as Tab would when key is EditKeyByTab; answers whether it did.
    bool HandleKeyByTab(QChar key);
    void ApplyTypingColor();
    QChar Capitalised(QChar key) const;
    // Withdraws the tip when it belongs to this field.
    void CancelOwnTip();
    // Raises OnKeyPress, guarded against the handler deleting the field; false when it did.
    bool RaiseKeyPress(QChar &key);
    void RaiseNotify(const TNotifyEvent &event);
    bool Entered() const { return m_entered; }

    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    friend class TTextLimitValidator;
    void InsertTyped(QKeyEvent *event, QChar key);
    void ApplyPalette();
    bool TypingExceedsLimit() const;
    void TrackMouse(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPointF position);

    int m_maxLength = 0;
    bool m_readOnly = false;
    TColor m_color = clSilver;
    TColor m_fontColor = clBlack;
    TBorderStyle m_borderStyle = bsSingle;
    bool m_ctl3D = true;
    bool m_autoSelect = true;
    TColor m_colorOnFocus = clWhite;
    TColor m_colorOnNotFocus = clSilver;
    TColor m_fontColorOnFocus = clRed;
    TColor m_fontColorOnNotFocus = clBlack;
    TColor m_fontColorOnOverWrite = clBlue;
    QChar m_editKeyByTab = QChar(9);
    bool m_firstCharUpper = false;
    QString m_firstCharUpList = QStringLiteral(" (");
    int m_widthOnFocus = 0;
    bool m_textHint = true;

    bool m_entered = false;
    bool m_focusWidthApplied = false;
    int m_widthBeforeFocus = 0;
    bool m_insertHeld = false;
    bool m_textByCode = false;
    // The text before the change being validated (the limit applies only to growing edits).
    QString m_previousText;
};
