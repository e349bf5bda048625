#include "ibclient/dataset/TDataLink.h"

#include "ibclient/dataset/TDataSource.h"

#include <algorithm>

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    if (FDataSource) {
        // The link goes away whatever its fixed flag says; the reactions of a
        // derived link no longer exist, so only the list is updated.
        TDataSource* source = FDataSource;
        FDataSource = nullptr;
        std::erase(source->FDataLinks, this);
        if (source->FDataSet) {
            try {
                source->FDataSet->UpdateBufferCount();
            } catch (...) {
                // Reading rows into the resized window failed; nothing to tell.
            }
        }
    }
}

void TDataLink::SetDataSource(TDataSource* ADataSource)
{
    if (FDataSource == ADataSource)
        return;
    if (FDataSourceFixed)
        DatabaseError(QStringLiteral("DataSource cannot be changed"), FDataSource);
    if (FDataSource)
        FDataSource->RemoveDataLink(this);
    if (ADataSource)
        ADataSource->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const
{
    return FDataSource ? FDataSource->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool Value)
{
    if (FReadOnly != Value) {
        FReadOnly = Value;
        UpdateState();
    }
}

void TDataLink::SetBufferCount(int Value)
{
    Value = std::max(Value, 1);
    if (FBufferCount == Value)
        return;
    FBufferCount = Value;
    if (FActive) {
        DataSet()->UpdateBufferCount();
        UpdateRange();
    }
}

int TDataLink::ActiveRecord() const
{
    if (!FDataSource || !FDataSource->DataSet() || FDataSource->State() == dsSetKey)
        return 0;
    return FDataSource->DataSet()->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int Value)
{
    if (FDataSource && FDataSource->DataSet() && FDataSource->State() != dsSetKey)
        FDataSource->DataSet()->FActiveRecord = Value + FFirstRecord;
}

int TDataLink::RecordCount() const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return 0;
    return std::min(FBufferCount, dataSet->FRecordCount);
}

bool TDataLink::Edit()
{
    if (!FReadOnly && FDataSource)
        FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord()
{
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

int TDataLink::MoveBy(int Distance)
{
    return DataSet()->MoveBy(Distance);
}

bool TDataLink::Bof() const
{
    return DataSet()->Bof();
}

bool TDataLink::Eof() const
{
    return DataSet()->Eof();
}

void TDataLink::DataSetScrolled(int)
{
    DataSetChanged();
}

void TDataLink::RecordChanged(TField*) {}

void TDataLink::FocusControl(TField**) {}

void TDataLink::UpdateState()
{
    SetActive(FDataSource && FDataSource->State() != dsInactive);
    const TDataSetState state = FDataSource ? FDataSource->State() : dsInactive;
    SetEditing((state == dsEdit || state == dsInsert || state == dsSetKey) && !FReadOnly);
}

void TDataLink::SetActive(bool Value)
{
    if (FActive == Value)
        return;
    FActive = Value;
    if (Value)
        UpdateRange();
    else
        FFirstRecord = 0;
    ActiveChanged();
}

void TDataLink::SetEditing(bool Value)
{
    if (FEditing != Value) {
        FEditing = Value;
        EditingChanged();
    }
}

void TDataLink::UpdateRange()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    const int active = dataSet->FActiveRecord;
    const int lowest = std::max(active - FBufferCount + 1, 0);
    const int highest = std::max(std::min(active, dataSet->FRecordCount - FBufferCount), 0);
    FFirstRecord = std::max(FFirstRecord, lowest);
    FFirstRecord = std::min(FFirstRecord, highest);
    if (FFirstRecord > 0 && active - FFirstRecord < FBufferCount - 1)
        --FFirstRecord;
}

void TDataLink::DataEvent(TDataEvent Event, TEventInfo Info)
{
    if (Event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive)
        return;
    switch (Event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating)
            RecordChanged(reinterpret_cast<TField*>(Info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        FFirstRecord += static_cast<int>(Info);
        const int active = DataSet()->FActiveRecord;
        int count = 0;
        if (active > FFirstRecord + FBufferCount - 1)
            count = active - (FFirstRecord + FBufferCount - 1);
        else if (active < FFirstRecord)
            count = active - FFirstRecord;
        FFirstRecord += count;
        if (Event == deDataSetChange)
            DataSetChanged();
        else if (Event == deDataSetScroll)
            DataSetScrolled(count);
        else
            LayoutChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField**>(Info));
        break;
    default:
        break;
    }
}
