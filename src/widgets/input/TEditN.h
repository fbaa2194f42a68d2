#pragma once

#include "FormatSettings.h"
#include "TCustomEditN.h"

#include <QStringList>

// A single-line text box that knows the kind of value it holds: free text, a whole number, a
// decimal number, a date or a time. It filters typed characters by that kind, cleans number texts
// on every change and keeps their value in ValueInteger / ValueFloat, and when the focus leaves it
// formats the text: capitalisation and padding of text, leading zeros, a "-" moved to the front,
// a fixed number of decimals, and dates and times completed from bare digits.
//
// The value properties are plain stores: writing one does not change the text. The decimal, date
// and time separators are those of the format settings when the field is made.
class TEditN : public TCustomEditN
{
    Q_OBJECT
    Q_PROPERTY(TEditTypes EditType READ EditType WRITE SetEditType)
    Q_PROPERTY(TEditAlign EditAlign READ EditAlign WRITE SetEditAlign)
    Q_PROPERTY(int EditLengthAlign READ EditLengthAlign WRITE SetEditLengthAlign)
    Q_PROPERTY(int EditPrecision READ EditPrecision WRITE SetEditPrecision)
    Q_PROPERTY(double ValueFloat READ ValueFloat WRITE SetValueFloat)
    Q_PROPERTY(qint32 ValueInteger READ ValueInteger WRITE SetValueInteger)
    Q_PROPERTY(double ValueDate READ ValueDate WRITE SetValueDate)
    Q_PROPERTY(double ValueTime READ ValueTime WRITE SetValueTime)
    Q_PROPERTY(bool TimeSeconds READ TimeSeconds WRITE SetTimeSeconds)
    Q_PROPERTY(bool OEMConvert READ OEMConvert WRITE SetOEMConvert)

public:
    enum TEditTypes : quint8 { etString, etInteger, etFloat, etDate, etTime };
    Q_ENUM(TEditTypes)
    enum TEditAlign : quint8 { etAlignRight, etAlignLeft, etAlignCenter, etAlignNone, etAlignValue };
    Q_ENUM(TEditAlign)

    // Where the field reads "now" for completing dates and times; the system clock by default.
    using TClock = std::function<TDateTime()>;

    static constexpr const char *RangeMessage = "Range Max. : -2147483647 <-> 2147483647";
    static constexpr const char *NumberMessage =
        "Range Max. :\r - Integer : -2147483647 <-> 2147483647\r - Float   : 5.0e-324 <-> 1.7e+308";
    static constexpr const char *DateMessage = "Date incorrect";
    static constexpr const char *TimeMessage = "Time incorrect";

    explicit TEditN(QWidget *parent = nullptr, TClock clock = {});

    TEditTypes EditType() const { return m_editType; }
    void SetEditType(TEditTypes type) { m_editType = type; }
    // Also the display alignment: right, centred, or left for the other three.
    TEditAlign EditAlign() const { return m_editAlign; }
    void SetEditAlign(TEditAlign align);
    // The length texts are padded to on exit; 0 or less: no padding.
    int EditLengthAlign() const { return m_editLengthAlign; }
    void SetEditLengthAlign(int length) { m_editLengthAlign = length; }
    // Decimals forced on exit for decimal numbers; 0 or less: none.
    int EditPrecision() const { return m_editPrecision; }
    void SetEditPrecision(int precision) { m_editPrecision = precision; }

    double ValueFloat() const { return m_valueFloat; }
    void SetValueFloat(double value) { m_valueFloat = value; }
    qint32 ValueInteger() const { return m_valueInteger; }
    void SetValueInteger(qint32 value) { m_valueInteger = value; }
    TDateTime ValueDate() const { return m_valueDate; }
    void SetValueDate(TDateTime value) { m_valueDate = value; }
    TDateTime ValueTime() const { return m_valueTime; }
    void SetValueTime(TDateTime value) { m_valueTime = value; }
    bool TimeSeconds() const { return m_timeSeconds; }
    void SetTimeSeconds(bool seconds) { m_timeSeconds = seconds; }
    // Kept for layouts that set it; text here is Unicode throughout, so there is no OEM round trip.
    bool OEMConvert() const { return m_oemConvert; }
    void SetOEMConvert(bool convert) { m_oemConvert = convert; }

    void SetClock(TClock clock);

    // Raised after each text change (number texts: once they are clean).
    TNotifyEvent OnChange;

protected:
    void FocusEntered() override;
    bool FocusExited() override;
    void KeyPress(QChar &key) override;

private:
    bool IsNumber() const { return m_editType == etInteger || m_editType == etFloat; }
    void FilterKey(QChar &key);
    void TextChanged();
    // Steps of a number text's change; false when no OnChange is due (or the field is gone).
    bool CleanAndReadNumber();
    // Sets a cleaned number text (a change of its own); false when a handler destroyed the field.
    bool SetCleanText(const QString &clean, const QString &before, bool keepPlus, int caretBefore);
    void ReadNumber(const QString &clean);
    void ShowChangeMessage(const char *message);
    // Sets a text from the exit formatting; false when a change handler destroyed the field.
    bool SetExitText(const QString &text);
    bool FormatOnExit();
    void CompleteDate();
    void CompleteTime();
    TFormatSettings Settings() const;

    TEditTypes m_editType = etString;
    TEditAlign m_editAlign = etAlignNone;
    int m_editLengthAlign = 0;
    int m_editPrecision = 0;
    double m_valueFloat = 0;
    qint32 m_valueInteger = 0;
    TDateTime m_valueDate = 0;
    TDateTime m_valueTime = 0;
    bool m_timeSeconds = false;
    bool m_oemConvert = false;

    TClock m_clock;
    QString m_entryText;
    QChar m_decimalSeparator;
    QChar m_dateSeparator;
    QChar m_timeSeparator;
    // How deep changes are nested (a cleaned text is set while its change is handled), and the
    // messages the outermost change has shown.
    int m_changeDepth = 0;
    QStringList m_shownMessages;
    // The caret for the change of a cleaned text, which runs before its setter returns; -1: none.
    int m_cleanCaret = -1;
};
