// TDataSet: the generic record set. It owns the state machine (inactive,
// browse, edit, insert), the fields and their definitions, a small window of
// record buffers shared by every view linked to it, navigation over that
// window, the edit protocol with its events, and the notifications that keep
// the views (through TDataSource and TDataLink) up to date.
//
// Where rows come from and how changes are stored is left to a concrete
// record set, which derives from this class and supplies the concrete steps
// declared below under "Concrete steps".
//
// The window: FBuffers holds FBufferCount + 1 record buffers; the first
// FRecordCount of them hold rows, FActiveRecord is the current one, and the
// buffer at FRecordCount is the scratch buffer into which the next row is
// read. FCurrentRecord names the buffer on which the concrete record set's
// cursor stands (-1: unknown). Scrolling rotates buffer pointers; rows are
// never copied between buffers.
#pragma once

#include "ibclient/base/Exception.h"
#include "ibclient/base/TComponent.h"
#include "ibclient/dataset/TField.h"
#include "ibclient/dataset/TFieldDefs.h"
#include "ibclient/dataset/TFields.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class TDataSource;
class TDataLink;

enum TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
    dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
    deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange
};

// What an error event decides: pass the error on, end silently, or retry.
enum TDataAction { daFail, daAbort, daRetry };

// A record buffer, laid out by the concrete record set.
using TRecordBuffer = std::byte*;
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

// Options of Resync.
enum TResyncOption : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncMode = unsigned;

// Bytes of a bookmark: a row's signed 32-bit record number.
constexpr int BookmarkSize = 4;

// The notification's second value: a TField* for field events, a scroll
// distance, a TField** for focus requests, a flag for disabled state changes.
using TEventInfo = std::intptr_t;

// Raises EDatabaseError with Message, as "Name: Message" when Component has a
// name.
[[noreturn]] void DatabaseError(const QString& Message, const TComponent* Component = nullptr);

class TDataSet : public TComponent {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
    using TDataSetErrorEvent = std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
    // Creates a field of one class, owned by AOwner.
    using TFieldClass = TField* (*)(TComponent* AOwner);

    explicit TDataSet(TComponent* AOwner);
    ~TDataSet() override;

    // Opening and closing.
    bool Active() const { return FState != dsInactive && FState != dsOpening; }
    void SetActive(bool Value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }
    bool Modified() const { return FModified; }

    // Navigation.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Answers the rows actually moved (negative backward).
    int MoveBy(int Distance);
    bool Bof() const { return FBOF; }
    bool Eof() const { return FEOF; }
    bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
    void Resync(TResyncMode Mode);
    // Positions the concrete cursor on the active row.
    void UpdateCursorPos();
    // The concrete cursor's position is no longer known.
    void CursorPosChanged() { FCurrentRecord = -1; }

    // The edit protocol.
    void Edit();
    void Insert();
    void Append();
    // The concrete record set may override Post to do its own work first
    // (calling TDataSet::Post at the end).
    virtual void Post();
    void Cancel();
    void Delete();
    void CheckBrowseMode();
    void UpdateRecord();

    // Fields.
    TFields& Fields() { return FFields; }
    const TFields& Fields() const { return FFields; }
    int FieldCount() const { return FFields.Count(); }
    TFieldDefs& FieldDefs() { return FFieldDefs; }
    const TFieldDefs& FieldDefs() const { return FFieldDefs; }
    // The fields were created at opening from the definitions.
    bool DefaultFields() const { return FDefaultFields; }
    TField* FindField(const QString& FieldName) const;
    TField* FieldByName(const QString& FieldName) const;

    // The field data read and write, called by the fields (TField::GetData,
    // SetData). Buffer holds (or receives) the value in native form (see
    // TField.h for each class's form); a read with Buffer nullptr only
    // answers whether the field has a value, a write with Buffer nullptr
    // stores null. The fields convert dates, times and text themselves, so
    // NativeFormat may be ignored: it is false only where native and
    // non-native forms are the same bytes (a BCD field's int64 count of
    // ten-thousandths). The field data write must run
    // Field->Validate(Buffer) before storing, and DataEvent(deFieldChange,
    // field) after (except in the calculated-field, filter and new-value
    // states). The base read answers false; the base write refuses.
    virtual bool GetFieldData(TField* Field, void* Buffer, bool NativeFormat);
    virtual void SetFieldData(TField* Field, const void* Buffer, bool NativeFormat);

    // The window.
    TRecordBuffer ActiveBuffer() const;
    int BufferCount() const { return FBufferCount; }
    int ActiveRecord() const { return FActiveRecord; }
    int WindowRecordCount() const { return FRecordCount; }

    // Views.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount != 0; }
    // Sends a notification to the record set's sources and their links.
    void DataEvent(TDataEvent Event, TEventInfo Info);

    // Answers of the concrete record set.
    virtual bool CanModify();
    // Whether a field's value may be changed now; a record set whose write
    // statements leave columns out answers false for those.
    virtual bool CanModifyField(const TField* Field);
    // -1 when the record set cannot count its rows.
    virtual int RecordCount();
    // The active row's number from 1; -1 when unknown.
    virtual int RecNo();
    // Whether the rows can be numbered (RecNo and RecordCount are exact).
    virtual bool IsSequenced();
    virtual TUpdateStatus UpdateStatus();

