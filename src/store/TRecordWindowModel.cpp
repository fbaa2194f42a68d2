#include "TRecordWindowModel.h"

#include "Exceptions.h"
#include "TDataSource.h"
#include "TField.h"
#include "TTable.h"

#include <QScopeGuard>

class TRecordWindowModel::Link : public TDataLink
{
public:
    explicit Link(TRecordWindowModel *model) : m_model(model) {}

protected:
    void ActiveChanged() override
    {
        m_model->ResolveColumns();
        m_model->Rebuild(0);
    }
    void EditingChanged() override
    {
        if (DataSet() && DataSet()->State() == dsInsert)
            m_model->Rebuild(qMax(0, m_model->m_activeRow));
        else
            m_model->ActiveRecordChanged();
    }
    void DataSetChanged() override { m_model->Rebuild(qMax(0, m_model->m_activeRow)); }
    void DataSetScrolled(int distance) override { m_model->Scrolled(distance); }
    void LayoutChanged() override
    {
        m_model->ResolveColumns();
        m_model->Rebuild(qMax(0, m_model->m_activeRow));
    }
    void RecordChanged(TField *) override { m_model->ActiveRecordChanged(); }

private:
    TRecordWindowModel *m_model;
};

TRecordWindowModel::TRecordWindowModel(QObject *parent)
    : QAbstractTableModel(parent), m_link(std::make_unique<Link>(this))
{
}

TRecordWindowModel::~TRecordWindowModel() = default;

TDataSource *TRecordWindowModel::DataSource() const
{
    return m_link->DataSource();
}

void TRecordWindowModel::SetDataSource(TDataSource *source)
{
    // The link tells of the new source's state and records more than once; the window is read
    // once, after.
    {
        m_settingSource = true;
        const auto loud = qScopeGuard([this] { m_settingSource = false; });
        m_link->SetDataSource(source);
    }
    ResolveColumns();
    Rebuild(0);
}

void TRecordWindowModel::SetColumns(const QStringList &fieldNames)
{
    if (m_columnNames == fieldNames)
        return;
    m_columnNames = fieldNames;
    ResolveColumns();
    Rebuild(qMax(0, m_activeRow));
}

void TRecordWindowModel::ResolveColumns()
{
    QList<TField *> columns;
    if (TTable *table = m_link->DataSet(); table && m_link->Active()) {
        if (m_columnNames.isEmpty()) {
            for (int i = 0; i < table->FieldCount(); ++i)
                columns << table->Fields(i);
        } else {
            for (const QString &name : std::as_const(m_columnNames))
                if (TField *field = table->FindField(name))
                    columns << field;
        }
    }
    if (columns == m_columns)
        return;
    beginResetModel();
    m_columns = columns;
    m_ids.clear();
    m_values.clear();
    m_activeRow = -1;
    endResetModel();
}

TField *TRecordWindowModel::ColumnField(int column) const
{
    return m_columns.value(column);
}

void TRecordWindowModel::SetWindowSize(int rows)
{
    rows = qMax(1, rows);
    if (m_windowSize == rows)
        return;
    m_windowSize = rows;
    Rebuild(qMin(qMax(0, m_activeRow), rows - 1));
}

void TRecordWindowModel::Rebuild(int preferredRow)
{
    if (m_settingSource)
        return;
    QList<qint64> ids;
    QList<QVector<QVariant>> values;
    int activeRow = -1;

    TTable *table = m_link->DataSet();
    if (table && m_link->Active() && (table->CurrentRecord() || table->State() == dsInsert)) {
        const bool inserting = table->State() == dsInsert;
        const TRecordData *current = table->CurrentRecord();
        // Records before and after the current one, nearest first. A record being inserted
        // stands just before the record that was current, which then counts as "after".
        // Only what the window needs is read: first the side the preferred row asks for, then
        // the other side, then more of the first side when the other one runs short.
        const int room = m_windowSize - 1;
        const int wantBefore = qBound(0, preferredRow, room);
        QList<TRecordData> before = table->RecordsBeyondCurrent(false, wantBefore);
        QList<TRecordData> after;
        if (inserting && current)
            after.append(*current);
        const int afterRoom = room - int(before.size()) - int(after.size());
        if (afterRoom > 0)
            after += table->RecordsBeyondCurrent(true, afterRoom);
        if (before.size() + after.size() < room && before.size() == wantBefore)
            before = table->RecordsBeyondCurrent(false, room - int(after.size()));
        const int takeBefore = qMin<int>(before.size(), room);
        const int takeAfter = qMin<int>(after.size(), room - takeBefore);

        for (int i = takeBefore - 1; i >= 0; --i) {
            ids << before[i].Id;
            values << before[i].Values;
        }
        activeRow = int(ids.size());
        if (inserting) {
            ids << -1;
            values << QVector<QVariant>();
        } else {
            ids << current->Id;
            values << current->Values;
        }
        for (int i = 0; i < takeAfter; ++i) {
            ids << after[i].Id;
            values << after[i].Values;
        }
    }

    const bool sameShape = ids.size() == m_ids.size();
    if (!sameShape)
        beginResetModel();
    m_ids = ids;
    m_values = values;
    const int oldActive = m_activeRow;
    m_activeRow = activeRow;
    if (!sameShape)
        endResetModel();
    else if (!m_ids.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_ids.size()) - 1, qMax(0, columnCount() - 1)));
    if (oldActive != m_activeRow || !sameShape)
        emit ActiveRowChanged(m_activeRow);
}

