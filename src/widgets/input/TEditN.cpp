#include "TEditN.h"

#include "Dialogs.h"

#include <QPointer>
#include <QScopeGuard>
#include <cmath>

namespace {

constexpr QChar kBackspace(8);
constexpr QChar kEnter(13);
constexpr QChar kSwallowed(15);
constexpr QChar kEscape(27);
constexpr QChar kMinus(u'-');
constexpr QChar kPlus(u'+');
constexpr QChar kComma(u',');
constexpr QChar kPoint(u'.');

bool IsAsciiDigit(QChar ch) { return ch >= u'0' && ch <= u'9'; }

// The characters a number text keeps: digits, "-" and, for decimals, "," and ".". A "+" survives
// only the first pass of the cleaning; the second removes it as well.
bool KeptInNumber(QChar ch, bool decimal, bool keepPlus)
{
    return IsAsciiDigit(ch) || ch == kMinus || (keepPlus && ch == kPlus) || (decimal && (ch == kComma || ch == kPoint));
}

QString KeepNumberChars(const QString &text, bool decimal, bool keepPlus)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar ch : text)
        if (KeptInNumber(ch, decimal, keepPlus))
            kept.append(ch);
    return kept;
}

QString Digits(const QString &text)
{
    QString digits;
    for (const QChar ch : text)
        if (IsAsciiDigit(ch))
            digits.append(ch);
    return digits;
}

// A "-" after the first position goes to the front ("12-3" reads as -123).
QString MinusToFront(QString text)
{
    const qsizetype minus = text.indexOf(kMinus, 1);
    if (minus > 0) {
        text.remove(minus, 1);
        text.prepend(kMinus);
    }
    return text;
}

// The low 32 bits of a number truncated toward zero, as the value of a decimal too large for a
// whole number.
qint32 TruncatedLow32(double value)
{
    if (!std::isfinite(value))
        return 0;
    double wrapped = std::fmod(std::trunc(value), 4294967296.0);
    if (wrapped < 0)
        wrapped += 4294967296.0;
    return qint32(quint32(wrapped));
}

QString TwoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

// Rounds halves to the even neighbour, as the centring pads.
int RoundHalfEven(double value) { return int(std::nearbyint(value)); }

} // namespace

TEditN::TEditN(QWidget *parent, TClock clock) : TCustomEditN(parent), m_clock(clock ? std::move(clock) : TClock(&Now))
{
    const TFormatSettings &fs = FormatSettings();
    m_decimalSeparator = fs.DecimalSeparator;
    m_dateSeparator = fs.DateSeparator;
    m_timeSeparator = fs.TimeSeparator;
    const TDateTime now = m_clock();
    m_valueDate = std::floor(now);
    m_valueTime = now - std::floor(now);
    connect(this, &QLineEdit::textChanged, this, &TEditN::TextChanged);
}

void TEditN::SetClock(TClock clock) { m_clock = clock ? std::move(clock) : TClock(&Now); }

void TEditN::SetEditAlign(TEditAlign align)
{
    if (m_editAlign == align)
        return;
    m_editAlign = align;
    switch (align) {
    case etAlignRight: setAlignment(Qt::AlignRight | Qt::AlignVCenter); break;
    case etAlignCenter: setAlignment(Qt::AlignHCenter | Qt::AlignVCenter); break;
    case etAlignLeft:
    case etAlignNone:
    case etAlignValue: setAlignment(Qt::AlignLeft | Qt::AlignVCenter); break;
    }
}

TFormatSettings TEditN::Settings() const
{
    TFormatSettings fs = FormatSettings();
    fs.DecimalSeparator = m_decimalSeparator;
    fs.DateSeparator = m_dateSeparator;
    fs.TimeSeparator = m_timeSeparator;
    return fs;
}

void TEditN::FocusEntered()
{
    if (m_editType == etFloat && MaxLength() == 0)
        SetMaxLength(16);
    ApplyFocusLook();
    m_entryText = text();
    ApplyFocusWidth();
    if (m_editType == etDate)
        SetMaxLength(10);
    else if (m_editType == etTime)
        SetMaxLength(m_timeSeconds ? 8 : 5);
    RaiseNotify(OnEnter);
}

