#pragma once

#include "FilterExpression.h"
#include "StoreEngine.h"
#include "TField.h"
#include "TLoadable.h"

#include <QObject>
#include <QPointer>
#include <memory>

class TDataSource;

// A remembered record (GetBookmark / GotoBookmark).
struct TBookmark
{
    bool Valid = false;
    qint64 Id = 0;
};

// One table of a connection with a current record. The table never holds more than the current
// record (and an edit buffer): every move asks the engine for the neighbour in the current order,
// so moves, finds and posts cost the same on ten records as on a million.
class TTable : public QObject, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(QString DatabaseName READ DatabaseName WRITE SetDatabaseName)
    Q_PROPERTY(QString TableName READ TableName WRITE SetTableName)
    Q_PROPERTY(QString IndexFieldNames READ IndexFieldNames WRITE SetIndexFieldNames)
    Q_PROPERTY(QString IndexName READ IndexName WRITE SetIndexName)
    Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(bool Filtered READ Filtered WRITE SetFiltered)
    Q_PROPERTY(bool Active READ Active WRITE SetActive)

public:
    explicit TTable(QObject *parent = nullptr);
    ~TTable() override;

    QString DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const QString &name);
    QString TableName() const { return m_tableName; }
    void SetTableName(const QString &name);

    bool Active() const { return m_state != dsInactive; }
    void SetActive(bool active);
    void Open();
    // Closes the table; a change that was not posted is discarded.
    void Close();

    TDataSetState State() const { return m_state; }
    bool Editing() const { return m_state == dsEdit || m_state == dsInsert; }
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const { return Active() && !m_hasRecord && m_state != dsInsert; }
    bool CanModify() const;
    bool Modified() const { return m_modified; }
    bool IsFiltered() const { return m_filtered && !m_filterCondition.IsEmpty(); }

    // Fields stay known after Close, so bound widgets keep their field; they read as empty then.
    int FieldCount() const { return int(m_fields.size()); }
    TField *Fields(int index) const { return m_fields.value(index); }
    TField *FindField(const QString &name) const;
    // Raises "Field '%s' not found".
    TField *FieldByName(const QString &name) const;

    void Edit();
    void Insert();
    void Append() { Insert(); }
    void Post();
    void Cancel();
    void Delete();
    // Asks the bound widgets to write their pending edits into the record.
    void UpdateRecord();
    // Leaves edit or insert state the way a move does: the widgets' pending edits are written,
    // then a modified record is posted and an unchanged one cancelled.
    void CheckBrowseMode();

    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Returns how many records the current one moved.
    int MoveBy(int distance);
    void Refresh();
    // Shows what another program changed in the table since it was last read, staying on the
    // current record; nothing happens while the record is being edited. True when it had changed.
    bool RefreshIfChangedElsewhere();
    // Looks at the table's server without waiting (connecting again when it can, and without
    // taking in what changed there); whether it can be reached. Always so for files.
    bool CheckConnection();
    // Reads the current record again as stored (raises "Record not found" when it is gone). Inside
    // a transaction, the values read are the ones the transaction's writes start from.
    void RereadRecord();

    TBookmark GetBookmark() const;
    bool BookmarkValid(const TBookmark &bookmark);
    // Raises "Record not found" when the record is gone.
    void GotoBookmark(const TBookmark &bookmark);
    void FreeBookmark(TBookmark &bookmark) { bookmark = TBookmark(); }

    QString Filter() const { return m_filterText; }
    // A text that does not parse is refused with its message and the old filter stays.
    void SetFilter(const QString &text);
    bool Filtered() const { return m_filtered; }
    void SetFiltered(bool filtered);

    QString IndexFieldNames() const { return m_indexFieldNames; }
    // Orders by that field (a modified record is posted first); the key search uses it.
    void SetIndexFieldNames(const QString &names);
    QString IndexName() const { return QString(); }
    // "" returns to the primary order; the store knows no other named index.
    void SetIndexName(const QString &name);
    // Makes current the first record whose key equals the text converted to the key field's kind;
    // when nothing is found the current record stays.
    bool FindKey(const QString &keyText);

    qint64 RecordCount();
    // RecordCount as this table last counted it; counted again only after a change through this
    // table, a refresh, or a change of order or filter, so it is cheap to ask at every move.
    qint64 KnownRecordCount();
    // The number of the current record in the current order and filter, from 1; 0 when there is
    // none. Moves keep it at no cost; after a jump it is counted once through the order.
    qint64 RecNo();
    // Makes current the record with that number (the last one when the number lies beyond it).
    void SetRecNo(qint64 number);

    // Posts and deletes between these are stored together when Commit returns, or not at all.
    void StartTransaction();
    void Commit();
    // Drops the writes since StartTransaction (and any unposted change) and shows the table as stored.
    void Rollback();
    bool InTransaction() const { return m_inTransaction; }
    // The connection the table reaches its file or server through (made when first needed).
    TStoreConnection &Connection() const;
    // Another table of this table's file, on its connection: its writes join this table's
    // transactions. The table must be open.
    std::unique_ptr<TStoreTableCursor> OpenCompanion(const QString &tableName);

    // For grids: the stored record that is current (nullptr when there is none), and up to
    // `count` records beyond it in the current order, nearest first.
    const TRecordData *CurrentRecord() const { return m_hasRecord ? &m_current : nullptr; }
    QList<TRecordData> RecordsBeyondCurrent(bool forward, int count);
    // The values shown for the current record: the edit buffer while editing.
    const QVector<QVariant> &ActiveValues() const;

    // Creates the table's file through the connection (the table must be closed).
    void CreateTable(const QList<TFieldInfo> &fields);
    bool Exists() const;