    // The field class table: which class a field type's fields have
    // (nullptr: the type gets no field). The base answers the generic
    // classes; a record set of a particular server answers its own where it
    // has them and leaves the rest to the base.
    virtual TFieldClass GetFieldClass(TFieldType FieldType);
    template <class T>
    static TField* MakeField(TComponent* AOwner)
    {
        return new T(AOwner);
    }

    // Events.
    void SetBeforeOpen(TDataSetNotifyEvent Value) { FBeforeOpen = std::move(Value); }
    void SetAfterOpen(TDataSetNotifyEvent Value) { FAfterOpen = std::move(Value); }
    void SetBeforeClose(TDataSetNotifyEvent Value) { FBeforeClose = std::move(Value); }
    void SetAfterClose(TDataSetNotifyEvent Value) { FAfterClose = std::move(Value); }
    void SetBeforeInsert(TDataSetNotifyEvent Value) { FBeforeInsert = std::move(Value); }
    void SetAfterInsert(TDataSetNotifyEvent Value) { FAfterInsert = std::move(Value); }
    void SetBeforeEdit(TDataSetNotifyEvent Value) { FBeforeEdit = std::move(Value); }
    void SetAfterEdit(TDataSetNotifyEvent Value) { FAfterEdit = std::move(Value); }
    void SetBeforePost(TDataSetNotifyEvent Value) { FBeforePost = std::move(Value); }
    void SetAfterPost(TDataSetNotifyEvent Value) { FAfterPost = std::move(Value); }
    void SetBeforeCancel(TDataSetNotifyEvent Value) { FBeforeCancel = std::move(Value); }
    void SetAfterCancel(TDataSetNotifyEvent Value) { FAfterCancel = std::move(Value); }
    void SetBeforeDelete(TDataSetNotifyEvent Value) { FBeforeDelete = std::move(Value); }
    void SetAfterDelete(TDataSetNotifyEvent Value) { FAfterDelete = std::move(Value); }
    void SetBeforeScroll(TDataSetNotifyEvent Value) { FBeforeScroll = std::move(Value); }
    void SetAfterScroll(TDataSetNotifyEvent Value) { FAfterScroll = std::move(Value); }
    void SetOnNewRecord(TDataSetNotifyEvent Value) { FOnNewRecord = std::move(Value); }
    void SetOnCalcFields(TDataSetNotifyEvent Value) { FOnCalcFields = std::move(Value); }
    void SetOnEditError(TDataSetErrorEvent Value) { FOnEditError = std::move(Value); }
    void SetOnPostError(TDataSetErrorEvent Value) { FOnPostError = std::move(Value); }
    void SetOnDeleteError(TDataSetErrorEvent Value) { FOnDeleteError = std::move(Value); }