void TRecordWindowModel::Scrolled(int distance)
{
    TTable *table = m_link->DataSet();
    const TRecordData *current = table ? table->CurrentRecord() : nullptr;
    const qsizetype row = current ? m_ids.indexOf(current->Id) : -1;
    if (row < 0) {
        // The record left the run: scroll so that it stands at the edge it left by.
        Rebuild(distance > 0 ? m_windowSize - 1 : 0);
        return;
    }
    if (row == m_activeRow)
        return;
    const int old = m_activeRow;
    m_activeRow = int(row);
    m_values[m_activeRow] = current->Values;
    const int last = qMax(0, columnCount() - 1);
    if (old >= 0)
        emit dataChanged(index(old, 0), index(old, last));
    emit dataChanged(index(m_activeRow, 0), index(m_activeRow, last));
    emit ActiveRowChanged(m_activeRow);
}

void TRecordWindowModel::ActiveRecordChanged()
{
    if (m_activeRow < 0)
        return;
    emit dataChanged(index(m_activeRow, 0), index(m_activeRow, qMax(0, columnCount() - 1)));
}

void TRecordWindowModel::SetActiveRow(int row)
{
    TTable *table = m_link->DataSet();
    if (!table || row < 0 || row >= m_ids.size() || row == m_activeRow || m_activeRow < 0)
        return;
    table->MoveBy(row - m_activeRow);
}

void TRecordWindowModel::Scroll(int rows)
{
    if (TTable *table = m_link->DataSet(); table && m_link->Active())
        table->MoveBy(rows);
}

int TRecordWindowModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int TRecordWindowModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QString TRecordWindowModel::CellText(int row, int column, bool forEditing) const
{
    TField *field = m_columns.value(column);
    if (!field)
        return QString();
    if (row == m_activeRow)
        return forEditing ? field->Text() : field->DisplayText();
    // Rows other than the current one are formatted the way the field formats its own value.
    const QVariant value = m_values.value(row).value(field->Index());
    if (value.isNull())
        return QString();
    switch (field->DataType()) {
    case ftInteger:
    case ftAutoInc: return QString::number(value.toLongLong());
    case ftFloat: return FloatToStr(value.toDouble());
    case ftDate: return DateToStr(FromQDate(value.toDate()));
    default: return value.toString();
    }
}

QVariant TRecordWindowModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_ids.size() || index.column() >= m_columns.size())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: return CellText(index.row(), index.column(), false);
    case Qt::EditRole: return CellText(index.row(), index.column(), true);
    case Qt::TextAlignmentRole: return QVariant::fromValue(m_columns[index.column()]->Alignment());
    default: return QVariant();
    }
}

QVariant TRecordWindowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        if (TField *field = m_columns.value(section))
            return field->DisplayLabel();
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TRecordWindowModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    TField *field = m_columns.value(index.column());
    TTable *table = m_link->DataSet();
    if (field && !field->ReadOnly() && table && table->CanModify() && !m_link->ReadOnly())
        result |= Qt::ItemIsEditable;
    return result;
}

bool TRecordWindowModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    try {
        SetActiveRow(index.row());
        TField *field = m_columns.value(index.column());
        if (!field || !m_link->Edit())
            return false;
        field->SetText(value.toString());
        return true;
    } catch (const Exception &error) {
        emit EditFailed(error.Message());
    }
    return false;
}
