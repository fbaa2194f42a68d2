#pragma once

#include <QString>
#include <QStringList>

// Comma-separated values as RFC 4180 writes them: fields with a comma, a quote, a line break or
// blanks at either end are quoted, quotes inside are doubled, records end with CRLF.
namespace Csv {

QString Field(const QString &value);
QString Record(const QStringList &fields);

struct TRecord
{
    int Line = 0;          // the line the record starts on, counted from 1
    QStringList Fields;
};

// Reads every record (accepting LF or CRLF line ends and a final line without one). Raises
// EConvertError naming the line for a quote that is not closed or text after a closing quote.
QList<TRecord> Parse(const QString &text);

} // namespace Csv