private:
    friend class TField;
    friend class TDataSource;

    QVariant FieldValue(int index) const;
    void SetFieldValue(int index, const QVariant &value);

    void CheckActive() const;
    void SetState(TDataSetState state);
    // A change of state and the notification that follows it.
    void ChangeState(TDataSetState state, TDataEvent follow);
    void DataEvent(TDataEvent event, qintptr info = 0);
    void MakeFields();
    int OrderField() const { return m_orderField; }
    TFetchRequest Request(bool forward, int count, bool fromCurrent) const;
    TSqlCondition ActiveFilter() const { return m_filtered ? m_filterCondition : TSqlCondition(); }
    void SetCurrent(const std::optional<TRecordData> &record);
    void ResyncAfterChange(); // after open, refresh, order or filter change
    // Resyncs when another connection changed the table since it was last looked at.
    bool CatchUpWithOtherWriters();

    void AddDataSource(TDataSource *source);
    void RemoveDataSource(TDataSource *source);

    QString m_databaseName;
    QString m_tableName;
    QString m_indexFieldNames;
    int m_orderField = -1;
    QString m_filterText;
    TSqlCondition m_filterCondition;
    bool m_filtered = false;

    mutable std::unique_ptr<TStoreConnection> m_ownConnection; // when DatabaseName is a folder
    std::unique_ptr<TStoreTableCursor> m_cursor;
    QList<TField *> m_fields;
    QList<TFieldInfo> m_fieldInfos;
    QList<QPointer<TDataSource>> m_sources;

    TDataSetState m_state = dsInactive;
    bool m_bof = true;
    bool m_eof = true;
    bool m_hasRecord = false;
    TRecordData m_current;
    qint64 m_recNo = 0;  // 0 while not known
    qint64 m_count = -1; // -1 while not known
    QVector<QVariant> m_editBuffer;
    QVector<bool> m_changed;
    bool m_modified = false;
    bool m_inTransaction = false;
    qint64 m_dataVersion = 0;
};

// The table's writes from its making until Commit, stored together or not at all: it waits for
// the write lock first (another program's write ends before it begins), and undoes everything
// when it goes without Commit. Inside a transaction already begun it adds nothing.
class TTableTransaction
{
public:
    explicit TTableTransaction(TTable &table);
    ~TTableTransaction();
    TTableTransaction(const TTableTransaction &) = delete;
    TTableTransaction &operator=(const TTableTransaction &) = delete;

    void Commit();

private:
    TTable &m_table;
    bool m_own;
    bool m_committed = false;
};
