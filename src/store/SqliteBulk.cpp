#include "SqliteEngine.h"

#include "Exceptions.h"

#include <QDate>
#include <sqlite3.h>

// The whole-table paths of the SQLite engine: one prepared statement each, stepped once per
// record, so that neither the record store's buffers nor a result set ever hold the table.

namespace {

// "YYYY-MM-DD" as the engine stores dates, written without a general date formatter.
int BindDate(sqlite3_stmt *statement, int position, const QDate &date)
{
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (year < 1 || year > 9999) {
        const QByteArray text = date.toString(Qt::ISODate).toUtf8();
        return sqlite3_bind_text(statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    const char text[10] = {char('0' + year / 1000), char('0' + year / 100 % 10), char('0' + year / 10 % 10), char('0' + year % 10), '-',
                           char('0' + month / 10), char('0' + month % 10), '-', char('0' + day / 10), char('0' + day % 10)};
    return sqlite3_bind_text(statement, position, text, 10, SQLITE_TRANSIENT);
}

int BindValue(sqlite3_stmt *statement, int position, const QVariant &value)
{
    if (value.isNull())
        return sqlite3_bind_null(statement, position);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Bool:
        return sqlite3_bind_int64(statement, position, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(statement, position, value.toDouble());
    case QMetaType::QDate:
        return BindDate(statement, position, value.toDate());
    default: {
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text(statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
}

} // namespace

class TSqliteTable::BulkWriter : public TStoreBulkInsert
{
public:
    BulkWriter(TSqliteTable &table, const QList<int> &fields) : m_table(table), m_count(int(fields.size()))
    {
        QStringList names, marks;
        for (const int field : fields) {
            names << QuoteIdentifier(table.m_fields.at(field).Name);
            marks << QStringLiteral("?");
        }
        const QString sql = fields.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuoteIdentifier(table.m_sqlName))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(QuoteIdentifier(table.m_sqlName), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(table.m_db, utf8.constData(), int(utf8.size()), &m_statement, nullptr) != SQLITE_OK)
            table.Fail(QStringLiteral("preparing to add records"));
    }
    ~BulkWriter() override { sqlite3_finalize(m_statement); }

    std::optional<qint64> Add(const QVector<QVariant> &values) override
    {
        for (int i = 0; i < m_count; ++i)
            if (BindValue(m_statement, i + 1, values.value(i)) != SQLITE_OK)
                m_table.Fail(QStringLiteral("binding a value"));
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_DONE) {
            sqlite3_reset(m_statement);
            return sqlite3_last_insert_rowid(m_table.m_db);
        }
        // The message belongs to the step; reset would report the same failure again.
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_table.m_db));
        sqlite3_reset(m_statement);
        if (rc == SQLITE_CONSTRAINT_PRIMARYKEY || rc == SQLITE_CONSTRAINT_ROWID)
            return std::nullopt;
        throw EDatabaseError(QStringLiteral("Table '%1': error while adding a record: %2").arg(m_table.m_filePath, message));
    }

private:
    TSqliteTable &m_table;
    int m_count;
    sqlite3_stmt *m_statement = nullptr;
};

class TSqliteTable::RowReader : public TStoreRowStream
{
public:
    explicit RowReader(TSqliteTable &table) : m_table(table)
    {
        const QByteArray sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(table.m_columns, QuoteIdentifier(table.m_sqlName)).toUtf8();
        if (sqlite3_prepare_v2(table.m_db, sql.constData(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK)
            table.Fail(QStringLiteral("preparing to read the table"));
    }
    ~RowReader() override { sqlite3_finalize(m_statement); }

    bool Next(TRecordData &row) override
    {
        // A statement stepped after its end would start over.
        if (m_ended)
            return false;
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_DONE) {
            m_ended = true;
            return false;
        }
        if (rc != SQLITE_ROW)
            m_table.Fail(QStringLiteral("reading"));
        const int count = int(m_table.m_fields.size());
        row.Id = sqlite3_column_int64(m_statement, 0);
        row.Values.resize(count);
        for (int i = 0; i < count; ++i)
            row.Values[i] = m_table.ReadValue(m_statement, i + 1, m_table.m_fields[i].Type);
        return true;
    }

private:
    TSqliteTable &m_table;
    sqlite3_stmt *m_statement = nullptr;
    bool m_ended = false;
};

std::unique_ptr<TStoreBulkInsert> TSqliteTable::BulkInsert(const QList<int> &fields)
{
    return std::make_unique<BulkWriter>(*this, fields);
}

std::unique_ptr<TStoreRowStream> TSqliteTable::ReadAll()
{
    return std::make_unique<RowReader>(*this);
}