    // The master source of a detail record set; none here.
    virtual TDataSource* GetDataSource() const { return nullptr; }

protected:
    // ---- Concrete steps --------------------------------------------------
    // A new record buffer of the concrete record set's layout.
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    // Frees a buffer from AllocRecordBuffer and sets Buffer to nullptr.
    virtual void FreeRecordBuffer(TRecordBuffer& Buffer) = 0;
    // Open step (Open, after BeforeOpen): open the cursor, build the field
    // definitions, create the fields when DefaultFields() (CreateFields) and
    // bind them (BindFields(true)). Rows are then read through GetRecord.
    virtual void InternalOpen() = 0;
    // Close step (Close, after the window is cleared): close the cursor,
    // BindFields(false) and, when DefaultFields(), DestroyFields().
    virtual void InternalClose() = 0;
    // Describe step: fill FieldDefs() from the cursor's columns.
    virtual void InternalInitFieldDefs() = 0;
    // Row read: read the current, next or prior row into Buffer and set the
    // buffer's bookmark flag. Answers grOK, grBOF, grEOF or grError; DoCheck
    // asks to raise on errors instead of answering grError.
    virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) = 0;
    // First step: the cursor goes before the first row.
    virtual void InternalFirst() = 0;
    // Last step: the cursor goes after the last row.
    virtual void InternalLast() = 0;
    // Goto step: the cursor goes to the row of Buffer (by its bookmark).
    virtual void InternalSetToRecord(TRecordBuffer Buffer) = 0;
    // Init-row step: Buffer becomes an empty new row.
    virtual void InternalInitRecord(TRecordBuffer Buffer) = 0;
    // Insert step (Insert and Append, after the new buffer is in place).
    virtual void InternalInsert();
    // Edit step (Edit, with OnEditError, cursor on the active row).
    virtual void InternalEdit();
    // Post step (Post, with OnPostError, cursor on the active row): store the
    // active buffer. The base checks the required fields; overrides call it
    // first.
    virtual void InternalPost();
    // Cancel step (Cancel, cursor on the active row): undo the active
    // buffer's changes.
    virtual void InternalCancel();
    // Delete step (Delete, with OnDeleteError, cursor on the active row).
    virtual void InternalDelete();
    // Edit, insert and delete checks, run before the state changes; the base
    // fires BeforeEdit, BeforeInsert and BeforeDelete. Overrides decide
    // where their own checks go relative to the event.
    virtual void DoBeforeEdit();
    virtual void DoBeforeInsert();
    virtual void DoBeforeDelete();
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) = 0;
    // The buffer's bookmark (BookmarkSize bytes) into Data.
    virtual void GetBookmarkData(TRecordBuffer Buffer, void* Data) = 0;
    virtual void SetBookmarkData(TRecordBuffer Buffer, const void* Data) = 0;
    // Cursor-open test.
    virtual bool IsCursorOpen() = 0;
    // Empties the calculated-field area of a buffer; the base does nothing.
    virtual void ClearCalcFields(TRecordBuffer Buffer);
    // Fills the calculated fields of Buffer: the base runs OnCalcFields in
    // the dsCalcFields state when there are calculated fields.
    virtual void GetCalcFields(TRecordBuffer Buffer);
    // Field values being edited are given up (Post, Cancel, Delete, Close).
    virtual void FreeFieldBuffers() {}

    // ---- Helpers for the concrete record set -----------------------------
    // Creates one field per definition whose type has a field class and is
    // not an object type, owned by this record set, in definition order.
    void CreateFields();
    // Gives each field its field number from its definition (or takes it
    // away) and counts blob and calculated fields. A data field without a
    // definition fails with "Field '%s' not found".
    void BindFields(bool Binding);
    // Destroys every field of the record set.
    void DestroyFields();
    // Checks every field that is required, not read-only, a data field and
    // null: asks the views to focus it and fails with "Field '%s' must have
    // a value".
    void CheckRequiredFields();
    // Marks the record set modified (a field data write).
    void SetModified(bool Value) { FModified = Value; }
    // The state change with its notification; temporary states (calculated
    // fields, old value) are set by assigning FState directly.
    void SetState(TDataSetState Value);
    TDataSetState& StateRef() { return FState; }
    // The record buffer at a window index; nullptr outside the list.
    TRecordBuffer Buffers(int Index) const;
    int CalcFieldsSize() const { return FCalcFieldsSize; }
    int BlobFieldCount() const { return FBlobFieldCount; }
    bool InternalCalcFields() const { return FInternalCalcFields; }
    // A concrete record set's destructor calls this first, while its steps
    // still work: it closes without BeforeClose / AfterClose, swallowing any
    // error (destructors never throw), and leaves the data sources.
    void BeginDestroy() noexcept;

private:
    friend class TDataSource;
    friend class TDataLink;

    void OpenCursorComplete(bool OpenFailed);
    void DoInternalOpen();
    void CloseCursor();
    void CheckActive();
    void CheckCanModify();
    void ClearBuffers();
    void ActivateBuffers();
    void SetBufListSize(int Value);
    void SetBufferCount(int Value);
    void UpdateBufferCount();
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int Index);
    void MoveBuffer(int CurIndex, int NewIndex);
    void InitRecord(TRecordBuffer Buffer);
    void BeginInsertAppend();
    void EndInsertAppend();
    void CheckOperation(void (TDataSet::*Operation)(), const TDataSetErrorEvent& ErrorEvent);
    void AddDataSource(TDataSource* DataSource);
    void RemoveDataSource(TDataSource* DataSource);
    void DetachDataSources() noexcept;
    void AdjustFirstRecord(int Delta);
    static void Fire(const TDataSetNotifyEvent& Event, TDataSet* DataSet);

    TDataSetState FState = dsInactive;
    TFields FFields;
    TFieldDefs FFieldDefs;
    bool FDefaultFields = false;
    std::vector<TDataSource*> FDataSources;
    TDataLink* FFirstDataLink = nullptr; // chain through TDataLink::FNext
    std::vector<TRecordBuffer> FBuffers;
    int FBufferCount = 0;
    int FRecordCount = 0;
    int FActiveRecord = 0;
    int FCurrentRecord = -1;
    bool FBOF = true;
    bool FEOF = true;
    bool FModified = false;
    bool FInternalOpenComplete = false;
    int FDisableCount = 0;
    TDataSetState FDisableState = dsInactive;
    TDataEvent FEnableEvent = deDataSetChange;
    int FCalcFieldsSize = 0;
    int FBlobFieldCount = 0;
    bool FInternalCalcFields = false;

    TDataSetNotifyEvent FBeforeOpen, FAfterOpen, FBeforeClose, FAfterClose;
    TDataSetNotifyEvent FBeforeInsert, FAfterInsert, FBeforeEdit, FAfterEdit;
    TDataSetNotifyEvent FBeforePost, FAfterPost, FBeforeCancel, FAfterCancel;
    TDataSetNotifyEvent FBeforeDelete, FAfterDelete, FBeforeScroll, FAfterScroll;
    TDataSetNotifyEvent FOnNewRecord, FOnCalcFields;
    TDataSetErrorEvent FOnEditError, FOnPostError, FOnDeleteError;
};
