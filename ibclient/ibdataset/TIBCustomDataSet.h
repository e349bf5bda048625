// TIBCustomDataSet: the buffered, updatable record set over one select. It
// executes the select, keeps every fetched row in a row cache (one
// contiguous block of fixed-size slots, grown BufferChunks rows at a time),
// serves those rows to the generic record set, and writes changes back
// through the modify, insert and delete statements with parameters bound
// from the row's new values and, for names beginning with OLD_, from the row
// as it was when it entered edit state.
//
// Rows are fetched only when navigation or a view needs them, one fetch per
// row; commit-retaining leaves the cursor, the cache and the window as they
// are, so a walk over the rows never re-executes the select.
#pragma once

#include "ibclient/dataset/TDataSet.h"
#include "ibclient/sql/TIBSQL.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <vector>

class TIBBase;
class TIBDatabase;
class TIBTransaction;
class TIBXSQLDA;
class TIBXSQLVAR;

enum TLiveModeFlag : unsigned { lmInsert = 1, lmModify = 2, lmDelete = 4, lmRefresh = 8 };
using TLiveModes = unsigned;

enum TCachedUpdateStatus : std::uint8_t {
    cusUnmodified = 0,
    cusModified = 1,
    cusInserted = 2,
    cusDeleted = 3,
    cusUninserted = 4
};

class TIBCustomDataSet : public TDataSet {
public:
    explicit TIBCustomDataSet(TComponent* AOwner);
    ~TIBCustomDataSet() override;

    // --- connection and transaction (assigning needs the record set closed)
    TIBDatabase* Database() const;
    void SetDatabase(TIBDatabase* Value);
    TIBTransaction* Transaction() const;
    void SetTransaction(TIBTransaction* Value);

    // --- settings
    int BufferChunks() const { return FBufferChunks; }
    void SetBufferChunks(int Value) { FBufferChunks = Value < 1 ? 1000 : Value; }
    bool ForcedRefresh() const { return FForcedRefresh; }
    void SetForcedRefresh(bool Value) { FForcedRefresh = Value; }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool Value) { FParamCheck = Value; }
    TLiveModes LiveMode() const { return FLiveMode; }
    int RowsAffected() const { return FRowsAffected; }

    // --- answers for the generic record set
    bool CanModify() override;
    // A column can be changed only where the statement that will post the
    // row writes it: what it does not write would be shown as saved but
    // never stored.
    bool CanModifyField(const TField* Field) override;
    // Rows fetched so far plus posted inserts, less deletions.
    int RecordCount() override;
    int RecNo() override;
    // True once the select's cursor has reached its end.
    bool IsSequenced() override;
    TUpdateStatus UpdateStatus() override;
    // Text and scaled numeric columns get the Firebird field classes.
    TFieldClass GetFieldClass(TFieldType FieldType) override;
    // The Firebird field class of a field type, or nullptr where the generic
    // class serves.
    static TFieldClass IBFieldClass(TFieldType FieldType);
    // Fetches every remaining row without moving the active row.
    void FetchAll();
    void Post() override;

    // --- what tests and diagnostics look at
    // Bytes of one row slot, and of the row cache.
    int RecordBufferSize() const { return FRecordBufferSize; }
    std::size_t CacheSize() const { return FCacheSize; }
    int CachedRecordCount() const { return FRecordCount; }

    // The statement objects.
    TIBSQL* QSelect() const { return FQSelect; }
    TIBSQL* QModify() const { return FQModify; }
    TIBSQL* QInsert() const { return FQInsert; }
    TIBSQL* QDelete() const { return FQDelete; }
    TIBSQL* QRefresh() const { return FQRefresh; }

    void SetBeforeDatabaseDisconnect(TDataSetNotifyEvent e) { FBeforeDatabaseDisconnect = std::move(e); }
    void SetAfterDatabaseDisconnect(TDataSetNotifyEvent e) { FAfterDatabaseDisconnect = std::move(e); }
    void SetDatabaseFree(TDataSetNotifyEvent e) { FDatabaseFree = std::move(e); }
    void SetBeforeTransactionEnd(TDataSetNotifyEvent e) { FBeforeTransactionEnd = std::move(e); }
    void SetAfterTransactionEnd(TDataSetNotifyEvent e) { FAfterTransactionEnd = std::move(e); }
    void SetTransactionFree(TDataSetNotifyEvent e) { FTransactionFree = std::move(e); }

    bool GetFieldData(TField* Field, void* Buffer, bool NativeFormat) override;
    void SetFieldData(TField* Field, const void* Buffer, bool NativeFormat) override;

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
    void InternalInsert() override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void DoBeforeEdit() override;
    void DoBeforeInsert() override;
    void DoBeforeDelete() override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override;
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
    void GetBookmarkData(TRecordBuffer Buffer, void* Data) override;
    void SetBookmarkData(TRecordBuffer Buffer, const void* Data) override;
    bool IsCursorOpen() override { return FOpen; }

    // Prepares the five statements and builds the field definitions.
    void InternalPrepare();
    // Forgets the prepared state (the record set must be closed).
    void InternalUnPrepare();
    bool InternalPrepared() const { return FInternalPrepared; }

