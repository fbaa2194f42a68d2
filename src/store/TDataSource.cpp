#include "TDataSource.h"

#include "TDataLink.h"
#include "TTable.h"

TDataSource::TDataSource(QObject *parent) : QObject(parent) {}

TDataSource::~TDataSource()
{
    if (m_dataSet)
        m_dataSet->RemoveDataSource(this);
    const auto links = m_links;
    for (TDataLink *link : links)
        if (m_links.contains(link))
            link->SourceDestroyed();
}

void TDataSource::SetDataSet(TTable *dataSet)
{
    if (m_dataSet == dataSet)
        return;
    if (m_dataSet) {
        m_dataSet->RemoveDataSource(this);
        // The links let go of the old table (and its fields) before they meet the new one, even
        // when both are open and the state would not change.
        m_dataSet = nullptr;
        UpdateState();
    }
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->AddDataSource(this);
    UpdateState();
    if (m_state != dsInactive)
        DataEvent(deDataSetChange, 0);
}

void TDataSource::SetEnabled(bool enabled)
{
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    UpdateState();
    if (m_state != dsInactive)
        DataEvent(deDataSetChange, 0);
}

void TDataSource::Edit()
{
    if (m_autoEdit && m_dataSet && m_state == dsBrowse)
        m_dataSet->Edit();
}

void TDataSource::AddLink(TDataLink *link)
{
    m_links.append(link);
}

void TDataSource::RemoveLink(TDataLink *link)
{
    m_links.removeAll(link);
}

void TDataSource::UpdateState()
{
    const TDataSetState state = (m_enabled && m_dataSet) ? m_dataSet->State() : dsInactive;
    if (state == m_state)
        return;
    m_state = state;
    NotifyLinks(deUpdateState, 0);
    if (OnStateChange)
        OnStateChange(this);
}

void TDataSource::DataEvent(TDataEvent event, qintptr info)
{
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (m_state == dsInactive)
        return;
    NotifyLinks(event, info);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange)
            OnDataChange(this, event == deFieldChange ? reinterpret_cast<TField *>(info) : nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    case deUpdateState:
        break;
    }
}

void TDataSource::NotifyLinks(TDataEvent event, qintptr info)
{
    QPointer<TDataSource> guard(this);
    const auto links = m_links;
    std::exception_ptr failure;
    for (TDataLink *link : links) {
        if (!guard)
            break;
        if (!m_links.contains(link))
            continue; // removed by an earlier link's handler
        try {
            link->DataEvent(event, info);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}
