#include "FormatSettings.h"

#include "Exceptions.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

constexpr qint64 kJulianDayOf18991230 = 2415019;

std::optional<TFormatSettings> &CurrentSettings()
{
    static std::optional<TFormatSettings> settings;
    return settings;
}

// Turns a locale's short date pattern into a numeric one in the same order: month names become
// month numbers, weekday names and literal text are dropped, and the separator is the first one the
// pattern uses between its fields ("/" when the locale uses blanks, as Qt's C locale does).
void NumericDatePattern(const QString &pattern, QString &numeric, QChar &separator)
{
    struct Token { QChar letter; int width; };
    QList<Token> tokens;
    QChar foundSeparator;
    bool quoted = false;
    for (int i = 0; i < pattern.size();) {
        const QChar ch = pattern.at(i);
        if (ch == QLatin1Char('\'')) {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (!quoted && (ch == QLatin1Char('d') || ch == QLatin1Char('M') || ch == QLatin1Char('y'))) {
            int j = i;
            while (j < pattern.size() && pattern.at(j) == ch)
                ++j;
            const int width = j - i;
            if (!(ch == QLatin1Char('d') && width > 2))
                tokens.append({ch, width});
            i = j;
            continue;
        }
        if (!quoted && foundSeparator.isNull() && !tokens.isEmpty() && !ch.isLetterOrNumber())
            foundSeparator = ch;
        ++i;
    }
    const bool hasDay = std::any_of(tokens.begin(), tokens.end(), [](const Token &t) { return t.letter == QLatin1Char('d'); });
    const bool hasMonth = std::any_of(tokens.begin(), tokens.end(), [](const Token &t) { return t.letter == QLatin1Char('M'); });
    const bool hasYear = std::any_of(tokens.begin(), tokens.end(), [](const Token &t) { return t.letter == QLatin1Char('y'); });
    if (tokens.size() != 3 || !hasDay || !hasMonth || !hasYear) {
        numeric = QStringLiteral("dd/MM/yyyy");
        separator = QLatin1Char('/');
        return;
    }
    separator = (foundSeparator.isNull() || foundSeparator.isSpace()) ? QLatin1Char('/') : foundSeparator;
    QStringList parts;
    for (const Token &token : tokens) {
        if (token.letter == QLatin1Char('M'))
            parts.append(token.width > 2 ? QStringLiteral("MM") : QString(token.width, QLatin1Char('M')));
        else if (token.letter == QLatin1Char('y'))
            parts.append(token.width <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy"));
        else
            parts.append(QString(token.width, QLatin1Char('d')));
    }
    numeric = parts.join(separator);
}

QString TimePattern(const QString &localePattern, bool withSeconds, QChar separator)
{
    Q_UNUSED(localePattern);
    return withSeconds ? QStringLiteral("hh%1mm%1ss").arg(separator) : QStringLiteral("hh%1mm").arg(separator);
}

// Splits a text into its whole numbers separated by `separator`; blanks around numbers are allowed.
bool ScanNumbers(const QString &text, QChar separator, QList<int> &numbers, QList<int> &widths)
{
    const QStringList parts = text.trimmed().split(separator);
    for (const QString &raw : parts) {
        const QString part = raw.trimmed();
        if (part.isEmpty() || part.size() > 9)
            return false;
        for (const QChar ch : part)
            if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
                return false;
        numbers.append(part.toInt());
        widths.append(part.size());
    }
    return true;
}

} // namespace

TFormatSettings TFormatSettings::FromLocale(const QLocale &locale)
{
    TFormatSettings fs;
    const QString decimal = locale.decimalPoint();
    if (!decimal.isEmpty())
        fs.DecimalSeparator = decimal.at(0);
    const QString group = locale.groupSeparator();
    if (!group.isEmpty())
        fs.ThousandSeparator = group.at(0);
    NumericDatePattern(locale.dateFormat(QLocale::ShortFormat), fs.ShortDateFormat, fs.DateSeparator);
    const QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    for (const QChar ch : timeFormat) {
        if (!ch.isLetterOrNumber() && !ch.isSpace() && ch != QLatin1Char('\'')) {
            fs.TimeSeparator = ch;
            break;
        }
    }
    fs.ShortTimeFormat = TimePattern(timeFormat, false, fs.TimeSeparator);
    fs.LongTimeFormat = TimePattern(timeFormat, true, fs.TimeSeparator);
    return fs;
}

TDateOrder TFormatSettings::DateOrder() const
{
    const qsizetype d = ShortDateFormat.indexOf(QLatin1Char('d'));
    const qsizetype m = ShortDateFormat.indexOf(QLatin1Char('M'));
    const qsizetype y = ShortDateFormat.indexOf(QLatin1Char('y'));
    if (y >= 0 && y < d && y < m)
        return doYMD;
    if (m >= 0 && m < d)
        return doMDY;
    return doDMY;
}

const TFormatSettings &FormatSettings()
{
    auto &settings = CurrentSettings();
    if (!settings)
        settings = TFormatSettings::FromLocale(QLocale::system());
    return *settings;
}

void SetFormatSettings(const TFormatSettings &settings) { CurrentSettings() = settings; }

void ResetFormatSettings() { CurrentSettings().reset(); }

TDateTime FromQDate(const QDate &date)
{
    return date.isValid() ? double(date.toJulianDay() - kJulianDayOf18991230) : 0.0;
}

TDateTime FromQTime(const QTime &time)
{
    return time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
}

TDateTime FromQDateTime(const QDateTime &dateTime)
{
    return FromQDate(dateTime.date()) + FromQTime(dateTime.time());
}

QDate ToQDate(TDateTime value)
{
    return QDate::fromJulianDay(qint64(std::floor(value)) + kJulianDayOf18991230);
}

QTime ToQTime(TDateTime value)
{
    const double fraction = std::fabs(value - std::trunc(value));
    const int msecs = int(std::llround(fraction * 86400000.0)) % 86400000;
    return QTime::fromMSecsSinceStartOfDay(msecs);
}

TDateTime Today() { return FromQDate(QDate::currentDate()); }

TDateTime Now() { return FromQDateTime(QDateTime::currentDateTime()); }

QString DateToStr(TDateTime value, const TFormatSettings &fs)
{
    return ToQDate(value).toString(fs.ShortDateFormat);
}

QString TimeToStr(TDateTime value, bool withSeconds, const TFormatSettings &fs)
{
    return ToQTime(value).toString(withSeconds ? fs.LongTimeFormat : fs.ShortTimeFormat);
}

bool TryStrToDate(const QString &text, TDateTime &value, const TFormatSettings &fs)
{
    return TryStrToDate(text, value, fs, QDate::currentDate());
}

bool TryStrToDate(const QString &text, TDateTime &value, const TFormatSettings &fs, const QDate &today)
{
    QList<int> numbers, widths;
    if (!ScanNumbers(text, fs.DateSeparator, numbers, widths) || numbers.size() < 2 || numbers.size() > 3)
        return false;

    int day = 0, month = 0, year = today.year();
    bool yearGiven = numbers.size() == 3;
    int yearWidth = 4;
    switch (fs.DateOrder()) {
    case doDMY:
        day = numbers[0];
        month = numbers[1];
        if (yearGiven) { year = numbers[2]; yearWidth = widths[2]; }
        break;
    case doMDY:
        month = numbers[0];
        day = numbers[1];
        if (yearGiven) { year = numbers[2]; yearWidth = widths[2]; }
        break;
    case doYMD:
        if (yearGiven) {
            year = numbers[0];
            yearWidth = widths[0];
            month = numbers[1];
            day = numbers[2];
        } else {
            month = numbers[0];
            day = numbers[1];
        }
        break;
    }
    if (yearGiven && yearWidth <= 2) {
        // Two-digit years fall within 50 years either side of this year.
        const int pivot = today.year() - 50;
        year += (pivot / 100) * 100;
        if (year < pivot)
            year += 100;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || year < 1)
        return false;
    value = FromQDate(date);
    return true;
}

TDateTime StrToDate(const QString &text, const TFormatSettings &fs)
{
    TDateTime value = 0;
    if (!TryStrToDate(text, value, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
    return value;
}

bool TryStrToTime(const QString &text, TDateTime &value, const TFormatSettings &fs)
{
    QList<int> numbers, widths;
    if (!ScanNumbers(text, fs.TimeSeparator, numbers, widths) || numbers.size() < 2 || numbers.size() > 3)
        return false;
    const int hours = numbers[0];
    const int minutes = numbers[1];
    const int seconds = numbers.size() == 3 ? numbers[2] : 0;
    if (hours > 23 || minutes > 59 || seconds > 59)
        return false;
    value = FromQTime(QTime(hours, minutes, seconds));
    return true;
}

bool TryStrToInt64(const QString &text, qint64 &value)
{
    const QByteArray latin = text.trimmed().toLatin1();
    if (latin.isEmpty())
        return false;
    const char *first = latin.constData();
    const char *last = first + latin.size();
    if (*first == '+') {
        ++first;
        if (first != last && *first == '-')
            return false;
    }
    if (first == last || *first == '+')
        return false;
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last;
}

bool TryStrToInt(const QString &text, qint32 &value)
{
    qint64 wide = 0;
    if (!TryStrToInt64(text, wide) || wide < std::numeric_limits<qint32>::min() || wide > std::numeric_limits<qint32>::max())
        return false;
    value = qint32(wide);
    return true;
}

qint32 StrToInt(const QString &text)
{
    qint32 value = 0;
    if (!TryStrToInt(text, value))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

bool TryStrToFloat(const QString &text, double &value, const TFormatSettings &fs)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    QByteArray latin;
    latin.reserve(trimmed.size());
    for (const QChar ch : trimmed) {
        if (ch == fs.DecimalSeparator)
            latin.append('.');
        else if (ch == QLatin1Char('.') || ch.unicode() > 127)
            return false; // only the user's decimal separator marks the fraction
        else
            latin.append(char(ch.unicode()));
    }
    const char *first = latin.constData();
    const char *last = first + latin.size();
    if (*first == '+') {
        ++first;
        if (first != last && *first == '-')
            return false;
    }
    if (first == last || *first == '+')
        return false;
    double parsed = 0;
    const auto result = std::from_chars(first, last, parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

double StrToFloat(const QString &text, const TFormatSettings &fs)
{
    double value = 0;
    if (!TryStrToFloat(text, value, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

QString FloatToStr(double value, const TFormatSettings &fs)
{
    if (value == 0)
        return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.replace(QLatin1Char('.'), fs.DecimalSeparator);
    return text;
}

QString FormatFloat(const QString &pattern, double value, const TFormatSettings &fs)
{
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const QString intPattern = point < 0 ? pattern : pattern.left(point);
    const QString fracPattern = point < 0 ? QString() : pattern.mid(point + 1);
    const int minInt = int(intPattern.count(QLatin1Char('0')));
    const int minFrac = int(fracPattern.count(QLatin1Char('0')));
    const int maxFrac = int(fracPattern.count(QLatin1Char('0')) + fracPattern.count(QLatin1Char('#')));

    // Round half away from zero at the last shown decimal, in decimal rather than binary.
    const double scale = std::pow(10.0, maxFrac);
    const double magnitude = std::round(std::fabs(value) * scale) / scale;
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, maxFrac);
    QString digits = QString::fromLatin1(buffer, result.ptr - buffer);
    QString intPart = digits.section(QLatin1Char('.'), 0, 0);
    QString fracPart = maxFrac > 0 ? digits.section(QLatin1Char('.'), 1, 1) : QString();
    while (fracPart.size() > minFrac && fracPart.endsWith(QLatin1Char('0')))
        fracPart.chop(1);
    if (intPart == QLatin1String("0") && minInt == 0)
        intPart.clear();
    while (intPart.size() < minInt)
        intPart.prepend(QLatin1Char('0'));
    const auto nonZero = [](const QString &part) {
        return std::any_of(part.cbegin(), part.cend(), [](QChar ch) { return ch >= QLatin1Char('1') && ch <= QLatin1Char('9'); });
    };
    const bool negative = value < 0 && (nonZero(intPart) || nonZero(fracPart));
    QString text = intPart;
    if (!fracPart.isEmpty())
        text += fs.DecimalSeparator + fracPart;
    if (text.isEmpty())
        text = QStringLiteral("0");
    return negative ? QLatin1Char('-') + text : text;
}
