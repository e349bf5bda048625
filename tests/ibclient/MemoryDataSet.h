// TMemoryDataSet: a concrete record set over rows held in memory, for tests
// of the generic record-set machinery and of the views built on it. It
// supplies every concrete step: rows are read forward and backward through
// a cursor, posted rows are stored at the place where they were inserted,
// deleted rows go away. Each step can be made to fail through a hook, and
// the steps run are counted.
//
// TRecordingLink: a data link that writes every notification it receives
// (and, on request, its reactions) into a log; RecordDataSetEvents writes
// the record set's own events into the same log.
#pragma once

#include "ibclient/dataset/TDataLink.h"
#include "ibclient/dataset/TDataSet.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

class TMemoryDataSet : public TDataSet {
public:
    struct Column {
        QString Name;
        TFieldType Type = ftInteger;
        int Size = 0;
        bool Required = false;
        TFieldAttributes Attributes = 0;
        int Precision = 0;
    };

    TMemoryDataSet(TComponent* AOwner, std::vector<Column> Columns);
    ~TMemoryDataSet() override;

    // Rows as values, one per column; an invalid QVariant is null. Strings
    // are QString, integers int / qlonglong, BCD a qlonglong count of
    // ten-thousandths, floats double, dates QDate, times QTime, date-times
    // QDateTime, booleans bool.
    void AddRow(const std::vector<QVariant>& Values);
    // Rows 0 .. Count-1 with one integer column "ID" holding 1 .. Count.
    static TMemoryDataSet* WithIds(TComponent* AOwner, int Count);
    int RowCount() const { return static_cast<int>(FRows.size()); }
    QVariant Value(int Row, int Column) const;

    // Called at the start of every concrete step with its name ("open",
    // "read", "post", "delete", "edit", "cancel", "close"); a test throws
    // from it to make the step fail.
    std::function<void(const QString& Step)> Hook;
    // How many rows GetRecord produced.
    int RowsRead = 0;
    // The answer of the can-modify test.
    bool Modifiable = true;

    bool CanModify() override { return Modifiable; }
    // The field classes of the program's record set, so that the field tests
    // cover the classes the program shows.
    TFieldClass GetFieldClass(TFieldType FieldType) override;
    int RecordCount() override { return RowCount(); }
    int RecNo() override;
    void Post() override;
    bool GetFieldData(TField* Field, void* Buffer, bool NativeFormat) override;
    void SetFieldData(TField* Field, const void* Buffer, bool NativeFormat) override;

    // Protected steps made reachable for tests.
    using TDataSet::BindFields;
    using TDataSet::Buffers;

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& Buffer) override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer Buffer) override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalEdit() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override;
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
    void GetBookmarkData(TRecordBuffer Buffer, void* Data) override;
    void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override;
    bool IsCursorOpen() override { return FOpen; }

private:
    void Step(const QString& Name);
    static int NativeSize(const Column& Column);
    TRecordBuffer ActiveRecordBuffer() const;
    std::int32_t RecordNumber(TRecordBuffer Buffer) const;
    void SetRecordNumber(TRecordBuffer Buffer, std::int32_t Value);
    std::vector<std::byte> ToRow(const std::vector<QVariant>& Values) const;

    std::vector<Column> FColumns;
    std::vector<int> FOffsets; // of each column's null flag; its value follows
    int FRecordSize = 0;
    std::vector<std::vector<std::byte>> FRows; // the data part of each row
    int FCursor = -1;
    bool FOpen = false;
};

// The record set's events, as "BeforeOpen", "AfterScroll", ..., in Log.
void RecordDataSetEvents(TDataSet* DataSet, std::vector<QString>& Log);
// "deDataSetChange" and the like.
QString DataEventName(TDataEvent Event);

class TRecordingLink : public TDataLink {
public:
    explicit TRecordingLink(std::vector<QString>& Log) : FLog(Log) {}
    // Also log the reactions ("ActiveChanged", "DataSetScrolled(1)", ...).
    bool LogReactions = false;
    // Log notifications with their Info ("deDataSetScroll(-1)").
    bool LogInfo = false;
    // A prefix for every line, telling links apart.
    QString Tag;
    // Runs in the update-data reaction (a view writing its pending edit).
    std::function<void()> OnUpdateData;
    // The field the last focus request named.
    TField* FocusedField = nullptr;

protected:
    void DataEvent(TDataEvent Event, TEventInfo Info) override;
    void ActiveChanged() override;
    void EditingChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;
    void CheckBrowseMode() override;
    void FocusControl(TField** Field) override;

private:
    void Reaction(const QString& Text);
    std::vector<QString>& FLog;
};
