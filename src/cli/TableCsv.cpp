#include "TableCsv.h"

#include "Csv.h"
#include "Exceptions.h"
#include "StoreEngine.h"

#include <QDate>
#include <QIODevice>
#include <QScopeGuard>

#include <charconv>
#include <cmath>
#include <limits>

namespace Cli {

namespace {

// Output is handed to the device in pieces of about this size.
constexpr qsizetype kWriteBytes = 256 * 1024;

void AppendNumber(QByteArray &out, qint64 value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void AppendNumber(QByteArray &out, double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void AppendDate(QByteArray &out, const QDate &date)
{
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (year < 1 || year > 9999) {
        out.append(date.toString(Qt::ISODate).toUtf8());
        return;
    }
    const char text[10] = {char('0' + year / 1000), char('0' + year / 100 % 10), char('0' + year / 10 % 10), char('0' + year % 10), '-',
                           char('0' + month / 10), char('0' + month % 10), '-', char('0' + day / 10), char('0' + day % 10)};
    out.append(text, 10);
}

void AppendValue(QByteArray &out, const QVariant &value)
{
    if (value.isNull())
        return;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        AppendNumber(out, value.toLongLong());
        break;
    case QMetaType::Double:
        AppendNumber(out, value.toDouble());
        break;
    case QMetaType::QDate:
        AppendDate(out, value.toDate());
        break;
    default:
        Csv::AppendField(out, value.toString());
        break;
    }
}

class CheckedWriter
{
public:
    CheckedWriter(QIODevice &device, const QString &target) : m_device(device), m_target(target) { m_buffer.reserve(kWriteBytes + 4096); }

    QByteArray &Buffer() { return m_buffer; }
    void FlushWhenFull()
    {
        if (m_buffer.size() >= kWriteBytes)
            Flush();
    }
    void Flush()
    {
        if (m_buffer.isEmpty())
            return;
        const qint64 written = m_device.write(m_buffer);
        if (written != m_buffer.size())
            throw EConvertError(QStringLiteral("Cannot write %1: %2").arg(m_target, m_device.errorString()));
        m_buffer.resize(0);
    }

private:
    QIODevice &m_device;
    QString m_target;
    QByteArray m_buffer;
};

EConvertError NotA(QByteArrayView text, const char *what, const TFieldInfo &field, int line)
{
    return EConvertError(QStringLiteral("line %1: %2 is not %3 for field '%4'")
                             .arg(line).arg(Shown(Csv::Text(text)), QLatin1String(what), field.Name));
}

// Decimal digits with an optional sign, nothing else (no blanks, no exponent).
bool ReadWhole(QByteArrayView text, qint64 &value)
{
    const char *first = text.data();
    const char *const last = first + text.size();
    if (first != last && *first == '+' && ++first != last && *first == '-')
        return false;
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last;
}

void RemoveEveryRecord(TStoreTableCursor &table)
{
    for (;;) {
        TFetchRequest request;
        request.Count = 100;
        request.KeysOnly = true;
        const QList<TRecordData> rows = table.Fetch(request);
        if (rows.isEmpty())
            return;
        for (const TRecordData &row : rows)
            table.Remove(row.Id);
    }
}

} // namespace

qsizetype CharacterCount(QStringView text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++count;
    return count;
}

QString Shown(const QString &value)
{
    constexpr qsizetype kShown = 40;
    if (CharacterCount(value) <= kShown + 10)
        return QLatin1Char('\'') + value + QLatin1Char('\'');
    qsizetype cut = 0;
    for (qsizetype characters = 0; characters < kShown; ++characters)
        cut += value.at(cut).isHighSurrogate() && cut + 1 < value.size() ? 2 : 1;
    return QStringLiteral("'%1…' (%2 characters)").arg(value.left(cut)).arg(CharacterCount(value));
}

QVariant ValueFromCsv(QByteArrayView text, const TFieldInfo &field, bool identity, int line)
{
    if (text.isEmpty())
        return QVariant();
    switch (field.Type) {
    case ftInteger:
    case ftAutoInc: {
        qint64 value = 0;
        if (!ReadWhole(text, value))
            throw NotA(text, "a whole number", field, line);
        if (identity && (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max()))
            throw EConvertError(QStringLiteral("line %1: %2 is beyond the largest %3, %4")
                                    .arg(line).arg(Shown(Csv::Text(text)), field.Name).arg(std::numeric_limits<qint32>::max()));
        return value;
    }
    case ftFloat: {
        double value = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
            throw NotA(text, "a number", field, line);
        return value;
    }
    case ftDate: {
        auto digits = [&](int from, int count) {
            int value = 0;
            for (int i = from; i < from + count; ++i) {
                if (text[i] < '0' || text[i] > '9')
                    return -1;
                value = value * 10 + (text[i] - '0');
            }
            return value;
        };
        const QDate date = text.size() == 10 && text[4] == '-' && text[7] == '-'
            ? QDate(digits(0, 4), digits(5, 2), digits(8, 2))
            : QDate();
        if (!date.isValid() || date.year() < 1)
            throw NotA(text, "a date (YYYY-MM-DD)", field, line);
        return date;
    }
    case ftString:
    case ftUnknown:
        break;
    }
    QString value = Csv::Text(text);
    if (field.Size > 0 && CharacterCount(value) > field.Size)
        throw EConvertError(QStringLiteral("line %1: the text %2 is longer than the %3 characters of field '%4'")
                                .arg(line).arg(Shown(value)).arg(field.Size).arg(field.Name));
    return value;
}

void WriteTableCsv(TStoreTableCursor &table, const QList<int> &fields, QIODevice &device, const QString &target)
{
    const QList<TFieldInfo> infos = table.Fields();
    CheckedWriter writer(device, target);
    QByteArray &out = writer.Buffer();
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            Csv::AppendSeparator(out);
        Csv::AppendField(out, infos.at(fields[i]).Name);
    }
    Csv::AppendRecordEnd(out);
    const std::unique_ptr<TStoreRowStream> rows = table.ReadAll();
    TRecordData row;
    while (rows->Next(row)) {
        for (int i = 0; i < fields.size(); ++i) {
            if (i > 0)
                Csv::AppendSeparator(out);
            AppendValue(out, row.Values.at(fields[i]));
        }
        Csv::AppendRecordEnd(out);
        writer.FlushWhenFull();
    }
    writer.Flush();
}

qint64 ImportTableCsv(TStoreTableCursor &table, Csv::TReader &reader, TImportMode mode)
{
    const QList<TFieldInfo> infos = table.Fields();
    if (!reader.Next())
        throw EConvertError(QStringLiteral("line 1: the header is missing"));
    const int headerLine = reader.Line();
    QList<int> columns;
    for (const QString &header : reader.Fields()) {
        const QString name = header.trimmed();
        int found = -1;
        for (int i = 0; i < infos.size() && found < 0; ++i)
            if (infos[i].Name.compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            throw EConvertError(QStringLiteral("line %1: the table has no field %2").arg(headerLine).arg(Shown(header)));
        if (columns.contains(found))
            throw EConvertError(QStringLiteral("line %1: field '%2' is named twice").arg(headerLine).arg(header));
        columns << found;
    }
    const int identity = table.IdentityField();
    const int identityColumn = identity >= 0 ? int(columns.indexOf(identity)) : -1;

    table.BeginTransaction();
    auto rollback = qScopeGuard([&table] {
        try {
            table.Rollback();
        } catch (const Exception &) {
            // The failure that ended the import is the one to report; an open transaction ends
            // with the connection anyway.
        }
    });
    if (mode == TImportMode::ReplaceTheOneRecord)
        RemoveEveryRecord(table);
    std::unique_ptr<TStoreBulkInsert> writer = table.BulkInsert(columns);
    QVector<QVariant> values(columns.size());
    qint64 stored = 0;
    while (reader.Next()) {
        const int line = reader.Line();
        if (reader.FieldCount() != columns.size())
            throw EConvertError(QStringLiteral("line %1: %2 values where the header names %3 fields")
                                    .arg(line).arg(reader.FieldCount()).arg(columns.size()));
        if (mode == TImportMode::ReplaceTheOneRecord && stored == 1)
            throw EConvertError(QStringLiteral("line %1: a second record, where the table holds one record only").arg(line));
        for (int c = 0; c < columns.size(); ++c)
            values[c] = ValueFromCsv(reader.Field(c), infos[columns[c]], columns[c] == identity, line);
        std::optional<qint64> id;
        try {
            id = writer->Add(values);
        } catch (const EDatabaseError &error) {
            throw EDatabaseError(QStringLiteral("line %1: %2").arg(line).arg(error.Message()));
        }
        if (!id && identityColumn >= 0)
            throw EConvertError(QStringLiteral("line %1: %2 %3 is already taken")
                                    .arg(line).arg(infos[identity].Name).arg(values[identityColumn].toLongLong()));
        if (!id)
            throw EConvertError(QStringLiteral("line %1: a record with the same key is stored already").arg(line));
        if (identity >= 0 && *id > std::numeric_limits<qint32>::max())
            throw EConvertError(QStringLiteral("line %1: no %2 is left for the record: the largest, %3, is taken")
                                    .arg(line).arg(infos[identity].Name).arg(std::numeric_limits<qint32>::max()));
        ++stored;
    }
    if (mode == TImportMode::ReplaceTheOneRecord && stored == 0)
        throw EConvertError(QStringLiteral("the file holds no record, where the table needs its one record"));
    writer.reset();
    table.Commit();
    rollback.dismiss();
    return stored;
}

} // namespace Cli
