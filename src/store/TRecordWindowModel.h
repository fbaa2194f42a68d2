#pragma once

#include "TDataLink.h"

#include <QAbstractTableModel>
#include <memory>

class TDataSource;
class TField;

// A run of consecutive records around the current one, as many as a grid shows, as an item model
// for a QTableView. It follows the current record of the table (a move scrolls the run only when
// the record leaves it) and moves the table when the view picks another row. Editing a cell puts
// the table into edit state and writes the text into the field of the current record.
class TRecordWindowModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TRecordWindowModel(QObject *parent = nullptr);
    ~TRecordWindowModel() override;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    // The fields shown as columns, by name; every field of the table when empty.
    QStringList Columns() const { return m_columnNames; }
    void SetColumns(const QStringList &fieldNames);
    TField *ColumnField(int column) const;

    // How many rows the grid shows (at least 1).
    int WindowSize() const { return m_windowSize; }
    void SetWindowSize(int rows);
    // The row of the current record, -1 when the table shows none.
    int ActiveRow() const { return m_activeRow; }
    // Makes the record of that row current.
    void SetActiveRow(int row);
    // Moves the current record by a number of rows.
    void Scroll(int rows);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void ActiveRowChanged(int row);
    // A cell edit was refused (the value did not convert, the table cannot be changed ...).
    void EditFailed(const QString &message);

private:
    class Link;
    friend class Link;

    void Rebuild(int preferredRow);
    void Scrolled(int distance);
    void ActiveRecordChanged();
    void ResolveColumns();
    QString CellText(int row, int column, bool forEditing) const;

    std::unique_ptr<Link> m_link;
    QStringList m_columnNames;
    QList<TField *> m_columns;
    QList<qint64> m_ids;                 // identity of each row; -1 for a record being inserted
    QList<QVector<QVariant>> m_values;   // stored values of each row
    int m_activeRow = -1;
    int m_windowSize = 1;
    bool m_settingSource = false; // SetDataSource reads the window once, at its end
};
