#pragma once

#include "StoreTypes.h"
#include "TLoadable.h"
#include "TTable.h"

#include <QObject>
#include <QPointer>
#include <functional>

class TDataLink;
class TField;

// The link between one table and the widgets that show it: every notification of the table is
// passed on to all data links bound to this source.
class TDataSource : public QObject, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(TTable *DataSet READ DataSet WRITE SetDataSet)
    Q_PROPERTY(bool AutoEdit READ AutoEdit WRITE SetAutoEdit)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)

public:
    explicit TDataSource(QObject *parent = nullptr);
    ~TDataSource() override;

    TTable *DataSet() const { return m_dataSet; }
    void SetDataSet(TTable *dataSet);
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool autoEdit) { m_autoEdit = autoEdit; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);

    // The table's state as the links see it (inactive when disabled or unbound).
    TDataSetState State() const { return m_state; }
    // Puts the table into edit state when AutoEdit allows it.
    void Edit();

    std::function<void(QObject *sender)> OnStateChange;
    std::function<void(QObject *sender, TField *field)> OnDataChange;
    std::function<void(QObject *sender)> OnUpdateData;

private:
    friend class TTable;
    friend class TDataLink;

    void DataEvent(TDataEvent event, qintptr info);
    void NotifyLinks(TDataEvent event, qintptr info);
    void UpdateState();
    void AddLink(TDataLink *link);
    void RemoveLink(TDataLink *link);

    QPointer<TTable> m_dataSet;
    bool m_autoEdit = true;
    bool m_enabled = true;
    TDataSetState m_state = dsInactive;
    QList<TDataLink *> m_links;
};
