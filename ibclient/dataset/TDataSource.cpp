#include "ibclient/dataset/TDataSource.h"

#include "ibclient/dataset/TDataLink.h"

#include <QVarLengthArray>

#include <algorithm>

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource()
{
    Destroying();
    FOnStateChange = nullptr;
    FOnDataChange = nullptr;
    FOnUpdateData = nullptr;
    // Links forget this source; a fixed link included, since it goes away.
    while (!FDataLinks.empty()) {
        TDataLink* link = FDataLinks.back();
        FDataLinks.pop_back();
        link->FDataSource = nullptr;
        try {
            link->UpdateState();
        } catch (...) {
            // A view failing while its source goes away.
        }
    }
    if (FDataSet) {
        try {
            FDataSet->RemoveDataSource(this);
        } catch (...) {
            // Resizing the record set's window failed; it keeps its rows.
        }
    }
}

void TDataSource::SetDataSet(TDataSet* ADataSet)
{
    if (ADataSet == FDataSet)
        return;
    if (IsLinkedTo(ADataSet))
        DatabaseError(QStringLiteral("Circular datalinks are not allowed"), this);
    if (FDataSet)
        FDataSet->RemoveDataSource(this);
    if (ADataSet)
        ADataSet->AddDataSource(this);
}

bool TDataSource::IsLinkedTo(TDataSet* ADataSet) const
{
    // Bounded walk: a chain that loops without passing through this source
    // must not hang the program.
    for (int steps = 0; ADataSet && steps < 1000; ++steps) {
        TDataSource* source = ADataSet->GetDataSource();
        if (!source)
            return false;
        if (source == this)
            return true;
        ADataSet = source->DataSet();
    }
    return false;
}

void TDataSource::SetEnabled(bool Value)
{
    FEnabled = Value;
    UpdateState();
}

void TDataSource::Edit()
{
    if (FAutoEdit && FState == dsBrowse && FDataSet)
        FDataSet->Edit();
}

void TDataSource::UpdateState()
{
    if (FEnabled && FDataSet)
        SetState(FDataSet->State());
    else
        SetState(dsInactive);
}

void TDataSource::SetState(TDataSetState Value)
{
    if (FState == Value)
        return;
    const TDataSetState prior = FState;
    FState = Value;
    NotifyDataLinks(deUpdateState, 0);
    if (FOnStateChange)
        FOnStateChange(this);
    if (prior == dsInactive && FOnDataChange)
        FOnDataChange(this, nullptr);
}

void TDataSource::DataEvent(TDataEvent Event, TEventInfo Info)
{
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (FState == dsInactive)
        return;
    NotifyDataLinks(Event, Info);
    switch (Event) {
    case deFieldChange:
        if (FOnDataChange)
            FOnDataChange(this, reinterpret_cast<TField*>(Info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (FOnDataChange)
            FOnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (FOnUpdateData)
            FOnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::NotifyDataLinks(TDataEvent Event, TEventInfo Info)
{
    // Non-visual links (detail record sets and the like) before the views.
    NotifyLinkTypes(Event, Info, false);
    NotifyLinkTypes(Event, Info, true);
}

void TDataSource::NotifyLinkTypes(TDataEvent Event, TEventInfo Info, bool LinkType)
{
    // Reverse order of linking; a reaction may unlink a link, so walk a copy
    // and skip the ones that left.
    const QVarLengthArray<TDataLink*, 8> links(FDataLinks.begin(), FDataLinks.end());
    for (auto link = links.rbegin(); link != links.rend(); ++link)
        if ((*link)->VisualControl() == LinkType
            && std::find(FDataLinks.begin(), FDataLinks.end(), *link) != FDataLinks.end())
            (*link)->DataEvent(Event, Info);
}

void TDataSource::AddDataLink(TDataLink* DataLink)
{
    FDataLinks.push_back(DataLink);
    DataLink->FDataSource = this;
    if (FDataSet)
        FDataSet->UpdateBufferCount();
    DataLink->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* DataLink)
{
    DataLink->FDataSource = nullptr;
    std::erase(FDataLinks, DataLink);
    DataLink->UpdateState();
    if (FDataSet)
        FDataSet->UpdateBufferCount();
}
