#include "TTable.h"

#include "Exceptions.h"
#include "TDataSource.h"
#include "TDatabase.h"

namespace {

std::optional<TRecordData> FirstOf(const QList<TRecordData> &records)
{
    if (records.isEmpty())
        return std::nullopt;
    return records.first();
}

const QVector<QVariant> &NoValues()
{
    static const QVector<QVariant> none;
    return none;
}

} // namespace

TTable::TTable(QObject *parent) : QObject(parent) {}

TTable::~TTable()
{
    m_cursor.reset();
    m_state = dsInactive;
    const auto sources = m_sources;
    for (const QPointer<TDataSource> &source : sources)
        if (source)
            source->SetDataSet(nullptr);
}

void TTable::SetDatabaseName(const QString &name)
{
    if (m_databaseName == name)
        return;
    if (Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
    m_databaseName = name;
    m_ownConnection.reset();
}

void TTable::SetTableName(const QString &name)
{
    if (m_tableName == name)
        return;
    if (Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
    m_tableName = name;
}

namespace {

void NotifyBeforeWrite(const QString &databaseName)
{
    if (TDatabase *database = TDatabase::Find(databaseName); database && database->BeforeWrite)
        database->BeforeWrite();
}

} // namespace

TStoreConnection &TTable::Connection() const
{
    if (TDatabase *database = TDatabase::Find(m_databaseName))
        return database->Connection();
    // Any other name is taken as the folder of the table files, or a server database's URL.
    if (!m_ownConnection)
        m_ownConnection = MakeLocationConnection(m_databaseName);
    return *m_ownConnection;
}

bool TTable::Exists() const
{
    return Connection().TableExists(m_tableName);
}

void TTable::CreateTable(const QList<TFieldInfo> &fields)
{
    if (Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
    Connection().CreateTable(m_tableName, fields);
}

bool TTable::CanModify() const
{
    return Active() && m_cursor && !m_cursor->IsReadOnly();
}

void TTable::SetActive(bool active)
{
    if (active)
        Open();
    else
        Close();
}

void TTable::MakeFields()
{
    const QList<TFieldInfo> infos = m_cursor->Fields();
    if (infos == m_fieldInfos && !m_fields.isEmpty())
        return;
    qDeleteAll(m_fields);
    m_fields.clear();
    m_fieldInfos = infos;
    for (int i = 0; i < infos.size(); ++i)
        m_fields.append(new TField(this, i, infos[i]));
    DataEvent(deLayoutChange);
}

void TTable::Open()
{
    if (Active())
        return;
    if (m_tableName.isEmpty())
        throw EDatabaseError(QStringLiteral("Missing TableName property"));
    std::unique_ptr<TStoreTableCursor> cursor = Connection().OpenTable(m_tableName);
    const QList<TFieldInfo> infos = cursor->Fields();

    // Resolve the order and the filter against the table before anything changes.
    int orderField = -1;
    if (!m_indexFieldNames.isEmpty()) {
        for (int i = 0; i < infos.size() && orderField < 0; ++i)
            if (infos[i].Name.compare(m_indexFieldNames, Qt::CaseInsensitive) == 0)
                orderField = i;
        if (orderField < 0)
            throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(m_indexFieldNames));
    }
    const TSqlCondition filter = ParseFilter(m_filterText, infos);

    m_cursor = std::move(cursor);
    m_orderField = orderField;
    m_filterCondition = filter;
    MakeFields();
    m_modified = false;
    m_count = -1;
    try {
        m_dataVersion = m_cursor->DataVersion();
        SetCurrent(FirstOf(m_cursor->Fetch(Request(true, 1, false))));
    } catch (...) {
        // A table that fails to open keeps no hold on its file.
        m_cursor.reset();
        throw;
    }
    m_recNo = m_hasRecord ? 1 : 0;
    m_bof = true;
    m_eof = !m_hasRecord;
    ChangeState(dsBrowse, deDataSetChange);
}

void TTable::Close()
{
    if (!Active())
        return;
    if (m_inTransaction) {
        m_inTransaction = false;
        m_cursor->Rollback();
    }
    m_editBuffer.clear();
    m_changed.clear();
    m_modified = false;
    m_hasRecord = false;
    m_current = TRecordData();
    m_recNo = 0;
    m_count = -1;
    m_cursor.reset();
    m_bof = m_eof = true;
    SetState(dsInactive);
}

TField *TTable::FindField(const QString &name) const
{
    for (TField *field : m_fields)
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field;
    return nullptr;
}

TField *TTable::FieldByName(const QString &name) const
{
    TField *field = FindField(name);
    if (!field)
        throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
    return field;
}

const QVector<QVariant> &TTable::ActiveValues() const
{
    if (m_state == dsEdit || m_state == dsInsert)
        return m_editBuffer;
    if (m_state == dsBrowse && m_hasRecord)
        return m_current.Values;
    return NoValues();
}

QVariant TTable::FieldValue(int index) const
{
    return ActiveValues().value(index);
}

void TTable::SetFieldValue(int index, const QVariant &value)
{
    if (!Editing())
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    if (index < 0 || index >= m_editBuffer.size())
        return;
    QVariant &slot = m_editBuffer[index];
    const bool same = slot.isNull() == value.isNull() && (value.isNull() || slot == value);
    slot = value;
    m_changed[index] = m_changed[index] || !same;
    m_modified = true;
    DataEvent(deFieldChange, reinterpret_cast<qintptr>(m_fields.value(index)));
}

void TTable::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TTable::UpdateRecord()
{
    if (!Editing())
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    DataEvent(deUpdateRecord);
}

void TTable::CheckBrowseMode()
{
    CheckActive();
    if (!Editing())
        return;
    UpdateRecord();
    if (m_modified)
        Post();
    else
        Cancel();
}

void TTable::SetState(TDataSetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    DataEvent(deUpdateState);
}

void TTable::ChangeState(TDataSetState state, TDataEvent follow)
{
    // Both notifications go out even when a widget fails on the first; the failure is raised
    // once the table and every widget agree on where it stands.
    std::exception_ptr failure;
    try {
        SetState(state);
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        DataEvent(follow);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TTable::DataEvent(TDataEvent event, qintptr info)
{
    const auto sources = m_sources;
    std::exception_ptr failure;
    for (const QPointer<TDataSource> &source : sources) {
        if (!source || !m_sources.contains(source))
            continue;
        try {
            source->DataEvent(event, info);
        } catch (...) {
            // Every widget hears of the change even when one of them fails; the first failure
            // is raised afterwards.
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

void TTable::AddDataSource(TDataSource *source)
{
    if (!m_sources.contains(source))
        m_sources.append(source);
}

void TTable::RemoveDataSource(TDataSource *source)
{
    m_sources.removeAll(source);
    m_sources.removeAll(nullptr);
}

TFetchRequest TTable::Request(bool forward, int count, bool fromCurrent) const
{
    TFetchRequest request;
    request.OrderField = m_orderField;
    request.Forward = forward;
    request.Count = count;
    request.Filter = ActiveFilter();
    if (fromCurrent && m_hasRecord) {
        request.HasAnchor = true;
        request.AnchorId = m_current.Id;
        if (m_orderField >= 0)
            request.AnchorValue = m_current.Values.value(m_orderField);
    }
    return request;
}

void TTable::SetCurrent(const std::optional<TRecordData> &record)
{
    m_hasRecord = record.has_value();
    m_current = record.value_or(TRecordData());
    m_recNo = 0; // whoever knows the new record's place says so afterwards
}

QList<TRecordData> TTable::RecordsBeyondCurrent(bool forward, int count)
{
    if (!Active() || !m_hasRecord || count <= 0)
        return {};
    return m_cursor->Fetch(Request(forward, count, true));
}

void TTable::Edit()
{
    CheckActive();
    if (Editing())
        return;
    if (!m_hasRecord) {
        Insert();
        return;
    }
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    // The edit starts from the record as stored now, not as it was when last read.
    const qint64 editedId = m_current.Id;
    if (CatchUpWithOtherWriters() && (!m_hasRecord || m_current.Id != editedId))
        throw EDatabaseError(QStringLiteral("Record not found: it was deleted meanwhile"));
    m_editBuffer = m_current.Values;
    m_changed = QVector<bool>(m_fields.size(), false);
    m_modified = false;
    ChangeState(dsEdit, deRecordChange);
}

void TTable::Insert()
{
    CheckBrowseMode();
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    m_editBuffer = QVector<QVariant>(m_fields.size());
    m_changed = QVector<bool>(m_fields.size(), false);
    m_modified = false;
    ChangeState(dsInsert, deDataSetChange);
}

void TTable::Post()
{
    CheckActive();
    if (!Editing())
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    DataEvent(deUpdateRecord);
    if (m_state == dsInsert || m_changed.contains(true))
        NotifyBeforeWrite(m_databaseName);
    if (m_state == dsInsert) {
        QVector<bool> assigned(m_fields.size(), false);
        for (int i = 0; i < m_fields.size(); ++i)
            assigned[i] = m_changed[i] || !m_editBuffer[i].isNull();
        const qint64 id = m_cursor->Insert(m_editBuffer, assigned);
        m_count = m_count >= 0 && ActiveFilter().IsEmpty() ? m_count + 1 : -1;
        SetCurrent(m_cursor->FetchById(id));
    } else if (m_changed.contains(true)) {
        // Refused, with the edit kept, when another program changed the record since it was read.
        m_cursor->UpdateAsRead(m_current.Id, m_current.Values, m_editBuffer, m_changed);
        // A changed value may move the record in the order or take it out of the filter.
        if (m_orderField >= 0 || !ActiveFilter().IsEmpty()) {
            m_recNo = 0;
            m_count = -1;
        }
        // The record as stored is what the next post compares with.
        if (const std::optional<TRecordData> stored = m_cursor->FetchById(m_current.Id))
            m_current = *stored;
        else
            m_current.Values = m_editBuffer;
    }
    m_editBuffer.clear();
    m_changed.clear();
    m_modified = false;
    m_bof = m_eof = false;
    ChangeState(dsBrowse, deDataSetChange);
}

void TTable::Cancel()
{
    if (!Editing())
        return;
    m_editBuffer.clear();
    m_changed.clear();
    m_modified = false;
    ChangeState(dsBrowse, deDataSetChange);
}

void TTable::Delete()
{
    CheckActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (!m_hasRecord)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!CanModify())
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    // The neighbours are looked up before the record goes, in the order the user sees.
    const QList<TRecordData> next = m_cursor->Fetch(Request(true, 1, true));
    const QList<TRecordData> prior = next.isEmpty() ? m_cursor->Fetch(Request(false, 1, true)) : QList<TRecordData>();
    NotifyBeforeWrite(m_databaseName);
    const qint64 number = m_recNo;
    m_cursor->Remove(m_current.Id);
    if (m_count > 0)
        --m_count;
    m_editBuffer.clear();
    m_changed.clear();
    m_modified = false;
    if (!next.isEmpty()) {
        SetCurrent(next.first());
        m_recNo = number; // the next record takes the place of the one deleted
        m_bof = m_eof = false;
    } else {
        SetCurrent(FirstOf(prior));
        m_recNo = m_hasRecord && number > 1 ? number - 1 : 0;
        m_bof = !m_hasRecord;
        m_eof = true;
    }
    ChangeState(dsBrowse, deDataSetChange);
}

void TTable::First()
{
    CheckBrowseMode();
    SetCurrent(FirstOf(m_cursor->Fetch(Request(true, 1, false))));
    m_recNo = m_hasRecord ? 1 : 0;
    m_bof = true;
    m_eof = !m_hasRecord;
    DataEvent(deDataSetChange);
}

void TTable::Last()
{
    CheckBrowseMode();
    SetCurrent(FirstOf(m_cursor->Fetch(Request(false, 1, false))));
    if (m_hasRecord && m_count > 0)
        m_recNo = m_count;
    m_eof = true;
    m_bof = !m_hasRecord;
    DataEvent(deDataSetChange);
}

int TTable::MoveBy(int distance)
{
    CheckBrowseMode();
    if (distance == 0 || (distance > 0 && m_eof) || (distance < 0 && m_bof))
        return 0;
    const bool forward = distance > 0;
    const int wanted = forward ? distance : -distance;
    const qint64 number = m_recNo;
    int moved = 0;
    if (wanted == 1) {
        if (const auto next = FirstOf(RecordsBeyondCurrent(forward, 1))) {
            SetCurrent(next);
            moved = 1;
        }
    } else if (m_hasRecord) {
        // Skip over the records reading their keys only, a bounded number at a time, then read
        // the record the move ends on.
        constexpr int kChunk = 4096;
        TFetchRequest request = Request(forward, 0, true);
        request.KeysOnly = true;
        std::optional<TRecordData> last;
        while (moved < wanted) {
            request.Count = qMin(kChunk, wanted - moved);
            const QList<TRecordData> keys = m_cursor->Fetch(request);
            if (keys.isEmpty())
                break;
            moved += int(keys.size());
            last = keys.last();
            request.AnchorId = last->Id;
            if (m_orderField >= 0)
                request.AnchorValue = last->Values.value(m_orderField);
            if (keys.size() < request.Count)
                break;
        }
        if (last)
            SetCurrent(m_cursor->FetchById(last->Id));
    }
    m_bof = m_eof = false;
    if (moved < wanted) {
        if (forward)
            m_eof = true;
        else
            m_bof = true;
    }
    const int signedMoved = forward ? moved : -moved;
    m_recNo = number > 0 ? number + signedMoved : 0;
    DataEvent(deDataSetScroll, signedMoved);
    return signedMoved;
}

void TTable::ResyncAfterChange()
{
    // Stay on the same record when it is still there and passes the filter, else go first.
    std::optional<TRecordData> record;
    if (m_hasRecord)
        record = m_cursor->FetchById(m_current.Id, ActiveFilter());
    if (!record)
        record = FirstOf(m_cursor->Fetch(Request(true, 1, false)));
    SetCurrent(record);
    m_count = -1;
    m_bof = m_eof = !m_hasRecord;
    DataEvent(deDataSetChange);
}

bool TTable::CatchUpWithOtherWriters()
{
    const qint64 version = m_cursor->DataVersion();
    if (version == m_dataVersion)
        return false;
    m_dataVersion = version;
    ResyncAfterChange();
    return true;
}

bool TTable::CheckConnection()
{
    if (!m_cursor)
        return true;
    // The version read here is not kept: the next catching up still sees what changed.
    m_cursor->DataVersion();
    return m_cursor->IsConnected();
}

bool TTable::RefreshIfChangedElsewhere()
{
    if (!Active() || Editing())
        return false;
    return CatchUpWithOtherWriters();
}

void TTable::RereadRecord()
{
    CheckActive();
    if (Editing())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation while the record is being edited"));
    m_dataVersion = m_cursor->DataVersion();
    if (!m_hasRecord)
        return;
    // Inside a transaction the record is held until it ends, so that what is written back
    // rests on what was read.
    const std::optional<TRecordData> record = m_inTransaction ? m_cursor->FetchForUpdate(m_current.Id) : m_cursor->FetchById(m_current.Id);
    if (!record)
        throw EDatabaseError(QStringLiteral("Record not found: it was deleted meanwhile"));
    if (record->Values == m_current.Values)
        return;
    m_current = *record;
    DataEvent(deDataSetChange);
}

void TTable::Refresh()
{
    CheckBrowseMode();
    ResyncAfterChange();
}

TBookmark TTable::GetBookmark() const
{
    if (!Active() || !m_hasRecord)
        return TBookmark();
    return TBookmark{true, m_current.Id};
}

bool TTable::BookmarkValid(const TBookmark &bookmark)
{
    return Active() && bookmark.Valid && m_cursor->FetchById(bookmark.Id).has_value();
}

void TTable::GotoBookmark(const TBookmark &bookmark)
{
    CheckBrowseMode();
    const std::optional<TRecordData> record = bookmark.Valid ? m_cursor->FetchById(bookmark.Id) : std::nullopt;
    if (!record)
        throw EDatabaseError(QStringLiteral("Record not found"));
    SetCurrent(record);
    m_bof = m_eof = false;
    DataEvent(deDataSetChange);
}

void TTable::SetFilter(const QString &text)
{
    if (m_filterText == text)
        return;
    if (Active()) {
        // Refused before anything changes: a text that does not parse, or a condition the
        // engine cannot run (one record is asked for to find out).
        const TSqlCondition condition = ParseFilter(text, m_fieldInfos);
        if (m_filtered) {
            TFetchRequest trial = Request(true, 1, false);
            trial.Filter = condition;
            m_cursor->Fetch(trial);
        }
        if (m_filtered)
            CheckBrowseMode();
        m_filterText = text;
        m_filterCondition = condition;
        if (m_filtered)
            ResyncAfterChange();
        return;
    }
    m_filterText = text;
}

void TTable::SetFiltered(bool filtered)
{
    if (m_filtered == filtered)
        return;
    if (Active()) {
        CheckBrowseMode();
        if (filtered) {
            TFetchRequest trial = Request(true, 1, false);
            trial.Filter = m_filterCondition;
            m_cursor->Fetch(trial); // a condition the engine cannot run leaves the table unfiltered
        }
        m_filtered = filtered;
        ResyncAfterChange();
        return;
    }
    m_filtered = filtered;
}

void TTable::SetIndexFieldNames(const QString &names)
{
    const QString trimmed = names.trimmed();
    if (m_indexFieldNames == trimmed)
        return;
    if (!Active()) {
        m_indexFieldNames = trimmed;
        return;
    }
    int orderField = -1;
    if (!trimmed.isEmpty())
        orderField = FieldByName(trimmed)->Index();
    CheckBrowseMode();
    m_indexFieldNames = trimmed;
    m_orderField = orderField;
    ResyncAfterChange();
}

void TTable::SetIndexName(const QString &name)
{
    if (!name.isEmpty())
        throw EDatabaseError(QStringLiteral("Index '%1' not found").arg(name));
    SetIndexFieldNames(QString());
}

bool TTable::FindKey(const QString &keyText)
{
    CheckBrowseMode();
    int keyField = m_orderField;
    if (keyField < 0)
        keyField = m_cursor->IdentityField();
    if (keyField < 0)
        throw EDatabaseError(QStringLiteral("No index currently active"));
    TField *field = m_fields.at(keyField);
    QVariant key;
    if (!keyText.isEmpty()) {
        switch (field->DataType()) {
        case ftInteger:
        case ftAutoInc: {
            qint32 value = 0;
            if (!TryStrToInt(keyText, value))
                throw EConvertError(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(keyText, field->DisplayLabel()));
            key = qint64(value);
            break;
        }
        case ftFloat: {
            double value = 0;
            if (!TryStrToFloat(keyText, value))
                throw EConvertError(QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(keyText, field->DisplayLabel()));
            key = value;
            break;
        }
        case ftDate:
            key = ToQDate(StrToDate(keyText));
            break;
        default:
            key = keyText;
            break;
        }
    }
    if (key.isNull())
        return false;
    const std::optional<TRecordData> record = m_cursor->FindFirst(keyField, key, ActiveFilter());
    if (!record)
        return false;
    SetCurrent(record);
    m_bof = m_eof = false;
    DataEvent(deDataSetChange);
    return true;
}

qint64 TTable::RecordCount()
{
    CheckActive();
    m_count = m_cursor->Count(ActiveFilter());
    return m_count;
}

qint64 TTable::KnownRecordCount()
{
    CheckActive();
    if (m_count < 0)
        m_count = m_cursor->Count(ActiveFilter());
    return m_count;
}

qint64 TTable::RecNo()
{
    if (!Active() || !m_hasRecord || m_state == dsInsert)
        return 0;
    if (m_recNo <= 0)
        m_recNo = m_cursor->CountBefore(Request(false, 0, true)) + 1;
    return m_recNo;
}

void TTable::SetRecNo(qint64 number)
{
    CheckBrowseMode();
    if (number <= 1) {
        First();
        return;
    }
    const std::optional<qint64> id = m_cursor->IdentityAt(m_orderField, number - 1, ActiveFilter());
    const std::optional<TRecordData> record = id ? m_cursor->FetchById(*id) : std::nullopt;
    if (!record) {
        Last();
        return;
    }
    SetCurrent(record);
    m_recNo = number;
    m_bof = m_eof = false;
    DataEvent(deDataSetChange);
}

std::unique_ptr<TStoreTableCursor> TTable::OpenCompanion(const QString &tableName)
{
    CheckActive();
    return m_cursor->OpenCompanion(tableName);
}

void TTable::StartTransaction()
{
    CheckBrowseMode();
    if (m_inTransaction)
        throw EDatabaseError(QStringLiteral("A transaction is already active"));
    NotifyBeforeWrite(m_databaseName);
    m_cursor->BeginTransaction();
    m_inTransaction = true;
}

void TTable::Commit()
{
    CheckBrowseMode();
    if (!m_inTransaction)
        return;
    m_cursor->Commit();
    m_inTransaction = false;
}

void TTable::Rollback()
{
    if (!Active() || !m_inTransaction)
        return;
    Cancel();
    m_inTransaction = false;
    m_cursor->Rollback();
    ResyncAfterChange();
}

TTableTransaction::TTableTransaction(TTable &table) : m_table(table), m_own(!table.InTransaction())
{
    if (m_own)
        m_table.StartTransaction();
}

TTableTransaction::~TTableTransaction()
{
    if (!m_own || m_committed)
        return;
    try {
        m_table.Rollback();
    } catch (...) {
        // The failure that ended the transaction early is the one reported.
    }
}

void TTableTransaction::Commit()
{
    if (m_own && !m_committed)
        m_table.Commit();
    m_committed = true;
}
