#include "ibclient/dataset/TDataSet.h"

#include "ibclient/dataset/TBCDField.h"
#include "ibclient/dataset/TBlobField.h"
#include "ibclient/dataset/TBooleanField.h"
#include "ibclient/dataset/TDataLink.h"
#include "ibclient/dataset/TDataSource.h"
#include "ibclient/dataset/TDateTimeField.h"
#include "ibclient/dataset/TFMTBCDField.h"
#include "ibclient/dataset/TFloatField.h"
#include "ibclient/dataset/TIntegerField.h"
#include "ibclient/dataset/TLargeintField.h"
#include "ibclient/dataset/TStringField.h"

#include <algorithm>

namespace {
const char* const SDataSetClosed = "Cannot perform this operation on a closed dataset";
const char* const SNotEditing = "Dataset not in edit or insert mode";
const char* const SDataSetReadOnly = "Cannot modify a read-only dataset";
const char* const SDataSetEmpty = "Cannot perform this operation on an empty dataset";
const char* const SFieldNotFound = "Field '%1' not found";
const char* const SFieldRequired = "Field '%1' must have a value";
const char* const SRecordNotFound = "Record not found";

bool InEditModes(TDataSetState state)
{
    return state == dsEdit || state == dsInsert || state == dsSetKey;
}

} // namespace

void DatabaseError(const QString& Message, const TComponent* Component)
{
    if (Component && !Component->Name().isEmpty())
        throw EDatabaseError(QStringLiteral("%1: %2").arg(Component->Name(), Message));
    throw EDatabaseError(Message);
}

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner), FFieldDefs(this) {}

TDataSet::~TDataSet()
{
    // The concrete part is gone: its steps cannot run any more. A concrete
    // record set has closed in its own destructor (BeginDestroy).
    Destroying();
    DetachDataSources();
    DestroyFields();
}

void TDataSet::BeginDestroy() noexcept
{
    Destroying();
    try {
        SetActive(false);
    } catch (...) {
        // Nothing can report the failure of a close during destruction.
    }
    DetachDataSources();
}

void TDataSet::DetachDataSources() noexcept
{
    while (!FDataSources.empty()) {
        TDataSource* source = FDataSources.back();
        FDataSources.pop_back();
        source->FDataSet = nullptr;
        try {
            source->UpdateState();
        } catch (...) {
            // A view failing while its record set goes away.
        }
    }
    FFirstDataLink = nullptr;
}

void TDataSet::Fire(const TDataSetNotifyEvent& Event, TDataSet* DataSet)
{
    if (Event)
        Event(DataSet);
}

// ---- Opening and closing ------------------------------------------------

void TDataSet::SetActive(bool Value)
{
    if (Active() == Value)
        return;
    if (Value) {
        Fire(FBeforeOpen, this);
        try {
            DoInternalOpen();
        } catch (...) {
            OpenCursorComplete(true);
            throw;
        }
        OpenCursorComplete(false);
    } else {
        if (!IsDestroying())
            Fire(FBeforeClose, this);
        SetState(dsInactive);
        CloseCursor();
        if (!IsDestroying())
            Fire(FAfterClose, this);
    }
}

void TDataSet::DoInternalOpen()
{
    FDefaultFields = FieldCount() == 0;
    InternalOpen();
    FInternalOpenComplete = true;
    UpdateBufferCount();
    FBOF = true;
}

void TDataSet::OpenCursorComplete(bool OpenFailed)
{
    if (FInternalOpenComplete) {
        SetState(dsBrowse);
        Fire(FAfterOpen, this);
        if (!IsEmpty())
            Fire(FAfterScroll, this);
    } else {
        SetState(dsInactive);
        if (OpenFailed) {
            // The error of the open step is the one the caller sees.
            try {
                CloseCursor();
            } catch (...) {
            }
        } else {
            CloseCursor();
        }
    }
}

