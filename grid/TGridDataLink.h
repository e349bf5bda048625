// TGridDataLink: the grid's link to its data source. It keeps the field map
// (for each column, the position of its field in the record set's field
// list, or -1), the modified flag (the in-place editor holds text typed since
// it was last stored) and the window size the grid asks of the record set,
// and hands every reaction of the link to the grid.
#pragma once

#include "ibclient/dataset/TDataLink.h"

#include <vector>

class TDBGrid;

class TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TDBGrid* Grid);

    // The editor holds text typed since it was last stored.
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    void ClearMapping() { FFieldMap.clear(); }
    void AddMapping(int FieldIndex) { FFieldMap.push_back(FieldIndex); }
    int FieldMapSize() const { return static_cast<int>(FFieldMap.size()); }
    int FieldMap(int Index) const { return FFieldMap.at(static_cast<std::size_t>(Index)); }

    using TDataLink::Updating;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;
    void FocusControl(TField** Field) override;
    void CheckBrowseMode() override {}

private:
    TDBGrid* FGrid;
    std::vector<int> FFieldMap;
    bool FModified = false;
};