void TEditN::KeyPress(QChar &key)
{
    if (HandleKeyByTab(key)) {
        key = QChar();
        return;
    }
    if (key == kEscape) {
        const QPointer<TEditN> self(this);
        setText(m_entryText);
        if (!self) {
            key = QChar();
            return;
        }
        key = kSwallowed;
    }
    ApplyTypingColor();
    FilterKey(key);
    if (!key.isNull() && !RaiseKeyPress(key))
        key = QChar();
}

void TEditN::FilterKey(QChar &key)
{
    const QString current = text();
    switch (m_editType) {
    case etString:
        key = Capitalised(key);
        return;
    case etInteger:
    case etFloat: {
        // Typing over a selection from the start replaces the number: no filter, the change
        // cleaning keeps what belongs in a number. A space never enters.
        if (hasSelectedText() && selectionStart() == 0) {
            if (key == u' ')
                key = kSwallowed;
            return;
        }
        if (m_editType == etInteger && (current.contains(kMinus) || key == kMinus) && MaxLength() == 0)
            SetMaxLength(11);
        const bool allowed = key == kBackspace || key == kEnter || key == u'#' || key == u'$' || key == u'%'
                             || key == u'\'' || key == kMinus || IsAsciiDigit(key)
                             || (m_editType == etFloat && (key == kComma || key == kPoint));
        if (!allowed || (key == kMinus && current.contains(kMinus))) {
            key = kSwallowed;
            return;
        }
        if (key == kComma || key == kPoint)
            key = (current.contains(kComma) || current.contains(kPoint)) ? kSwallowed : m_decimalSeparator;
        return;
    }
    case etDate:
    case etTime: {
        const bool allowed = key == kBackspace || key == kEnter || key == u'#' || key == u'$' || key == u'%'
                             || key == u'\'' || IsAsciiDigit(key);
        if (!allowed)
            key = kSwallowed;
        return;
    }
    }
}

void TEditN::TextChanged()
{
    // Cleaning a number sets the text again, and that change is handled in full before this one
    // goes on with the cleaned text. The outermost change collects the messages, so that a text
    // handled at several depths shows each message once.
    if (m_changeDepth == 0)
        m_shownMessages.clear();
    const QPointer<TEditN> self(this);
    bool notify = false;
    {
        ++m_changeDepth;
        const auto leave = qScopeGuard([&] {
            if (self)
                --m_changeDepth;
        });
        notify = CleanAndReadNumber();
    }
    if (self && notify)
        RaiseNotify(OnChange);
}

bool TEditN::SetCleanText(const QString &clean, const QString &before, bool keepPlus, int caretBefore)
{
    // The caret stays behind the characters it followed.
    if (caretBefore < 0)
        caretBefore = cursorPosition();
    const int caret = int(KeepNumberChars(before.left(caretBefore), m_editType == etFloat, keepPlus).size());
    const QPointer<TEditN> self(this);
    // The change of the cleaned text runs inside setText, before the caret can be placed; it
    // takes the caret from here.
    m_cleanCaret = caret;
    {
        const auto done = qScopeGuard([&] {
            if (self)
                m_cleanCaret = -1;
        });
        setText(clean);
    }
    if (!self)
        return false;
    // A text cleaned once more inside that change has had its caret placed there.
    if (text() == clean)
        setCursorPosition(qMin(caret, int(text().size())));
    return true;
}

bool TEditN::CleanAndReadNumber()
{
    const int caretBefore = std::exchange(m_cleanCaret, -1);
    if (!IsNumber() || text().isEmpty())
        return true;
    const bool decimal = m_editType == etFloat;
    const QString typed = text();
    const QString kept = KeepNumberChars(typed, decimal, true);
    if (kept != typed && !SetCleanText(kept, typed, true, caretBefore))
        return false;
    if (text().isEmpty())
        return true;
    m_valueFloat = 0;
    m_valueInteger = 0;
    const QString withPlus = text();
    const QString number = KeepNumberChars(withPlus, decimal, false);
    if (number != withPlus && !SetCleanText(number, withPlus, false, kept != typed ? -1 : caretBefore))
        return false;
    if (text() == QString(kMinus))
        return false;
    ReadNumber(MinusToFront(text()));
    return true;
}

