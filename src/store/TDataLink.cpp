#include "TDataLink.h"

#include "TDataSource.h"
#include "TField.h"
#include "TTable.h"

TDataLink::~TDataLink()
{
    if (m_dataSource)
        m_dataSource->RemoveLink(this);
}

TTable *TDataLink::DataSet() const
{
    return m_dataSource ? m_dataSource->DataSet() : nullptr;
}

void TDataLink::SetDataSource(TDataSource *source)
{
    if (m_dataSource == source)
        return;
    if (m_dataSource)
        m_dataSource->RemoveLink(this);
    m_dataSource = source;
    if (m_dataSource)
        m_dataSource->AddLink(this);
    UpdateState();
    if (m_active)
        DataSetChanged();
}

void TDataLink::SourceDestroyed()
{
    m_dataSource = nullptr;
    UpdateState();
}

void TDataLink::SetReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    UpdateState();
}

void TDataLink::UpdateState()
{
    const bool active = m_dataSource && m_dataSource->State() != dsInactive;
    const bool editing = active && !m_readOnly
        && (m_dataSource->State() == dsEdit || m_dataSource->State() == dsInsert);
    if (active != m_active) {
        m_active = active;
        ActiveChanged();
    }
    if (editing != m_editing) {
        m_editing = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, qintptr info)
{
    switch (event) {
    case deUpdateState:
        UpdateState();
        break;
    case deFieldChange:
    case deRecordChange:
        if (!m_updating)
            RecordChanged(event == deFieldChange ? reinterpret_cast<TField *>(info) : nullptr);
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled(int(info));
        break;
    case deLayoutChange:
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateRecord();
        break;
    }
}

bool TDataLink::Edit()
{
    if (!m_readOnly && m_dataSource)
        m_dataSource->Edit();
    return m_editing;
}

void TDataLink::UpdateRecord()
{
    m_updating = true;
    try {
        UpdateData();
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

void TFieldDataLink::SetFieldName(const QString &name)
{
    if (m_fieldName == name)
        return;
    m_fieldName = name;
    UpdateField(true);
}

bool TFieldDataLink::CanModify() const
{
    return !ReadOnly() && m_field && !m_field->ReadOnly() && DataSet() && DataSet()->CanModify();
}

void TFieldDataLink::Reset()
{
    RecordChanged(nullptr);
}

void TFieldDataLink::UpdateField(bool notify)
{
    TField *field = nullptr;
    m_fieldMissing = false;
    if (Active() && !m_fieldName.isEmpty() && DataSet()) {
        field = DataSet()->FindField(m_fieldName);
        m_fieldMissing = field == nullptr;
    }
    if (m_field == field)
        return;
    m_field = field;
    if (notify) {
        EditingChanged();
        RecordChanged(nullptr);
    }
}

void TFieldDataLink::ActiveChanged()
{
    // On opening, the table's change of the whole set follows and shows the value; on closing
    // nothing follows, so the widget is told here to show nothing.
    UpdateField(false);
    if (!Active())
        RecordChanged(nullptr);
    if (OnActiveChange)
        OnActiveChange();
}

void TFieldDataLink::EditingChanged()
{
    if (OnEditingChange)
        OnEditingChange();
}

void TFieldDataLink::LayoutChanged()
{
    UpdateField(true);
}

void TFieldDataLink::RecordChanged(TField *field)
{
    if (field && field != m_field)
        return;
    if (OnDataChange)
        OnDataChange();
    m_modified = false;
}

void TFieldDataLink::UpdateData()
{
    if (!m_modified)
        return;
    if (OnUpdateData)
        OnUpdateData();
    m_modified = false;
}
