// TDataSource: connects a record set to its views. It receives every
// notification of its record set, keeps a copy of the record set's state
// (inactive while disabled or without a record set) and hands the
// notifications on to its links: the non-visual ones first, then the visual
// ones, each group in reverse order of linking.
#pragma once

#include "ibclient/base/TComponent.h"
#include "ibclient/dataset/TDataSet.h"

#include <functional>
#include <vector>

class TDataLink;

class TDataSource : public TComponent {
public:
    using TNotifyEvent = std::function<void(TDataSource* Sender)>;
    using TDataChangeEvent = std::function<void(TDataSource* Sender, TField* Field)>;

    explicit TDataSource(TComponent* AOwner);
    ~TDataSource() override;

    TDataSet* DataSet() const { return FDataSet; }
    // Fails with "Circular datalinks are not allowed" when ADataSet's master
    // chain leads back to this source.
    void SetDataSet(TDataSet* ADataSet);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool Value) { FAutoEdit = Value; }
    TDataSetState State() const { return FState; }

    // Puts the record set into edit state when AutoEdit is on and the state
    // is browse.
    void Edit();
    // Whether DataSet's master chain leads to this source.
    bool IsLinkedTo(TDataSet* ADataSet) const;

    int DataLinkCount() const { return static_cast<int>(FDataLinks.size()); }
    TDataLink* DataLinks(int index) const { return FDataLinks.at(static_cast<std::size_t>(index)); }

    void SetOnStateChange(TNotifyEvent Value) { FOnStateChange = std::move(Value); }
    void SetOnDataChange(TDataChangeEvent Value) { FOnDataChange = std::move(Value); }
    void SetOnUpdateData(TNotifyEvent Value) { FOnUpdateData = std::move(Value); }

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent Event, TEventInfo Info);
    void NotifyDataLinks(TDataEvent Event, TEventInfo Info);
    void NotifyLinkTypes(TDataEvent Event, TEventInfo Info, bool LinkType);
    void UpdateState();
    void SetState(TDataSetState Value);
    void AddDataLink(TDataLink* DataLink);
    void RemoveDataLink(TDataLink* DataLink);

    TDataSet* FDataSet = nullptr;
    bool FEnabled = true;
    bool FAutoEdit = true;
    TDataSetState FState = dsInactive;
    std::vector<TDataLink*> FDataLinks;
    TNotifyEvent FOnStateChange;
    TDataChangeEvent FOnDataChange;
    TNotifyEvent FOnUpdateData;
};
