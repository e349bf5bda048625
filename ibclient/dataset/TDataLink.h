// TDataLink: a view's connection to a data source. The link follows the
// record set's notifications and turns them into reactions, which the base
// leaves empty and a view overrides: active-changed, editing-changed,
// data-set-changed, data-set-scrolled, layout-changed, record-changed,
// update-data, check-browse-mode and focus-control.
//
// A view that shows several rows sets BufferCount; the record set keeps a
// window at least that large, and the link keeps FFirstRecord, the window
// index of the view's first row, so that the active row is always among the
// view's rows.
#pragma once

#include "ibclient/dataset/TDataSet.h"

class TDataSource;

class TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();

    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return FDataSource; }
    // Fails with "DataSource cannot be changed" when the source is fixed.
    void SetDataSource(TDataSource* ADataSource);
    bool DataSourceFixed() const { return FDataSourceFixed; }
    void SetDataSourceFixed(bool Value) { FDataSourceFixed = Value; }
    // The record set of the source, or nullptr.
    TDataSet* DataSet() const;

    // The source is in a state other than inactive.
    bool Active() const { return FActive; }
    // The source is in edit, insert or set-key state and the link is not
    // read-only.
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // The link belongs to a visible control: visual links are told after the
    // non-visual ones.
    bool VisualControl() const { return FVisualControl; }
    void SetVisualControl(bool Value) { FVisualControl = Value; }

    // How many rows the view shows (default 1).
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int Value);
    // The active row's index among the view's rows (0 in set-key state).
    int ActiveRecord() const;
    // Makes the view's row Value the record set's active row (the grid does
    // this to draw each row and puts the old value back afterwards).
    void SetActiveRecord(int Value);
    // Rows of the view that hold a row: the smaller of BufferCount and the
    // window's row count.
    int RecordCount() const;
    int FirstRecord() const { return FFirstRecord; }

    // Asks the source to edit unless read-only; answers Editing.
    bool Edit();
    // Runs the update-data reaction with FUpdating set.
    void UpdateRecord();
    // Moves the record set; answers the rows moved.
    int MoveBy(int Distance);
    bool Bof() const;
    bool Eof() const;

protected:
    // The reactions.
    virtual void ActiveChanged() {}
    virtual void EditingChanged() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int Distance);
    virtual void LayoutChanged() { DataSetChanged(); }
    // Field is the changed field, or nullptr for the whole row.
    virtual void RecordChanged(TField* Field);
    virtual void UpdateData() {}
    virtual void CheckBrowseMode() {}
    // *Field is the field to focus; a view that handled the request sets
    // *Field to nullptr.
    virtual void FocusControl(TField** Field);

    // Whether the link is writing its own pending edit.
    bool Updating() const { return FUpdating; }

    // Every notification from the source arrives here and is turned into
    // the reactions above; an override calls the base.
    virtual void DataEvent(TDataEvent Event, TEventInfo Info);

private:
    friend class TDataSet;
    friend class TDataSource;

    void UpdateState();
    void SetActive(bool Value);
    void SetEditing(bool Value);
    void UpdateRange();

    TDataSource* FDataSource = nullptr;
    TDataLink* FNext = nullptr; // the record set's chain of links
    int FFirstRecord = 0;
    int FBufferCount = 1;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
    bool FVisualControl = false;
    bool FDataSourceFixed = false;
};