void TDataSet::CloseCursor()
{
    FInternalOpenComplete = false;
    FreeFieldBuffers();
    ClearBuffers();
    SetBufListSize(0);
    FBufferCount = 0;
    try {
        InternalClose();
    } catch (...) {
        FDefaultFields = false;
        throw;
    }
    FDefaultFields = false;
}

void TDataSet::SetState(TDataSetState Value)
{
    if (FState != Value) {
        FState = Value;
        FModified = false;
        DataEvent(deUpdateState, 0);
    }
}

void TDataSet::CheckActive()
{
    if (FState == dsInactive)
        DatabaseError(QString::fromLatin1(SDataSetClosed), this);
}

void TDataSet::CheckCanModify()
{
    if (!CanModify())
        DatabaseError(QString::fromLatin1(SDataSetReadOnly), this);
}

// ---- The window -----------------------------------------------------------

TRecordBuffer TDataSet::ActiveBuffer() const
{
    return Buffers(FActiveRecord);
}

TRecordBuffer TDataSet::Buffers(int Index) const
{
    if (Index < 0 || Index >= static_cast<int>(FBuffers.size()))
        return nullptr;
    return FBuffers[static_cast<std::size_t>(Index)];
}

void TDataSet::ClearBuffers()
{
    FRecordCount = 0;
    FActiveRecord = 0;
    FCurrentRecord = -1;
    FBOF = true;
    FEOF = true;
}

void TDataSet::ActivateBuffers()
{
    FRecordCount = 1;
    FActiveRecord = 0;
    FCurrentRecord = 0;
    FBOF = false;
    FEOF = false;
}

void TDataSet::SetBufListSize(int Value)
{
    const auto size = static_cast<std::size_t>(std::max(Value, 0));
    while (FBuffers.size() > size) {
        TRecordBuffer buffer = FBuffers.back();
        FBuffers.pop_back();
        FreeRecordBuffer(buffer);
    }
    FBuffers.reserve(size);
    while (FBuffers.size() < size)
        FBuffers.push_back(AllocRecordBuffer());
}

void TDataSet::MoveBuffer(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    auto first = FBuffers.begin();
    if (CurIndex < NewIndex)
        std::rotate(first + CurIndex, first + CurIndex + 1, first + NewIndex + 1);
    else
        std::rotate(first + NewIndex, first + CurIndex, first + CurIndex + 1);
}

void TDataSet::AdjustFirstRecord(int Delta)
{
    if (Delta == 0)
        return;
    for (TDataLink* link = FFirstDataLink; link; link = link->FNext)
        if (link->Active())
            link->FFirstRecord += Delta;
}

void TDataSet::SetBufferCount(int Value)
{
    if (Value == FBufferCount)
        return;
    if (Value < FBufferCount && FRecordCount > 0) {
        // Keep the rows from the first one any view shows onwards, but never
        // lose the active row: a view whose range is stale must not push it
        // out of the window.
        int delta = FActiveRecord;
        for (TDataLink* link = FFirstDataLink; link; link = link->FNext)
            if (link->Active() && link->FFirstRecord < delta)
                delta = link->FFirstRecord;
        delta = std::max({delta, FActiveRecord - Value + 1, 0});
        const int kept = std::min(FRecordCount - delta, Value);
        for (int i = 0; i < kept; ++i)
            MoveBuffer(i + delta, i);
        FRecordCount = kept;
        FActiveRecord -= delta;
        if (FCurrentRecord != -1)
            FCurrentRecord -= delta;
        // The cursor may have stood on a row that left the window.
        if (FCurrentRecord < 0 || FCurrentRecord >= FRecordCount)
            FCurrentRecord = -1;
        AdjustFirstRecord(-delta);
    }
    SetBufListSize(Value + 1);
    FBufferCount = Value;
    if (!IsDestroying()) {
        GetNextRecords();
        AdjustFirstRecord(GetPriorRecords());
    }
}