void TEditN::ShowChangeMessage(const char *message)
{
    const QString text = QString::fromLatin1(message);
    if (m_shownMessages.contains(text))
        return;
    m_shownMessages.append(text);
    ShowMessage(text);
}

void TEditN::ReadNumber(const QString &number)
{
    double value = 0;
    if (!TryStrToFloat(number, value, Settings())) {
        m_valueFloat = 0;
        m_valueInteger = 0;
        ShowChangeMessage(NumberMessage);
        return;
    }
    if (m_editType == etInteger) {
        if (value > 2147483647.0 || value < -2147483647.0) {
            m_valueInteger = 0;
            ShowChangeMessage(RangeMessage);
            return;
        }
        m_valueInteger = qint32(value);
        m_valueFloat = double(m_valueInteger);
    } else {
        m_valueFloat = value;
        m_valueInteger = TruncatedLow32(value);
    }
}

bool TEditN::FocusExited()
{
    const QPointer<TEditN> self(this);
    RestoreNotFocusLook();
    RestoreFocusWidth();
    if (!FormatOnExit() || !self)
        return true;
    CancelOwnTip();
    RaiseNotify(OnExit);
    return true;
}

bool TEditN::SetExitText(const QString &newText)
{
    if (newText == text())
        return true;
    const QPointer<TEditN> self(this);
    setText(newText);
    return !self.isNull();
}

bool TEditN::FormatOnExit()
{
    const int length = m_editLengthAlign;
    const auto shorter = [&] { return length > 0 && text().size() < length; };

    if (m_editType == etString && !text().isEmpty()) {
        if (FirstCharUpper()) {
            QString capitalised = text();
            const QString first = QLocale().toUpper(capitalised.left(1));
            capitalised.replace(0, 1, first);
            if (!SetExitText(capitalised))
                return false;
        }
        if (m_editAlign != etAlignNone && shorter()) {
            QString padded = text();
            switch (m_editAlign) {
            case etAlignRight:
                padded.prepend(QString(length - padded.size(), u' '));
                break;
            case etAlignLeft: {
                qsizetype start = 0;
                while (start < padded.size() && padded.at(start) == u' ')
                    ++start;
                padded.remove(0, start);
                padded.append(QString(length - padded.size(), u' '));
                break;
            }
            case etAlignCenter: {
                const int front = RoundHalfEven((length - padded.size()) / 2.0);
                padded.prepend(QString(front, u' '));
                padded.append(QString(qMax(0, int(length - padded.size())), u' '));
                break;
            }
            case etAlignNone:
            case etAlignValue:
                break;
            }
            if (!SetExitText(padded))
                return false;
        }
    }

    if (m_editType == etInteger && m_editAlign == etAlignValue && shorter()) {
        if (!SetExitText(QString(length - text().size(), u'0') + text()))
            return false;
    }

    if (IsNumber() && !SetExitText(MinusToFront(text())))
        return false;

    if (m_editType == etFloat && m_editPrecision > 0) {
        m_decimalSeparator = FormatSettings().DecimalSeparator;
        QString fixed = text().isEmpty() ? QStringLiteral("0") : text();
        const qsizetype point = fixed.indexOf(m_decimalSeparator);
        if (point < 0) {
            fixed += m_decimalSeparator + QString(m_editPrecision, u'0');
        } else {
            fixed.truncate(point + 1 + m_editPrecision);
            fixed.append(QString(m_editPrecision - (fixed.size() - point - 1), u'0'));
        }
        if (!SetExitText(fixed))
            return false;
    }

    if (m_editType == etFloat && m_editAlign == etAlignValue && shorter()) {
        QString padded = text();
        padded.insert(padded.startsWith(kMinus) ? 1 : 0, QString(length - padded.size(), u'0'));
        if (!SetExitText(padded))
            return false;
    }

    const QPointer<TEditN> self(this);
    if (m_editType == etDate)
        CompleteDate();
    else if (m_editType == etTime)
        CompleteTime();
    return !self.isNull();
}

