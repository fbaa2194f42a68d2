#pragma once

#include "StoreEngine.h"

#include <QHash>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// The built-in engine: every table is one SQLite file in the connection's folder. The file is
// named as the table ("hcap.DB"); the table inside it is named without the extension ("hcap").
// Writes run in autocommit with synchronous=FULL on a write-ahead log, so a write that returned
// survives a crash or a power cut. A table is switched to the log only when it is first written
// to: reading a file never changes it.
class TSqliteConnection : public TStoreConnection
{
public:
    explicit TSqliteConnection(QString folder);

    bool TableExists(const QString &tableName) const override;
    std::unique_ptr<TStoreTableCursor> OpenTable(const QString &tableName) override;
    void CreateTable(const QString &tableName, const QList<TFieldInfo> &fields) override;
    // Creates the table with its first records (values in field order), all in one transaction.
    void CreateTable(const QString &tableName, const QList<TFieldInfo> &fields, const QList<QVariantList> &records);

    QString FilePath(const QString &tableName) const;
    // Whether the file at that path holds nothing at all: zero bytes, or an SQLite file with no
    // schema (what a first start killed before its table was made leaves). Such a file may be
    // made into a table.
    static bool HoldsNothing(const QString &filePath);

private:
    QString m_folder;
};

class TSqliteTable : public TStoreTableCursor
{
public:
    // Opens and checks the file; raises EDatabaseError naming the file when it is no table of ours.
    TSqliteTable(const QString &filePath, const QString &sqlName);
    ~TSqliteTable() override;

    QList<TFieldInfo> Fields() const override { return m_fields; }
    bool IsReadOnly() const override { return m_readOnly; }
    int IdentityField() const override { return m_identityField; }

    QList<TRecordData> Fetch(const TFetchRequest &request) override;
    std::optional<TRecordData> FetchById(qint64 id, const TSqlCondition &filter = {}) override;
    std::optional<TRecordData> FindFirst(int field, const QVariant &value, const TSqlCondition &filter) override;
    qint64 Count(const TSqlCondition &filter) override;
    qint64 CountBefore(const TFetchRequest &request) override;
    std::optional<qint64> IdentityAt(int orderField, qint64 place, const TSqlCondition &filter) override;

    qint64 Insert(const QVector<QVariant> &values, const QVector<bool> &assigned) override;
    void Update(qint64 id, const QVector<QVariant> &values, const QVector<bool> &changed) override;
    void UpdateAsRead(qint64 id, const QVector<QVariant> &original, const QVector<QVariant> &values,
                      const QVector<bool> &changed) override;
    void Remove(qint64 id) override;
    qint64 DataVersion() override;
    void BeginTransaction() override;
    void Commit() override;
    void Rollback() override;
    std::unique_ptr<TStoreBulkInsert> BulkInsert(const QList<int> &fields) override;
    std::unique_ptr<TStoreRowStream> ReadAll() override;
    // A table of the same file on this table's database handle.
    std::unique_ptr<TStoreTableCursor> OpenCompanion(const QString &tableName) override;

private:
    class Statement;
    class BulkWriter;
    class RowReader;

    // A companion: shares the handle, which closes when its last user goes.
    TSqliteTable(std::shared_ptr<sqlite3> handle, const QString &filePath, const QString &sqlName);
    void FinishOpening();

    Statement Prepare(const QString &sql);
    [[noreturn]] void Fail(const QString &what) const;
    void Execute(const char *sql, const QString &what);
    void ReadStructure();
    [[noreturn]] void CannotRead(int code, const QString &message) const;
    // Before the first write: refuses a table that cannot be changed, saying why, and switches
    // the file to the write-ahead log with full syncs, raising when the file system refuses.
    void PrepareWriting();
    TRecordData ReadRow(sqlite3_stmt *statement) const;
    QVariant ReadValue(sqlite3_stmt *statement, int column, TFieldType type) const;
    // Runs one segment of a fetch and appends up to `limit` records.
    qint64 CountWhere(const QString &where, const QVariantList &params, const TSqlCondition &filter);
    void FetchSegment(const TFetchRequest &request, const QString &where, const QString &order,
                      const QVariantList &params, int limit, QList<TRecordData> &rows);

    QString m_filePath;
    QString m_sqlName;
    QString m_columns; // "rowid, "a", "b", ..." for SELECT
    std::shared_ptr<sqlite3> m_handle;
    sqlite3 *m_db = nullptr;
    QList<TFieldInfo> m_fields;
    int m_identityField = -1;
    bool m_readOnly = false;
    QString m_readOnlyReason;
    bool m_writing = false; // PrepareWriting has succeeded
    QHash<QString, sqlite3_stmt *> m_statements;
};

// Quotes an identifier for SQL ("a""b").
QString QuoteIdentifier(const QString &name);

// The refusal of a post over a record that someone else changed since it was read; both engines
// say it in the same words, "player" for the players' table and "record" for any other. The
// table name may carry a folder and an extension ("hcap.DB").
QString ChangedElsewhereMessage(const QString &tableName);

// Opens table files ahead, on another thread, so that the next OpenTable of one of them takes it
// ready instead of reading its structure then (the program does this for its own tables while the
// application connects to the display). A file missing or unreadable ahead is opened again when
// asked for, which reports it as usual; so is a file changed or replaced in between. A table opened
// ahead and never asked for stays open until the program ends.
void OpenTablesAhead(const QStringList &filePaths);
// How many tables opened ahead wait to be asked for (those still opening included).
int TablesWaitingAhead();