void TDataSet::UpdateBufferCount()
{
    // The chain is rebuilt always, so that it never names a link that has
    // left; the window is resized only while the cursor is open.
    int maxBufferCount = 1;
    FFirstDataLink = nullptr;
    for (auto source = FDataSources.rbegin(); source != FDataSources.rend(); ++source) {
        const std::vector<TDataLink*>& links = (*source)->FDataLinks;
        for (auto link = links.rbegin(); link != links.rend(); ++link) {
            (*link)->FNext = FFirstDataLink;
            FFirstDataLink = *link;
            maxBufferCount = std::max(maxBufferCount, (*link)->BufferCount());
        }
    }
    if (IsCursorOpen())
        SetBufferCount(maxBufferCount);
}

void TDataSet::SetCurrentRecord(int Index)
{
    if (FCurrentRecord == Index)
        return;
    TRecordBuffer buffer = Buffers(Index);
    switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
        InternalSetToRecord(buffer);
        break;
    case bfBOF:
        InternalFirst();
        break;
    case bfEOF:
        InternalLast();
        break;
    }
    FCurrentRecord = Index;
}

void TDataSet::UpdateCursorPos()
{
    if (FRecordCount > 0)
        SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord()
{
    TGetMode mode = gmNext;
    if (FRecordCount > 0) {
        SetCurrentRecord(FRecordCount - 1);
        if (FState == dsInsert && FCurrentRecord == FActiveRecord && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    const bool ok = GetRecord(Buffers(FRecordCount), mode, true) == grOK;
    if (!ok) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0)
        ActivateBuffers();
    else if (FRecordCount < FBufferCount)
        ++FRecordCount;
    else
        MoveBuffer(0, FRecordCount);
    FCurrentRecord = FRecordCount - 1;
    return true;
}

bool TDataSet::GetPriorRecord()
{
    if (FRecordCount > 0)
        SetCurrentRecord(0);
    const bool ok = GetRecord(Buffers(FRecordCount), gmPrior, true) == grOK;
    if (!ok) {
        CursorPosChanged();
        return false;
    }
    if (FRecordCount == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(FRecordCount, 0);
        if (FRecordCount < FBufferCount) {
            ++FRecordCount;
            ++FActiveRecord;
        }
    }
    FCurrentRecord = 0;
    return true;
}

int TDataSet::GetNextRecords()
{
    int count = 0;
    while (FRecordCount < FBufferCount && GetNextRecord())
        ++count;
    return count;
}

int TDataSet::GetPriorRecords()
{
    int count = 0;
    while (FRecordCount < FBufferCount && GetPriorRecord())
        ++count;
    return count;
}

// ---- Navigation -----------------------------------------------------------

void TDataSet::First()
{
    CheckBrowseMode();
    Fire(FBeforeScroll, this);
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        FBOF = true;
        DataEvent(deDataSetChange, 0);
        Fire(FAfterScroll, this);
        throw;
    }
    FBOF = true;
    DataEvent(deDataSetChange, 0);
    Fire(FAfterScroll, this);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    Fire(FBeforeScroll, this);
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        FEOF = true;
        DataEvent(deDataSetChange, 0);
        Fire(FAfterScroll, this);
        throw;
    }
    FEOF = true;
    DataEvent(deDataSetChange, 0);
    Fire(FAfterScroll, this);
}

