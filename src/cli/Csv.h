#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

class QIODevice;

// Comma-separated values as RFC 4180 writes them: fields with a comma, a quote, a line break or
// blanks at either end are quoted, quotes inside are doubled, records end with CRLF.
namespace Csv {

QString Field(const QString &value);
QString Record(const QStringList &fields);

// The same in UTF-8, appended to `out`: a field as Field writes it, the separator, the record end.
void AppendField(QByteArray &out, QStringView value);
inline void AppendSeparator(QByteArray &out) { out.append(','); }
inline void AppendRecordEnd(QByteArray &out) { out.append("\r\n", 2); }

// Whether the bytes are UTF-8 as the standard defines it (no overlong forms, no surrogates).
bool IsValidUtf8(QByteArrayView bytes);
// The text of UTF-8 bytes, all of it: a U+FEFF in front is kept, as any other character.
QString Text(QByteArrayView utf8);

// Reads records from a device one at a time, holding no more than the record being read: a
// file of any length is read in the same memory. Accepts LF, CRLF or CR line ends, a final line
// without one, quoted fields over several lines, and a UTF-8 byte order mark in front; skips
// empty lines. Refuses, with EConvertError "line N: ...", a quote that is not closed, text after a
// closing quote, a NUL byte, text that is not UTF-8, and a record longer than kMaxRecordBytes or
// with more than kMaxFields fields (so that endless input ends with a message).
class TReader
{
public:
    static constexpr qsizetype kMaxRecordBytes = 1 << 20;
    static constexpr int kMaxFields = 1000;

    explicit TReader(QIODevice &device);

    // Reads the next record; false at the end of the input.
    bool Next();
    // The line the record starts on, counted from 1.
    int Line() const { return m_recordLine; }
    int FieldCount() const { return int(m_ends.size()); }
    // The field's bytes, valid until the next call of Next.
    QByteArrayView Field(int index) const
    {
        const qsizetype start = index == 0 ? 0 : m_ends[index - 1];
        return QByteArrayView(m_record.constData() + start, m_ends[index] - start);
    }
    QStringList Fields() const;

private:
    bool Fill();
    void EndField();
    void CheckSize(bool inQuotes) const;
    // After a CR outside quotes: a LF right after belongs to the same line end.
    void SkipLineFeed();

    QIODevice &m_device;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
    bool m_atStart = true;
    int m_line = 1;
    int m_recordLine = 1;
    QByteArray m_record;            // the fields' bytes, unquoted, one after another
    std::vector<qsizetype> m_ends;  // where each field ends in m_record
};

struct TRecord
{
    int Line = 0;          // the line the record starts on, counted from 1
    QStringList Fields;
};

// Every record of a text, read as TReader reads a device.
QList<TRecord> Parse(const QString &text);

} // namespace Csv
