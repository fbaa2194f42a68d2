#pragma once

#include "StoreTypes.h"

#include <QMap>
#include <functional>
#include <memory>
#include <optional>

// The seam between the record store and a table engine. The store above it (tables, fields, data
// sources) knows nothing of the engine; an engine is chosen by the driver of a connection.

class TStoreBulkInsert;
class TStoreRowStream;

// One open table.
class TStoreTableCursor
{
public:
    virtual ~TStoreTableCursor() = default;

    virtual QList<TFieldInfo> Fields() const = 0;
    // Whether the table refuses changes (a write-protected file, say).
    virtual bool IsReadOnly() const = 0;
    // The index of the field whose value is the record identity, -1 when the identity is hidden.
    virtual int IdentityField() const = 0;

    // Up to Count records beyond the anchor in the order, nearest first.
    virtual QList<TRecordData> Fetch(const TFetchRequest &request) = 0;
    // The record with that identity, when it exists and passes the filter.
    virtual std::optional<TRecordData> FetchById(qint64 id, const TSqlCondition &filter = {}) = 0;
    // The record with that identity, read inside the current transaction and held against other
    // writers until it ends. The file engine's write transaction holds the whole file already.
    virtual std::optional<TRecordData> FetchForUpdate(qint64 id) { return FetchById(id); }
    // The first record in the order whose field equals the value.
    virtual std::optional<TRecordData> FindFirst(int field, const QVariant &value, const TSqlCondition &filter) = 0;
    virtual qint64 Count(const TSqlCondition &filter) = 0;
    // How many records pass the filter ahead of the anchor in the order (Forward is ignored):
    // the anchor's place, counted from 0. The plain form walks the keys; an engine does better
    // through its index.
    virtual qint64 CountBefore(const TFetchRequest &request);
    // The identity of the record at a place of the order (counted from 0), none past the end.
    virtual std::optional<qint64> IdentityAt(int orderField, qint64 place, const TSqlCondition &filter);

    // Every write is committed and durable when it returns.
    // Insert stores the assigned values and returns the new record's identity.
    virtual qint64 Insert(const QVector<QVariant> &values, const QVector<bool> &assigned) = 0;
    virtual void Update(qint64 id, const QVector<QVariant> &values, const QVector<bool> &changed) = 0;
    // Updates the record only when it still holds `original` (its values as they were read);
    // otherwise raises EDatabaseError and writes nothing. An engine that cannot tell updates.
    virtual void UpdateAsRead(qint64 id, const QVector<QVariant> &original, const QVector<QVariant> &values,
                              const QVector<bool> &changed)
    {
        Q_UNUSED(original);
        Update(id, values, changed);
    }
    // Raises EDatabaseError when the record is not there to remove.
    virtual void Remove(qint64 id) = 0;
    // A number that changes when another connection or process has changed the table since the
    // last call; 0 from an engine that cannot tell.
    virtual qint64 DataVersion() { return 0; }
    // Whether the table's server could be reached at the last look (DataVersion looks again);
    // always so for files.
    virtual bool IsConnected() { return true; }

    // Groups writes into one transaction: nothing of it is stored unless Commit returns.
    virtual void BeginTransaction() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;

    // Another table kept beside this one (in the same file), reached through this table's own
    // connection so that its writes join this table's transactions. Refused by engines that
    // keep one table per connection.
    virtual std::unique_ptr<TStoreTableCursor> OpenCompanion(const QString &tableName);

    // Whole-table paths for import and export, record by record in constant memory. Both hold
    // on to the cursor: they must end before it does. An engine without faster means inherits
    // these, built from the calls above.
    // Adds records carrying values for the given fields; meant for use inside a transaction.
    virtual std::unique_ptr<TStoreBulkInsert> BulkInsert(const QList<int> &fields);
    // Every record in the primary order. The SQLite engine reads the table as it stood when the
    // reading began; the inherited path reads it a page at a time.
    virtual std::unique_ptr<TStoreRowStream> ReadAll();
};

class TStoreBulkInsert
{
public:
    virtual ~TStoreBulkInsert() = default;
    // Stores one record (values in the order of the writer's fields, null for empty) and returns
    // its identity; std::nullopt, with nothing stored, when the identity given is taken already.
    virtual std::optional<qint64> Add(const QVector<QVariant> &values) = 0;
};

class TStoreRowStream
{
public:
    virtual ~TStoreRowStream() = default;
    // Reads the next record into `row`; false after the last.
    virtual bool Next(TRecordData &row) = 0;
};

// The tables reachable through one connection.
class TStoreConnection
{
public:
    virtual ~TStoreConnection() = default;

    virtual bool TableExists(const QString &tableName) const = 0;
    // Opens an existing table; fails with a message that names the table when it cannot be read.
    virtual std::unique_ptr<TStoreTableCursor> OpenTable(const QString &tableName) = 0;
    // Creates a new, empty table; refuses when it exists already.
    virtual void CreateTable(const QString &tableName, const QList<TFieldInfo> &fields) = 0;
};

// Parameters of a connection in their stored form ("PATH=...", "DEFAULT DRIVER=...").
class TConnectionParams
{
public:
    TConnectionParams() = default;
    explicit TConnectionParams(const QStringList &params);

    QString Value(const QString &name) const;
    const QStringList &Lines() const { return m_lines; }

private:
    QStringList m_lines;
};

using TEngineFactory = std::function<std::unique_ptr<TStoreConnection>(const TConnectionParams &)>;

// Registers an engine under a driver name (upper-case comparison). The built-in file engine is
// registered as "STANDARD" with the default drivers "PARADOX" and "SQLITE".
void RegisterEngine(const QString &driverName, TEngineFactory factory);
// Makes a connection for a driver and its parameters; raises EDatabaseError for an unknown driver.
std::unique_ptr<TStoreConnection> MakeConnection(const QString &driverName, const TConnectionParams &params);

// Where a program's tables live is named by one text: a folder of table files, or the URL of a
// server database ("postgresql://user@host:port/dbname", "postgres://" too).
bool IsServerLocation(const QString &location);
// The driver and the parameters that reach the tables of a location.
QString LocationDriver(const QString &location);
QStringList LocationParams(const QString &location);
// A connection to the tables of a location.
std::unique_ptr<TStoreConnection> MakeLocationConnection(const QString &location);
// The location as it may be shown: a folder as it is, a URL without any password.
QString ShownLocation(const QString &location);