int TDataSet::MoveBy(int Distance)
{
    CheckBrowseMode();
    Fire(FBeforeScroll, this);
    if ((Distance > 0 && FEOF) || (Distance < 0 && FBOF) || Distance == 0)
        return 0;
    FBOF = false;
    FEOF = false;
    const int oldRecordCount = FRecordCount;
    int scrollCount = 0;
    int result = 0;
    auto finish = [&] {
        if (FRecordCount != oldRecordCount)
            DataEvent(deDataSetChange, 0);
        else
            DataEvent(deDataSetScroll, scrollCount);
        Fire(FAfterScroll, this);
    };
    try {
        while (Distance > 0) {
            if (FActiveRecord < FRecordCount - 1) {
                ++FActiveRecord;
            } else {
                const int scrolls = FRecordCount < FBufferCount ? 0 : 1;
                if (!GetNextRecord()) {
                    FEOF = true;
                    break;
                }
                scrollCount -= scrolls;
                if (FActiveRecord < FRecordCount - 1)
                    ++FActiveRecord;
            }
            --Distance;
            ++result;
        }
        while (Distance < 0) {
            if (FActiveRecord > 0) {
                --FActiveRecord;
            } else {
                const int scrolls = FRecordCount < FBufferCount ? 0 : 1;
                if (!GetPriorRecord()) {
                    FBOF = true;
                    break;
                }
                scrollCount += scrolls;
                if (FActiveRecord > 0)
                    --FActiveRecord;
            }
            ++Distance;
            --result;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

void TDataSet::Resync(TResyncMode Mode)
{
    TRecordBuffer scratch = Buffers(FRecordCount);
    if (Mode & rmExact) {
        CursorPosChanged();
        if (GetRecord(scratch, gmCurrent, true) != grOK)
            DatabaseError(QString::fromLatin1(SRecordNotFound), this);
    } else if (GetRecord(scratch, gmCurrent, false) != grOK && GetRecord(scratch, gmNext, false) != grOK
               && GetRecord(scratch, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = (Mode & rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
    MoveBuffer(FRecordCount, 0);
    ActivateBuffers();
    try {
        while (count > 0 && GetPriorRecord())
            --count;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

// ---- The edit protocol ------------------------------------------------------

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (FState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (FModified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

void TDataSet::UpdateRecord()
{
    if (!InEditModes(FState))
        DatabaseError(QString::fromLatin1(SNotEditing), this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckOperation(void (TDataSet::*Operation)(), const TDataSetErrorEvent& ErrorEvent)
{
    for (;;) {
        try {
            UpdateCursorPos();
            (this->*Operation)();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (ErrorEvent)
                ErrorEvent(this, e, action);
            if (action == daFail)
                throw;
            if (action == daAbort)
                Abort();
            // daRetry: run the step again.
        }
    }
}

void TDataSet::Edit()
{
    if (FState == dsEdit || FState == dsInsert)
        return;
    if (FRecordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    CheckOperation(&TDataSet::InternalEdit, FOnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    Fire(FAfterEdit, this);
}

void TDataSet::BeginInsertAppend()
{
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    Fire(FBeforeScroll, this);
}

void TDataSet::InitRecord(TRecordBuffer Buffer)
{
    InternalInitRecord(Buffer);
    ClearCalcFields(Buffer);
    SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::EndInsertAppend()
{
    SetState(dsInsert);
    try {
        Fire(FOnNewRecord, this);
    } catch (...) {
        UpdateCursorPos();
        FreeFieldBuffers();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange, 0);
    Fire(FAfterInsert, this);
    Fire(FAfterScroll, this);
}

void TDataSet::Insert()
{
    BeginInsertAppend();
    std::byte bookmark[BookmarkSize] = {};
    const bool hadRows = FRecordCount > 0;
    if (hadRows)
        GetBookmarkData(ActiveBuffer(), bookmark);
    MoveBuffer(FRecordCount, FActiveRecord);
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (hadRows)
        SetBookmarkData(buffer, bookmark);
    else
        SetBookmarkFlag(buffer, bfBOF);
    if (FRecordCount < FBufferCount)
        ++FRecordCount;
    // The buffers moved: the cursor's window index no longer names its row.
    CursorPosChanged();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Append()
{
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = Buffers(0);
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    FRecordCount = 1;
    FBOF = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Post()
{
    UpdateRecord();
    if (FState != dsEdit && FState != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    Fire(FBeforePost, this);
    CheckOperation(&TDataSet::InternalPost, FOnPostError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    Fire(FAfterPost, this);
}

void TDataSet::Cancel()
{
    if (FState != dsEdit && FState != dsInsert)
        return;
    DataEvent(deCheckBrowseMode, 0);
    Fire(FBeforeCancel, this);
    const bool scrollEvents = FState == dsInsert;
    if (scrollEvents)
        Fire(FBeforeScroll, this);
    UpdateCursorPos();
    InternalCancel();
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    Fire(FAfterCancel, this);
    if (scrollEvents)
        Fire(FAfterScroll, this);
}

void TDataSet::Delete()
{
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (FRecordCount == 0)
        DatabaseError(QString::fromLatin1(SDataSetEmpty), this);
    DataEvent(deCheckBrowseMode, 0);
    DoBeforeDelete();
    Fire(FBeforeScroll, this);
    CheckOperation(&TDataSet::InternalDelete, FOnDeleteError);
    FreeFieldBuffers();
    SetState(dsBrowse);
    Resync(0);
    Fire(FAfterDelete, this);
    Fire(FAfterScroll, this);
}

void TDataSet::InternalInsert() {}
void TDataSet::InternalEdit() {}
void TDataSet::InternalPost()
{
    CheckRequiredFields();
}
void TDataSet::InternalCancel() {}
void TDataSet::InternalDelete() {}

void TDataSet::DoBeforeEdit()
{
    Fire(FBeforeEdit, this);
}

void TDataSet::DoBeforeInsert()
{
    Fire(FBeforeInsert, this);
}

void TDataSet::DoBeforeDelete()
{
    Fire(FBeforeDelete, this);
}

void TDataSet::ClearCalcFields(TRecordBuffer) {}

void TDataSet::GetCalcFields(TRecordBuffer Buffer)
{
    if ((FCalcFieldsSize == 0 && !FInternalCalcFields) || !FOnCalcFields)
        return;
    const TDataSetState saved = FState;
    FState = dsCalcFields;
    try {
        ClearCalcFields(Buffer);
        FOnCalcFields(this);
    } catch (...) {
        FState = saved;
        throw;
    }
    FState = saved;
}

void TDataSet::CheckRequiredFields()
{
    for (TField* field : FFields) {
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
            field->FocusControl();
            DatabaseError(QString::fromLatin1(SFieldRequired).arg(field->DisplayName()));
        }
    }
}

// ---- Fields -----------------------------------------------------------------

TField* TDataSet::FindField(const QString& FieldName) const
{
    return FFields.FindField(FieldName);
}

TField* TDataSet::FieldByName(const QString& FieldName) const
{
    TField* field = FFields.FindField(FieldName);
    if (!field)
        DatabaseError(QString::fromLatin1(SFieldNotFound).arg(FieldName), this);
    return field;
}

void TDataSet::CreateFields()
{
    for (int i = 0; i < FFieldDefs.Count(); ++i) {
        const TFieldDef* def = FFieldDefs[i];
        if (!IsObjectFieldType(def->DataType()))
            def->CreateField(this);
    }
}

void TDataSet::BindFields(bool Binding)
{
    FCalcFieldsSize = 0;
    FBlobFieldCount = 0;
    FInternalCalcFields = false;
    for (TField* field : FFields) {
        if (Binding) {
            if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
                field->SetFieldNo(-1);
                FCalcFieldsSize += field->DataSize() + 1;
            } else {
                const TFieldDef* def = FFieldDefs.Find(field->FieldName());
                if (!def)
                    DatabaseError(QString::fromLatin1(SFieldNotFound).arg(field->DisplayName()), this);
                field->SetFieldNo(def->FieldNo());
                if (field->FieldKind() == fkInternalCalc)
                    FInternalCalcFields = true;
                if (field->IsBlob())
                    ++FBlobFieldCount;
            }
            field->Bind(true);
        } else {
            field->Bind(false);
            field->SetFieldNo(0);
        }
    }
}

void TDataSet::DestroyFields()
{
    while (FFields.Count() > 0)
        delete FFields[FFields.Count() - 1];
}

TDataSet::TFieldClass TDataSet::GetFieldClass(TFieldType FieldType)
{
    switch (FieldType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar:
        return &MakeField<TWideStringField>;
    case ftSmallint:
        return &MakeField<TSmallintField>;
    case ftInteger:
    case ftAutoInc:
        return &MakeField<TIntegerField>;
    case ftLargeint:
        return &MakeField<TLargeintField>;
    case ftFloat:
        return &MakeField<TFloatField>;
    case ftBCD:
        return &MakeField<TBCDField>;
    case ftFMTBcd:
        return &MakeField<TFMTBCDField>;
    case ftDate:
        return &MakeField<TDateField>;
    case ftTime:
        return &MakeField<TTimeField>;
    case ftDateTime:
    case ftTimeStamp:
        return &MakeField<TDateTimeField>;
    case ftBlob:
    case ftGraphic:
    case ftTypedBinary:
        return &MakeField<TBlobField>;
    case ftMemo:
    case ftFmtMemo:
    case ftWideMemo:
        return &MakeField<TWideMemoField>;
    case ftBoolean:
        return &MakeField<TBooleanField>;
    default:
        return nullptr;
    }
}

// ---- Field data -------------------------------------------------------------

bool TDataSet::GetFieldData(TField*, void*, bool)
{
    return false;
}

void TDataSet::SetFieldData(TField*, const void*, bool)
{
    DatabaseError(QString::fromLatin1(SDataSetReadOnly), this);
}

// ---- Answers ------------------------------------------------------------------

bool TDataSet::CanModify()
{
    return true;
}

bool TDataSet::CanModifyField(const TField*)
{
    return CanModify();
}

int TDataSet::RecordCount()
{
    return -1;
}

int TDataSet::RecNo()
{
    return -1;
}

bool TDataSet::IsSequenced()
{
    return true;
}

TUpdateStatus TDataSet::UpdateStatus()
{
    return usUnmodified;
}

// ---- Views --------------------------------------------------------------------

void TDataSet::DisableControls()
{
    if (FDisableCount == 0) {
        FDisableState = FState;
        FEnableEvent = deDataSetChange;
    }
    ++FDisableCount;
}

void TDataSet::EnableControls()
{
    if (FDisableCount == 0)
        return;
    if (--FDisableCount == 0) {
        if (FDisableState != FState)
            DataEvent(deUpdateState, 0);
        if (FDisableState != dsInactive && FState != dsInactive)
            DataEvent(FEnableEvent, 0);
    }
}

void TDataSet::DataEvent(TDataEvent Event, TEventInfo Info)
{
    bool notifySources = !(ControlsDisabled() || FState == dsBlockRead);
    switch (Event) {
    case deFieldChange: {
        auto* field = reinterpret_cast<TField*>(Info);
        if (field && (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc))
            FModified = true;
        // Not while calculating: a calculated field being set would start
        // the calculation again.
        if (FState != dsSetKey && FState != dsCalcFields)
            GetCalcFields(ActiveBuffer());
        if (field)
            field->Change();
        break;
    }
    case dePropertyChange:
        FFieldDefs.SetUpdated(false);
        break;
    case deLayoutChange:
        if (ControlsDisabled())
            FEnableEvent = deLayoutChange;
        break;
    case deUpdateState:
        if (ControlsDisabled()) {
            Event = deDisabledStateChange;
            Info = FState != dsInactive ? 1 : 0;
            notifySources = true;
            FEnableEvent = deLayoutChange;
        }
        break;
    default:
        break;
    }
    if (!notifySources)
        return;
    // A handler may unlink a source: walk a copy, skipping those that left.
    const std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* source : sources)
        if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end())
            source->DataEvent(Event, Info);
}

void TDataSet::AddDataSource(TDataSource* DataSource)
{
    FDataSources.push_back(DataSource);
    DataSource->FDataSet = this;
    UpdateBufferCount();
    DataSource->UpdateState();
}

void TDataSet::RemoveDataSource(TDataSource* DataSource)
{
    DataSource->FDataSet = nullptr;
    std::erase(FDataSources, DataSource);
    DataSource->UpdateState();
    UpdateBufferCount();
}
