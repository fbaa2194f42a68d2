#include "StoreEngine.h"

// The whole-table paths for an engine that has nothing faster: built from the record calls.

namespace {

class RecordByRecordInsert : public TStoreBulkInsert
{
public:
    RecordByRecordInsert(TStoreTableCursor &table, const QList<int> &fields)
        : m_table(table), m_fields(fields)
    {
        const int count = int(table.Fields().size());
        m_values.resize(count);
        m_assigned.fill(false, count);
        for (const int field : fields)
            m_assigned[field] = true;
        m_identity = int(fields.indexOf(table.IdentityField()));
    }

    std::optional<qint64> Add(const QVector<QVariant> &values) override
    {
        if (m_identity >= 0 && !values.value(m_identity).isNull()
            && m_table.FetchById(values.value(m_identity).toLongLong()))
            return std::nullopt;
        for (int i = 0; i < m_fields.size(); ++i)
            m_values[m_fields[i]] = values.value(i);
        return m_table.Insert(m_values, m_assigned);
    }

private:
    TStoreTableCursor &m_table;
    QList<int> m_fields;
    int m_identity = -1;
    QVector<QVariant> m_values;
    QVector<bool> m_assigned;
};

class PagedReader : public TStoreRowStream
{
public:
    explicit PagedReader(TStoreTableCursor &table) : m_table(table) {}

    bool Next(TRecordData &row) override
    {
        if (m_next == m_page.size()) {
            if (m_ended)
                return false;
            TFetchRequest request;
            request.HasAnchor = m_started;
            request.AnchorId = m_lastId;
            request.Count = kPageSize;
            m_page = m_table.Fetch(request);
            m_next = 0;
            m_started = true;
            m_ended = m_page.size() < kPageSize;
            if (m_page.isEmpty())
                return false;
        }
        row = std::move(m_page[m_next++]);
        m_lastId = row.Id;
        return true;
    }

private:
    static constexpr int kPageSize = 1000;
    TStoreTableCursor &m_table;
    QList<TRecordData> m_page;
    qsizetype m_next = 0;
    qint64 m_lastId = 0;
    bool m_started = false;
    bool m_ended = false;
};

} // namespace

std::unique_ptr<TStoreBulkInsert> TStoreTableCursor::BulkInsert(const QList<int> &fields)
{
    return std::make_unique<RecordByRecordInsert>(*this, fields);
}

std::unique_ptr<TStoreRowStream> TStoreTableCursor::ReadAll()
{
    return std::make_unique<PagedReader>(*this);
}
