#pragma once

#include <QChar>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// A date-time as the program stores it: days since 30 December 1899, the time of day as fraction.
using TDateTime = double;

enum TDateOrder : quint8 { doDMY, doMDY, doYMD };

// The user's number and date conventions. Read from the system locale at first use; tests replace
// them with SetFormatSettings so that their results do not depend on the machine.
struct TFormatSettings
{
    QChar DecimalSeparator = QLatin1Char('.');
    QChar ThousandSeparator = QLatin1Char(',');
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    // A Qt date pattern that is always numeric: day, month and year joined by DateSeparator.
    QString ShortDateFormat = QStringLiteral("dd/MM/yyyy");
    QString ShortTimeFormat = QStringLiteral("hh:mm");
    QString LongTimeFormat = QStringLiteral("hh:mm:ss");

    static TFormatSettings FromLocale(const QLocale &locale);
    // The order of day, month and year in ShortDateFormat.
    TDateOrder DateOrder() const;

    bool operator==(const TFormatSettings &) const = default;
};

const TFormatSettings &FormatSettings();
void SetFormatSettings(const TFormatSettings &settings);
// Back to the settings of the system locale.
void ResetFormatSettings();

// Date-time values.
TDateTime FromQDate(const QDate &date);
TDateTime FromQDateTime(const QDateTime &dateTime);
TDateTime FromQTime(const QTime &time);
QDate ToQDate(TDateTime value);
QTime ToQTime(TDateTime value);
TDateTime Today();
TDateTime Now();

// Texts in the user's formats.
QString DateToStr(TDateTime value, const TFormatSettings &fs = FormatSettings());
QString TimeToStr(TDateTime value, bool withSeconds = true, const TFormatSettings &fs = FormatSettings());
// Reads a date the way the platform reads the short date format: numbers in the format's order,
// separated by the date separator; a missing year is this year, a two-digit year falls within
// 50 years of today.
bool TryStrToDate(const QString &text, TDateTime &value, const TFormatSettings &fs = FormatSettings());
// The same, with today given: the year a missing or two-digit year is placed by.
bool TryStrToDate(const QString &text, TDateTime &value, const TFormatSettings &fs, const QDate &today);
// As TryStrToDate; raises EConvertError "'%s' is not a valid date".
TDateTime StrToDate(const QString &text, const TFormatSettings &fs = FormatSettings());
// Hours, minutes and optional seconds separated by the time separator.
bool TryStrToTime(const QString &text, TDateTime &value, const TFormatSettings &fs = FormatSettings());

// Numbers. Conversions never depend on the C library's locale.
bool TryStrToInt(const QString &text, qint32 &value);
bool TryStrToInt64(const QString &text, qint64 &value);
// Raises EConvertError "'%s' is not a valid integer value".
qint32 StrToInt(const QString &text);
// A decimal number written with the given decimal separator (and an optional exponent).
bool TryStrToFloat(const QString &text, double &value, const TFormatSettings &fs = FormatSettings());
// Raises EConvertError "'%s' is not a valid floating point value".
double StrToFloat(const QString &text, const TFormatSettings &fs = FormatSettings());
// The shortest text that reads back as the same double, with the user's decimal separator.
QString FloatToStr(double value, const TFormatSettings &fs = FormatSettings());
// Formats with a pattern of '0' (digit always shown), '#' (digit when significant) and one '.'
// (decimal separator); "00.00" gives 07.00 for 7 and -03.00 for -3. Rounds half away from zero.
QString FormatFloat(const QString &pattern, double value, const TFormatSettings &fs = FormatSettings());