void TEditN::CompleteDate()
{
    const QString d = Digits(text());
    const TDateTime now = m_clock();
    const QDate today = ToQDate(now);
    const QString S(m_dateSeparator);
    const QString MM = TwoDigits(today.month());
    const QString YYYY = QStringLiteral("%1").arg(today.year(), 4, 10, QLatin1Char('0'));

    QString built;
    switch (d.size()) {
    case 0: built = TwoDigits(today.day()) + S + MM + S + YYYY; break;
    case 1: built = u'0' + d + S + MM + S + YYYY; break;
    case 2: built = d + S + MM + S + YYYY; break;
    case 3: built = d.left(2) + S + u'0' + d.at(2) + S + YYYY; break;
    case 4: built = d.left(2) + S + d.mid(2, 2) + S + YYYY; break;
    case 5: built = d.left(2) + S + d.mid(2, 2) + S + YYYY.left(3) + d.mid(4); break;
    case 6: built = d.left(2) + S + d.mid(2, 2) + S + YYYY.left(2) + d.mid(4); break;
    case 7: built = d.left(2) + S + d.mid(2, 2) + S + YYYY.left(1) + d.mid(4); break;
    case 8:
    case 9:
    case 10: built = d.left(2) + S + d.mid(2, 2) + S + d.mid(4, 4); break;
    default: built = d; break;
    }

    TDateTime date = 0;
    if (TryStrToDate(built, date, Settings(), today)) {
        const QPointer<TEditN> self(this);
        setText(built);
        if (!self)
            return;
        m_valueDate = date;
        m_valueFloat = date;
        m_valueInteger = TruncatedLow32(date);
        return;
    }
    ShowMessage(QString::fromLatin1(DateMessage));
    m_valueDate = std::floor(now);
    m_valueFloat = m_valueDate;
    m_valueInteger = TruncatedLow32(m_valueDate);
}

void TEditN::CompleteTime()
{
    const QString t = Digits(text());
    const TDateTime now = m_clock();
    const TDateTime timeOfDay = now - std::floor(now);
    const QTime clock = ToQTime(timeOfDay);
    const QString S(m_timeSeparator);
    const QString current = m_timeSeconds
                                ? TwoDigits(clock.hour()) + S + TwoDigits(clock.minute()) + S + TwoDigits(clock.second())
                                : TwoDigits(clock.hour()) + S + TwoDigits(clock.minute());

    QString built;
    const qsizetype n = t.size();
    if (n == 0)
        built = current;
    else if (n == 1)
        built = u'0' + t + S + QStringLiteral("00");
    else if (n == 2)
        built = t + S + QStringLiteral("00");
    else if (n == 3)
        built = t.left(2) + S + u'0' + t.at(2);
    else if (n == 4 || (n == 5 && !m_timeSeconds))
        built = t.left(2) + S + t.mid(2, 2);
    else if (n == 5)
        built = t.left(2) + S + t.mid(2, 2) + S + u'0' + t.at(4);
    else if (n <= 8 && m_timeSeconds)
        built = t.left(2) + S + t.mid(2, 2) + S + t.mid(4, 2);
    else
        built = t;
    if (m_timeSeconds && n >= 1 && n <= 4)
        built += S + QStringLiteral("00");

    TDateTime time = 0;
    const QPointer<TEditN> self(this);
    if (TryStrToTime(built, time, Settings())) {
        setText(built);
        if (!self)
            return;
        m_valueTime = time;
        m_valueFloat = time;
        return;
    }
    ShowMessage(QString::fromLatin1(TimeMessage));
    setText(current);
    if (!self)
        return;
    // The value is the time of day itself; only the text leaves out the seconds it does not show.
    m_valueTime = timeOfDay;
    m_valueFloat = timeOfDay;
}
