#include "TField.h"

#include "Exceptions.h"
#include "TTable.h"

#include <cmath>
#include <limits>

namespace {

qint32 RoundToInt32(double value, bool &ok)
{
    const double rounded = std::round(value);
    ok = std::isfinite(rounded) && rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max();
    return ok ? qint32(rounded) : 0;
}

} // namespace

TField::TField(TTable *table, int index, const TFieldInfo &info)
    : QObject(table), m_table(table), m_index(index), m_info(info), m_readOnly(info.Type == ftAutoInc)
{
    setObjectName(info.Name);
}

Qt::Alignment TField::Alignment() const
{
    switch (m_info.Type) {
    case ftInteger:
    case ftFloat:
    case ftAutoInc:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

bool TField::IsValidChar(QChar ch) const
{
    switch (m_info.Type) {
    case ftInteger:
    case ftAutoInc:
        return ch.isDigit() || ch == QLatin1Char('+') || ch == QLatin1Char('-');
    case ftFloat:
        return ch.isDigit() || ch == QLatin1Char('+') || ch == QLatin1Char('-') || ch == FormatSettings().DecimalSeparator
            || ch == QLatin1Char('E') || ch == QLatin1Char('e');
    default:
        return true;
    }
}

QVariant TField::Value() const
{
    return m_table->FieldValue(m_index);
}

void TField::SetValue(const QVariant &value)
{
    if (m_readOnly)
        throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(DisplayLabel()));
    QVariant stored;
    if (!value.isNull()) {
        switch (m_info.Type) {
        case ftInteger:
        case ftAutoInc:
            if (value.typeId() == QMetaType::QString) {
                SetAsString(value.toString());
                return;
            }
            if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
                stored = qint64(std::llround(value.toDouble()));
            else
                stored = value.toLongLong();
            break;
        case ftFloat:
            if (value.typeId() == QMetaType::QString) {
                SetAsString(value.toString());
                return;
            }
            stored = value.toDouble();
            break;
        case ftDate:
            if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
                stored = value.toDate();
            else if (value.typeId() == QMetaType::QString) {
                SetAsString(value.toString());
                return;
            } else
                stored = ToQDate(value.toDouble());
            break;
        case ftString:
        case ftUnknown:
            stored = m_info.Size > 0 ? value.toString().left(m_info.Size) : value.toString();
            break;
        }
    }
    m_table->SetFieldValue(m_index, stored);
}

void TField::InvalidInteger(const QString &text) const
{
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, DisplayLabel()));
}

void TField::InvalidFloat(const QString &text) const
{
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(text, DisplayLabel()));
}

qint32 TField::AsInteger() const
{
    const QVariant value = Value();
    if (value.isNull())
        return 0;
    bool ok = true;
    switch (m_info.Type) {
    case ftInteger:
    case ftAutoInc: {
        const qint64 wide = value.toLongLong();
        if (wide < std::numeric_limits<qint32>::min() || wide > std::numeric_limits<qint32>::max())
            InvalidInteger(QString::number(wide));
        return qint32(wide);
    }
    case ftFloat: {
        const qint32 result = RoundToInt32(value.toDouble(), ok);
        if (!ok)
            InvalidInteger(AsString());
        return result;
    }
    case ftDate:
        return qint32(FromQDate(value.toDate()));
    case ftString:
    case ftUnknown: {
        qint32 result = 0;
        if (!TryStrToInt(value.toString(), result))
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(value.toString()));
        return result;
    }
    }
    return 0;
}

double TField::AsFloat() const
{
    const QVariant value = Value();
    if (value.isNull())
        return 0.0;
    switch (m_info.Type) {
    case ftDate:
        return FromQDate(value.toDate());
    case ftString:
    case ftUnknown:
        return StrToFloat(value.toString());
    default:
        return value.toDouble();
    }
}

QString TField::AsString() const
{
    const QVariant value = Value();
    if (value.isNull())
        return QString();
    switch (m_info.Type) {
    case ftInteger:
    case ftAutoInc:
        return QString::number(value.toLongLong());
    case ftFloat:
        return FloatToStr(value.toDouble());
    case ftDate:
        return DateToStr(FromQDate(value.toDate()));
    case ftString:
    case ftUnknown:
        break;
    }
    return value.toString();
}

TDateTime TField::AsDateTime() const
{
    const QVariant value = Value();
    if (value.isNull())
        return 0.0;
    switch (m_info.Type) {
    case ftDate:
        return FromQDate(value.toDate());
    case ftString:
    case ftUnknown:
        return StrToDate(value.toString());
    default:
        return value.toDouble();
    }
}

void TField::SetAsInteger(qint32 value)
{
    switch (m_info.Type) {
    case ftFloat: SetValue(double(value)); break;
    case ftDate: SetValue(ToQDate(value)); break;
    case ftString:
    case ftUnknown: SetValue(QString::number(value)); break;
    default: SetValue(qint64(value)); break;
    }
}

void TField::SetAsFloat(double value)
{
    switch (m_info.Type) {
    case ftInteger:
    case ftAutoInc: {
        bool ok = true;
        const qint32 rounded = RoundToInt32(value, ok);
        if (!ok)
            InvalidInteger(FloatToStr(value));
        SetValue(qint64(rounded));
        break;
    }
    case ftDate: SetAsDateTime(value); break;
    case ftString:
    case ftUnknown: SetValue(FloatToStr(value)); break;
    case ftFloat: SetValue(value); break;
    }
}

void TField::SetAsString(const QString &text)
{
    if (m_info.Type == ftString || m_info.Type == ftUnknown) {
        SetValue(text);
        return;
    }
    if (text.trimmed().isEmpty()) {
        Clear();
        return;
    }
    switch (m_info.Type) {
    case ftInteger:
    case ftAutoInc: {
        qint32 value = 0;
        if (!TryStrToInt(text, value))
            InvalidInteger(text);
        SetValue(qint64(value));
        break;
    }
    case ftFloat: {
        double value = 0;
        if (!TryStrToFloat(text, value))
            InvalidFloat(text);
        SetValue(value);
        break;
    }
    case ftDate: {
        TDateTime value = 0;
        if (!TryStrToDate(text, value))
            throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
        SetValue(ToQDate(value));
        break;
    }
    default:
        break;
    }
}

void TField::SetAsDateTime(TDateTime value)
{
    switch (m_info.Type) {
    case ftDate:
        // The zero date is what an empty date reads as: writing it back keeps the field empty,
        // so copying an empty date from one field to another never invents 30 December 1899.
        if (value == 0.0)
            Clear();
        else
            SetValue(ToQDate(value));
        break;
    case ftString:
    case ftUnknown:
        SetValue(DateToStr(value));
        break;
    default:
        SetAsFloat(value);
        break;
    }
}
