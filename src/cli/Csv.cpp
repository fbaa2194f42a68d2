#include "Csv.h"

#include "Exceptions.h"

#include <QBuffer>
#include <QStringDecoder>

namespace Csv {

namespace {

constexpr qsizetype kChunkBytes = 256 * 1024;

bool NeedsQuotes(QStringView value)
{
    return value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) || value.contains(QLatin1Char('\n'))
        || value.contains(QLatin1Char('\r')) || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
}

// Outside quotes these end a run of plain bytes.
constexpr bool EndsUnquotedRun(char ch)
{
    return ch == ',' || ch == '\r' || ch == '\n' || ch == '\0';
}

} // namespace

QString Field(const QString &value)
{
    if (!NeedsQuotes(value))
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

void AppendField(QByteArray &out, QStringView value)
{
    if (!NeedsQuotes(value)) {
        out.append(value.toUtf8());
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    out.append('"');
    for (const char ch : utf8) {
        if (ch == '"')
            out.append('"');
        out.append(ch);
    }
    out.append('"');
}

bool IsValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int extra = 0;
        char32_t code = 0, least = 0;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

QString Text(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

TReader::TReader(QIODevice &device) : m_device(device) {}

bool TReader::Fill()
{
    // What is left unread moves to the front; the rest of the chunk is read anew.
    m_chunk.remove(0, m_pos);
    m_pos = 0;
    const qsizetype kept = m_chunk.size();
    m_chunk.resize(kept + kChunkBytes);
    const qint64 got = m_device.read(m_chunk.data() + kept, kChunkBytes);
    if (got < 0)
        throw EConvertError(QStringLiteral("line %1: the input cannot be read: %2").arg(m_line).arg(m_device.errorString()));
    m_chunk.resize(kept + got);
    return got > 0;
}

void TReader::EndField()
{
    m_ends.push_back(m_record.size());
    if (m_ends.size() > size_t(kMaxFields))
        throw EConvertError(QStringLiteral("line %1: the record has more than %2 fields").arg(m_recordLine).arg(kMaxFields));
}

void TReader::CheckSize(bool inQuotes) const
{
    if (m_record.size() <= kMaxRecordBytes)
        return;
    throw EConvertError(QStringLiteral("line %1: the record is longer than %2 bytes%3")
                            .arg(m_recordLine)
                            .arg(kMaxRecordBytes)
                            .arg(inQuotes ? QStringLiteral(" (is a quote on it not closed?)") : QString()));
}

void TReader::SkipLineFeed()
{
    if ((m_pos < m_chunk.size() || Fill()) && m_chunk.at(m_pos) == '\n')
        ++m_pos;
}

bool TReader::Next()
{
    m_record.resize(0);
    m_ends.clear();
    if (m_atStart) {
        m_atStart = false;
        while (m_chunk.size() - m_pos < 3 && Fill()) {
        }
        if (QByteArrayView(m_chunk).sliced(m_pos).startsWith("\xEF\xBB\xBF"))
            m_pos += 3;
    }

    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted } state = State::FieldStart;
    bool begun = false;
    auto begin = [&] {
        if (!begun) {
            begun = true;
            m_recordLine = m_line;
        }
    };
    auto nulByte = [this] {
        return EConvertError(QStringLiteral("line %1: the text holds a NUL byte").arg(m_line));
    };
    auto endRecord = [&] {
        EndField();
        if (!IsValidUtf8(m_record))
            throw EConvertError(QStringLiteral("line %1: the text is not valid UTF-8").arg(m_recordLine));
        return true;
    };

    for (;;) {
        if (m_pos == m_chunk.size() && !Fill()) {
            if (state == State::Quoted)
                throw EConvertError(QStringLiteral("line %1: a quoted field is not closed").arg(m_recordLine));
            return begun && endRecord();
        }
        const char *const data = m_chunk.constData();
        const qsizetype size = m_chunk.size();
        if (state == State::Quoted || state == State::Unquoted) {
            qsizetype end = m_pos;
            if (state == State::Quoted)
                while (end < size && data[end] != '"' && data[end] != '\n' && data[end] != '\0')
                    ++end;
            else
                while (end < size && !EndsUnquotedRun(data[end]))
                    ++end;
            m_record.append(data + m_pos, end - m_pos);
            m_pos = end;
            CheckSize(state == State::Quoted);
            if (end == size)
                continue;
        }
        const char ch = data[m_pos++];
        if (ch == '\0')
            throw nulByte();
        if (state == State::Quoted) {
            if (ch == '\n') {
                ++m_line;
                m_record.append(ch);
            } else {
                state = State::QuoteInQuoted;
            }
            continue;
        }
        switch (ch) {
        case '"':
            if (state == State::QuoteInQuoted) {
                m_record.append(ch);
                state = State::Quoted;
            } else {
                begin();
                state = State::Quoted;
            }
            continue;
        case ',':
            begin();
            EndField();
            state = State::FieldStart;
            continue;
        case '\r':
            SkipLineFeed();
            [[fallthrough]];
        case '\n':
            ++m_line;
            if (!begun)
                continue; // an empty line
            return endRecord();
        default:
            if (state == State::QuoteInQuoted)
                throw EConvertError(QStringLiteral("line %1: text after a closing quote").arg(m_line));
            begin();
            state = State::Unquoted;
            m_record.append(ch);
            continue;
        }
    }
}

QStringList TReader::Fields() const
{
    QStringList fields;
    fields.reserve(FieldCount());
    for (int i = 0; i < FieldCount(); ++i)
        fields << Text(Field(i));
    return fields;
}

QList<TRecord> Parse(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TReader reader(buffer);
    QList<TRecord> records;
    while (reader.Next())
        records << TRecord{reader.Line(), reader.Fields()};
    return records;
}

} // namespace Csv