private:
    struct TFree {
        void operator()(std::byte* p) const { std::free(p); }
    };
    using TSlot = std::unique_ptr<std::byte, TFree>;

    // What a cell holds, decided once per column at opening from its type,
    // scale and field.
    enum class TCellKind { Text, Double, Int32, Currency, ScaledDouble, Bcd, Int64, TimeStamp, Date, Time, Boolean, Raw };
    static TCellKind KindOf(int Type, int Scale, bool FloatField);
    // Where a column's descriptor and cell lie in every slot.
    struct TColumnLayout {
        TCellKind Kind;
        int Descriptor;
        int DataOffset;
        int DataSize;
    };
    // Which select column a parameter of a write statement takes its value
    // from, and whether from the row's old values.
    struct TParamSource {
        int Column;
        bool Old;
    };
    const std::vector<TParamSource>& ParamSources(TIBSQL* Statement);
    // The statement that posts the row in the current state, or nullptr when
    // none is usable (the post itself then reports why).
    TIBSQL* PostingStatement();
    bool WritesColumn(TIBSQL* Statement, int Column);
    // "NAME = value, ..." of the statement's OLD_ parameters as bound: the
    // row it looked for.
    QString BoundRowDescription(TIBSQL* Statement);
    void FillCell(std::byte* Slot, const TColumnLayout& Column, TIBXSQLVAR* Var);

    // Opening helpers.
    void CheckConnection();
    void BuildFieldDefs();
    void LayoutModelRow();
    // The row cache.
    std::byte* SlotAt(int RecordNumber);
    void AdjustCachePosition(std::size_t Position);
    void ReadSlot(int RecordNumber, TRecordBuffer Buffer);
    void WriteSlot(TRecordBuffer Buffer);
    // The old values of a row: the cached slot, or the edit snapshot for the same row.
    void ReadOldValues(int RecordNumber, TRecordBuffer Buffer);
    bool FetchRow();
    // Whether a fetched row is one this record set inserted while the cursor
    // was open (the cursor returns such rows too); each is recognised once.
    bool TakeInsertedRow(const std::byte* Slot);
    void LoadRow(TIBSQL* Query, TRecordBuffer Slot, int RecordNumber);
    bool IsVisible(TRecordBuffer Buffer) const;
    TRecordBuffer ActiveRowBuffer() const;
    void ClaimNewRecordNumber(TRecordBuffer Buffer);
    void CheckEditState();
    // Writing back.
    void ExecuteWrite(TIBSQL* Statement, TRecordBuffer Buffer);
    void BindParams(TIBSQL* Statement, TRecordBuffer Buffer);
    void RefreshRow();
    void SQLChanging(TIBSQL* Statement);
    // Notifications of the link.
    void DoBeforeDatabaseDisconnect();
    void DoBeforeTransactionEnd();
    void FreeHandles();

    std::unique_ptr<TIBBase> FBase;
    TIBSQL* FQDelete;
    TIBSQL* FQInsert;
    TIBSQL* FQRefresh;
    TIBSQL* FQSelect;
    TIBSQL* FQModify;
    bool FInternalPrepared = false;
    TLiveModes FLiveMode = 0;
    bool FOpen = false;
    bool FNeedsRefresh = false;
    bool FForcedRefresh = false;
    bool FParamCheck = true;
    int FBufferChunks = 1000;
    TSlot FBufferCache;
    std::size_t FCacheSize = 0;
    std::size_t FBufferChunkSize = 0;
    int FRecordCount = 0;
    int FDeletedRecords = 0;
    int FCurrentRecord = -1;
    int FRecordSize = 0;
    int FRecordBufferSize = 0;
    TSlot FModelBuffer;
    TSlot FOldBuffer;
    TSlot FTempBuffer;
    std::vector<int> FMappedFieldPosition;
    std::vector<TColumnLayout> FColumns;
    // Parameter sources per write statement, with the PrepareCount of the
    // statement and of the select they were worked out for.
    struct TStatementParams {
        TIBSQL* Statement;
        int PrepareCount;
        int SelectPrepareCount;
        std::vector<TParamSource> Sources;
    };
    std::vector<TStatementParams> FParamSources;
    int FRowsAffected = 0;
    // Rows inserted before the cursor reached its end, and the select
    // columns that identify a row (its key, or every column without one).
    std::vector<int> FInsertedBeforeEnd;
    std::vector<int> FIdentityColumns;
    // A refresh that failed after its write went through: raised once the
    // post has completed.
    std::exception_ptr FRefreshError;
    // The cached row a pending new row was inserted above (-1: none), and
    // whether the cursor stands on the new row, so that the next row read
    // after it is that row rather than the one after it.
    int FInsertedAbove = -1;
    bool FOnNewRow = false;
    TDataSetNotifyEvent FBeforeDatabaseDisconnect, FAfterDatabaseDisconnect, FDatabaseFree;
    TDataSetNotifyEvent FBeforeTransactionEnd, FAfterTransactionEnd, FTransactionFree;
};
