#pragma once

#include "StoreTypes.h"

#include <QPointer>
#include <QString>
#include <functional>

class TDataSource;
class TField;
class TTable;

// The base of everything that shows a table through a data source. Override the notifications
// you need; by default a scroll or a change of the whole set is handed on as RecordChanged(nullptr).
class TDataLink
{
public:
    TDataLink() = default;
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;
    virtual ~TDataLink();

    TDataSource *DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource *source);
    TTable *DataSet() const;

    // The bound table is open (and the source enabled).
    bool Active() const { return m_active; }
    // The bound table is in edit or insert state and this link is not read-only.
    bool Editing() const { return m_editing; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);

    // Asks the table to enter edit state (when the source allows it); true when editing.
    bool Edit();
    // Writes the widget's pending change through UpdateData, without hearing it back.
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void EditingChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance) { Q_UNUSED(distance); DataSetChanged(); }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField *field) { Q_UNUSED(field); }
    virtual void UpdateData() {}

private:
    friend class TDataSource;

    void DataEvent(TDataEvent event, qintptr info);
    void UpdateState();
    void SourceDestroyed();

    TDataSource *m_dataSource = nullptr;
    bool m_active = false;
    bool m_editing = false;
    bool m_readOnly = false;
    bool m_updating = false;
};

// A link to one field of the current record, by name (any letter case). The owning widget hears
// of changes through the assignable handlers.
class TFieldDataLink : public TDataLink
{
public:
    TFieldDataLink() = default;

    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &name);
    // The bound field, or nullptr while the table is closed or has no such field.
    TField *Field() const { return m_field; }
    // The table is open but has no field of that name.
    bool FieldMissing() const { return m_fieldMissing; }
    // Whether the field may be changed now (active, not read-only, table and field modifiable).
    bool CanModify() const;

    // The widget's text differs from the field: the next UpdateRecord writes it.
    void Modified() { m_modified = true; }
    // Shows the field's value again, dropping the widget's change.
    void Reset();
    bool IsModified() const { return m_modified; }

    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField *field) override;
    void UpdateData() override;

private:
    void UpdateField(bool notify);

    QString m_fieldName;
    QPointer<TField> m_field;
    bool m_fieldMissing = false;
    bool m_modified = false;
};
