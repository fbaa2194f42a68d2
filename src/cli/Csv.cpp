#include "Csv.h"

#include "Exceptions.h"

namespace Csv {

QString Field(const QString &value)
{
    const bool quote = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"'))
        || value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))
        || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quote)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString Record(const QStringList &fields)
{
    // A lone empty field would make an empty line, which readers skip.
    if (fields.size() == 1 && fields.first().isEmpty())
        return QStringLiteral("\"\"\r\n");
    QStringList written;
    written.reserve(fields.size());
    for (const QString &field : fields)
        written << Field(field);
    return written.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QList<TRecord> Parse(const QString &text)
{
    QList<TRecord> records;
    TRecord record;
    QString field;
    int line = 1;
    record.Line = 1;
    bool quoted = false;       // inside a quoted field
    bool afterQuote = false;   // a quoted field was closed and only a separator may follow
    bool any = false;          // the current record has begun

    auto endField = [&] {
        record.Fields << field;
        field.clear();
        afterQuote = false;
    };
    auto endRecord = [&] {
        endField();
        records << record;
        record = TRecord();
        any = false;
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += ch;
                    ++i;
                } else {
                    quoted = false;
                    afterQuote = true;
                }
            } else {
                if (ch == QLatin1Char('\n'))
                    ++line;
                field += ch;
            }
            continue;
        }
        if (ch == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue; // the LF that follows ends the record
        if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) {
            if (any)
                endRecord();
            ++line;
            record.Line = line;
            continue;
        }
        if (!any) {
            any = true;
            record.Line = line;
        }
        if (ch == QLatin1Char(',')) {
            endField();
            continue;
        }
        if (afterQuote)
            throw EConvertError(QStringLiteral("line %1: text after a closing quote").arg(line));
        if (ch == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
            continue;
        }
        field += ch;
    }
    if (quoted)
        throw EConvertError(QStringLiteral("line %1: a quoted field is not closed").arg(record.Line));
    if (any)
        endRecord();
    return records;
}

} // namespace Csv
