#include "ibclient/ibdataset/TIBCustomDataSet.h"

#include "ibclient/base/TTimeStamp.h"
#include "ibclient/binding/EIBError.h"
#include "ibclient/dataset/TFMTBCDField.h"
#include "ibclient/dataset/TFloatField.h"
#include "ibclient/ibdataset/TIBBCDField.h"
#include "ibclient/ibdataset/TIBStringField.h"
#include "ibclient/sql/TIBBase.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TIBXSQLVAR.h"
#include "ibclient/sql/TSQLVAR.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

// A row slot: a header, one cell descriptor per result column, then the
// cells. Every record buffer of the record set (window buffers, the model
// row, the edit snapshot, the spare slot and each slot of the row cache) has
// this layout. Values are read and written with memcpy: the slots are plain
// bytes.
namespace {

// Header.
constexpr int kBookmarkFlag = 0;       // uint8, TBookmarkFlag
constexpr int kCachedUpdateStatus = 1; // uint8, TCachedUpdateStatus
constexpr int kUpdateStatus = 2;       // uint8, TUpdateStatus
constexpr int kColumnCount = 4;        // int16
constexpr int kRecordNumber = 8;       // int32, -1 = none
constexpr int kSavedOffset = 12;       // int32, -1 (cached updates only)
constexpr int kHeaderSize = 24;

// Cell descriptor, at kHeaderSize + column × kDescriptorSize.
constexpr int kSqlType = 0;     // int16, without the nullable bit
constexpr int kScale = 2;       // int16
constexpr int kNullable = 4;    // uint8
constexpr int kIsNull = 5;      // uint8
constexpr int kCharSize = 6;    // int16
constexpr int kDataSize = 8;    // int32, bytes reserved
constexpr int kDataLength = 12; // int32, bytes in use (text)
constexpr int kDataOffset = 16; // int32, from the start of the slot
constexpr int kDescriptorSize = 24;

template <class T>
T Get(const std::byte* p, int offset)
{
    T value;
    std::memcpy(&value, p + offset, sizeof value);
    return value;
}

template <class T>
void Put(std::byte* p, int offset, T value)
{
    std::memcpy(p + offset, &value, sizeof value);
}

int Descriptor(int column)
{
    return kHeaderSize + column * kDescriptorSize;
}

std::int32_t RecordNumberOf(const std::byte* buffer)
{
    return Get<std::int32_t>(buffer, kRecordNumber);
}

void SetRecordNumber(std::byte* buffer, std::int32_t value)
{
    Put<std::int32_t>(buffer, kRecordNumber, value);
}

TUpdateStatus UpdateStatusOf(const std::byte* buffer)
{
    return static_cast<TUpdateStatus>(Get<std::uint8_t>(buffer, kUpdateStatus));
}

void SetUpdateStatus(std::byte* buffer, TUpdateStatus value)
{
    Put<std::uint8_t>(buffer, kUpdateStatus, static_cast<std::uint8_t>(value));
}

TCachedUpdateStatus CachedUpdateStatusOf(const std::byte* buffer)
{
    return static_cast<TCachedUpdateStatus>(Get<std::uint8_t>(buffer, kCachedUpdateStatus));
}

void SetCachedUpdateStatus(std::byte* buffer, TCachedUpdateStatus value)
{
    Put<std::uint8_t>(buffer, kCachedUpdateStatus, static_cast<std::uint8_t>(value));
}

// The day number (0001-01-01 = 1) of 1858-11-17, Firebird's day 0.
constexpr std::int32_t kModifiedJulianDayZero = DateDelta - 15'018;

// The stored integer of a scaled column as exact decimal text: "-123.45".
QString ScaledDecimalText(std::int64_t value, int scale)
{
    const bool negative = value < 0;
    // The magnitude as unsigned, so that the smallest int64 has one.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    QString digits = QString::number(magnitude);
    const int places = -scale;
    if (digits.size() <= places)
        digits = QString(places - digits.size() + 1, u'0') + digits;
    digits.insert(digits.size() - places, u'.');
    return negative ? u'-' + digits : digits;
}

std::int64_t StoredInteger(const TIBXSQLVAR* var)
{
    const char* data = var->AsPointer();
    switch (var->SQLType()) {
    case SQL_SHORT: { std::int16_t v; std::memcpy(&v, data, sizeof v); return v; }
    case SQL_LONG: { std::int32_t v; std::memcpy(&v, data, sizeof v); return v; }
    default: { std::int64_t v; std::memcpy(&v, data, sizeof v); return v; }
    }
}

// A BCD value as a scaled integer with its places (for a parameter).
void BcdToScaled(const TBcd& bcd, std::int64_t* value, int* places)
{
    const QString text = TFMTBCDField::BcdToDecimalText(bcd);
    const qsizetype point = text.indexOf(u'.');
    *places = point < 0 ? 0 : static_cast<int>(text.size() - point - 1);
    QString digits = text;
    digits.remove(u'.');
    bool ok = false;
    *value = digits.toLongLong(&ok);
    if (!ok)
        RaiseClientError(ceInvalidDataConversion);
}

} // namespace

TIBCustomDataSet::TCellKind TIBCustomDataSet::KindOf(int type, int scale, bool floatField)
{
    switch (type) {
    case SQL_VARYING: case SQL_TEXT:
        return TCellKind::Text;
    case SQL_DOUBLE: case SQL_FLOAT: case SQL_D_FLOAT:
        return TCellKind::Double;
    case SQL_LONG: case SQL_SHORT: case SQL_INT64:
        if (scale == 0)
            return type == SQL_INT64 ? TCellKind::Int64 : TCellKind::Int32;
        if (scale >= -4)
            return TCellKind::Currency;
        return floatField ? TCellKind::ScaledDouble : TCellKind::Bcd;
    case SQL_TIMESTAMP:
        return TCellKind::TimeStamp;
    case SQL_TYPE_DATE:
        return TCellKind::Date;
    case SQL_TYPE_TIME:
        return TCellKind::Time;
    case SQL_BOOLEAN:
        return TCellKind::Boolean;
    default:
        return TCellKind::Raw;
    }
}

// ---------------------------------------------------------------- construction

TIBCustomDataSet::TIBCustomDataSet(TComponent* AOwner) : TDataSet(AOwner)
{
    FBase = std::make_unique<TIBBase>(this);
    FBase->SetBeforeDatabaseDisconnect([this](TIBBase*) { DoBeforeDatabaseDisconnect(); });
    FBase->SetAfterDatabaseDisconnect([this](TIBBase*) { if (FAfterDatabaseDisconnect) FAfterDatabaseDisconnect(this); });
    FBase->SetOnDatabaseFree([this](TIBBase*) { if (FDatabaseFree) FDatabaseFree(this); });
    FBase->SetBeforeTransactionEnd([this](TIBBase*) { DoBeforeTransactionEnd(); });
    FBase->SetAfterTransactionEnd([this](TIBBase*) { if (FAfterTransactionEnd) FAfterTransactionEnd(this); });
    FBase->SetOnTransactionFree([this](TIBBase*) { if (FTransactionFree) FTransactionFree(this); });
    auto statement = [this] {
        auto* q = new TIBSQL(this);
        q->SetGoToFirstRecordOnExecute(false);
        q->SetOnSQLChanging([this](TIBSQL* sender) { SQLChanging(sender); });
        return q;
    };
    FQDelete = statement();
    FQInsert = statement();
    FQRefresh = statement();
    FQSelect = statement();
    FQModify = statement();
    if (auto* database = dynamic_cast<TIBDatabase*>(AOwner))
        SetDatabase(database);
    else if (auto* transaction = dynamic_cast<TIBTransaction*>(AOwner))
        SetTransaction(transaction);
}

TIBCustomDataSet::~TIBCustomDataSet()
{
    BeginDestroy();
    for (TIBSQL* q : {FQModify, FQSelect, FQRefresh, FQInsert, FQDelete})
        delete q;
    FBase.reset();
}

TIBDatabase* TIBCustomDataSet::Database() const
{
    return FBase->Database();
}

TIBTransaction* TIBCustomDataSet::Transaction() const
{
    return FBase->Transaction();
}

void TIBCustomDataSet::SetDatabase(TIBDatabase* Value)
{
    if (Value == FBase->Database())
        return;
    if (Active())
        DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), this);
    FBase->SetDatabase(Value);
    for (TIBSQL* q : {FQDelete, FQInsert, FQRefresh, FQSelect, FQModify})
        q->SetDatabase(Value);
}

void TIBCustomDataSet::SetTransaction(TIBTransaction* Value)
{
    if (Value == FBase->Transaction())
        return;
    if (Active())
        DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), this);
    FBase->SetTransaction(Value);
    for (TIBSQL* q : {FQDelete, FQInsert, FQRefresh, FQSelect, FQModify})
        q->SetTransaction(Value);
}

// ---------------------------------------------------------------- notifications

void TIBCustomDataSet::DoBeforeDatabaseDisconnect()
{
    if (Active())
        Close();
    FInternalPrepared = false;
    if (FBeforeDatabaseDisconnect)
        FBeforeDatabaseDisconnect(this);
}

void TIBCustomDataSet::DoBeforeTransactionEnd()
{
    if (Active())
        Close();
    FreeHandles();
    FInternalPrepared = false;
    if (FBeforeTransactionEnd)
        FBeforeTransactionEnd(this);
}

void TIBCustomDataSet::FreeHandles()
{
    for (TIBSQL* q : {FQSelect, FQDelete, FQInsert, FQModify, FQRefresh})
        q->FreeHandle();
}

void TIBCustomDataSet::SQLChanging(TIBSQL* Statement)
{
    if (FOpen)
        Close();
    InternalUnPrepare();
    if (Statement == FQSelect)
        FieldDefs().Clear();
}

// ---------------------------------------------------------------- preparing

void TIBCustomDataSet::CheckConnection()
{
    if (!Database())
        RaiseClientError(ceDatabaseNotAssigned);
    if (!Transaction())
        RaiseClientError(ceTransactionNotAssigned);
    if (!Database()->Connected())
        Database()->Open();
    if (!Transaction()->InTransaction())
        Transaction()->AutoStartTransaction();
}

void TIBCustomDataSet::InternalPrepare()
{
    if (FInternalPrepared)
        return;
    if (FQSelect->SQL().Text().trimmed().isEmpty())
        RaiseClientError(ceEmptySQLStatement);
    if (!Database())
        RaiseClientError(ceDatabaseNotAssigned);
    if (!Transaction())
        RaiseClientError(ceTransactionNotAssigned);
    if (!Database()->Connected())
        Database()->Open();
    TIBTransaction* transaction = Transaction();
    const bool started = !transaction->InTransaction();
    if (started)
        transaction->AutoStartTransaction();
    try {
        FBase->CheckDatabase();
        FBase->CheckTransaction();
        if (!FQSelect->Prepared()) {
            FQSelect->SetParamCheck(FParamCheck);
            FQSelect->Prepare();
        }
        FLiveMode = 0;
        const std::pair<TIBSQL*, TLiveModeFlag> writers[] = {
            {FQDelete, lmDelete}, {FQInsert, lmInsert}, {FQModify, lmModify}, {FQRefresh, lmRefresh}};
        for (const auto& [statement, mode] : writers) {
            if (statement->SQL().Text().trimmed().isEmpty())
                continue;
            try {
                if (!statement->Prepared())
                    statement->Prepare();
                FLiveMode |= mode;
            } catch (const EIBInterBaseRoleError&) {
                // Without the permission the statement is simply not usable.
            }
        }
        FInternalPrepared = true;
        BuildFieldDefs();
    } catch (...) {
        if (started)
            transaction->CheckAutoStop();
        throw;
    }
    if (started)
        transaction->CheckAutoStop();
}

void TIBCustomDataSet::InternalUnPrepare()
{
    if (!FInternalPrepared)
        return;
    if (Active())
        RaiseClientError(ceDatasetOpen);
    FieldDefs().Clear();
    FInternalPrepared = false;
    FLiveMode = 0;
}

void TIBCustomDataSet::InternalInitFieldDefs()
{
    if (!FInternalPrepared)
        InternalPrepare();
    else
        BuildFieldDefs();
}

void TIBCustomDataSet::BuildFieldDefs()
{
    FNeedsRefresh = false;
    FieldDefs().Clear();
    FMappedFieldPosition.clear();
    TIBDatabase* database = Database();
    for (int i = 0; i < FQSelect->FieldCount(); ++i) {
        TIBXSQLVAR* column = FQSelect->Fields(i);
        TSQLVAR* v = column->Data();
        const int type = v->SqlDef();
        const int scale = v->SqlScale();
        const int position = i + 1;
        const TField* existing = FindField(QString::fromLocal8Bit(v->AliasName()));
        const bool floatAtPosition = existing && dynamic_cast<const TFloatField*>(existing);
        TFieldType fieldType = ftUnknown;
        int size = 0;
        int precision = 0;
        switch (type) {
        case SQL_VARYING: case SQL_TEXT:
            fieldType = ftWideString;
            size = v->SqlLen() / std::max(column->CharSetSize(), 1);
            break;
        case SQL_DOUBLE: case SQL_FLOAT:
            fieldType = ftFloat;
            break;
        case SQL_LONG: case SQL_SHORT:
            if (scale == 0) {
                fieldType = type == SQL_LONG ? ftInteger : ftSmallint;
            } else if (scale >= -4 || type == SQL_SHORT) {
                fieldType = ftBCD;
                size = -scale;
                precision = v->SqlPrecision() == size ? v->SqlPrecision() + 1 : v->SqlPrecision();
            } else if (FQSelect->SQLDialect() == 1 || floatAtPosition) {
                fieldType = ftFloat;
            } else {
                fieldType = ftFMTBcd;
                size = -scale;
                precision = v->SqlPrecision() == size ? v->SqlPrecision() + 1 : v->SqlPrecision();
            }
            break;
        case SQL_INT64:
            if (scale == 0) {
                fieldType = ftLargeint;
            } else if (scale >= -4) {
                fieldType = ftBCD;
                size = -scale;
                precision = v->SqlPrecision();
            } else if (floatAtPosition) {
                fieldType = ftFloat;
            } else {
                fieldType = ftFMTBcd;
                size = -scale;
                precision = v->SqlPrecision();
            }
            break;
        case SQL_TIMESTAMP:
            fieldType = ftDateTime;
            break;
        case SQL_TYPE_DATE:
            fieldType = ftDate;
            break;
        case SQL_TYPE_TIME:
            fieldType = ftTime;
            break;
        case SQL_BLOB:
            fieldType = v->SqlSubtype() == 1 ? ftMemo : ftBlob;
            size = 8;
            break;
        case SQL_BOOLEAN:
            fieldType = ftBoolean;
            break;
        default:
            continue; // ARRAY, D_FLOAT, QUAD and unknown codes get no definition
        }
        const QString relation = QString::fromLocal8Bit(v->RelName()).trimmed();
        const QString columnName = QString::fromLocal8Bit(v->SqlName()).trimmed();
        const bool required = !(v->SqlType() & 1) && !relation.isEmpty();
        TFieldDef* def = FieldDefs().AddFieldDef(QString::fromLocal8Bit(v->AliasName()), fieldType, size, required);
        def->SetFieldNo(position);
        def->SetPrecision(precision);
        TFieldAttributes attributes = def->Attributes();
        if (type == SQL_TEXT)
            attributes |= faFixed;
        if (!relation.isEmpty() && !columnName.isEmpty() && database) {
            if (database->Has_COMPUTED_BLR(relation, columnName)) {
                attributes = faReadonly;
                def->SetInternalCalcField(true);
                FNeedsRefresh = true;
            } else if (database->Has_DEFAULT_VALUE(relation, columnName)) {
                attributes &= ~static_cast<TFieldAttributes>(faRequired);
                FNeedsRefresh = true;
            }
        }
        def->SetAttributes(attributes);
        FMappedFieldPosition.push_back(position);
    }
    FieldDefs().SetUpdated(true);
}

// ---------------------------------------------------------------- opening and closing

void TIBCustomDataSet::InternalOpen()
{
    FIdentityColumns.clear();
    FInsertedBeforeEnd.clear();
    CheckConnection();
    if (FQSelect->SQL().Text().isEmpty())
        RaiseClientError(ceEmptyQuery);
    if (!FInternalPrepared)
        InternalPrepare();
    CheckConnection();

    if (DefaultFields())
        CreateFields();
    TIBDatabase* database = Database();
    const bool dialect1 = FQSelect->SQLDialect() == 1;
    auto quoted = [dialect1](const QString& name) {
        if (dialect1)
            return name.trimmed().toUpper();
        QString inner = name;
        inner.replace(QLatin1String("\""), QLatin1String("\"\""));
        return u'"' + inner + u'"';
    };
    for (int i = 0; i < FQSelect->FieldCount(); ++i) {
        TIBXSQLVAR* column = FQSelect->Fields(i);
        TField* field = FindField(column->Name());
        if (!field)
            continue;
        const QString relation = QString::fromLocal8Bit(column->Data()->RelName()).trimmed();
        const QString columnName = QString::fromLocal8Bit(column->Data()->SqlName()).trimmed();
        if (relation.isEmpty() || columnName.isEmpty())
            continue;
        field->SetOrigin(quoted(relation) + u'.' + quoted(columnName));
        TProviderFlags flags = field->ProviderFlags();
        if (database->In_Key(relation, columnName)) {
            flags |= pfInKey;
            FIdentityColumns.push_back(i);
        } else if (database->Has_COMPUTED_BLR(relation, columnName))
            flags &= ~static_cast<TProviderFlags>(pfInUpdate | pfInWhere);
        field->SetProviderFlags(flags);
    }
    BindFields(true);
    if (FIdentityColumns.empty())
        for (int i = 0; i < FQSelect->FieldCount(); ++i)
            FIdentityColumns.push_back(i);

    FCurrentRecord = -1;
    FQSelect->ExecQuery();
    FOpen = FQSelect->Open();

    LayoutModelRow();
    FBufferChunkSize = static_cast<std::size_t>(FRecordBufferSize) * static_cast<std::size_t>(FBufferChunks);
    FBufferCache.reset(static_cast<std::byte*>(std::malloc(FBufferChunkSize)));
    if (!FBufferCache)
        throw std::bad_alloc();
    FCacheSize = FBufferChunkSize;
    FRecordCount = 0;
    FDeletedRecords = 0;
    auto copyOfModel = [this] {
        TSlot slot(static_cast<std::byte*>(std::malloc(static_cast<std::size_t>(FRecordBufferSize))));
        if (!slot)
            throw std::bad_alloc();
        std::memcpy(slot.get(), FModelBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
        return slot;
    };
    FOldBuffer = copyOfModel();
    FTempBuffer = copyOfModel();
    FRowsAffected = FQSelect->RowsAffected();
}

void TIBCustomDataSet::LayoutModelRow()
{
    const int columns = FQSelect->FieldCount();
    int offset = kHeaderSize + columns * kDescriptorSize;
    // The cells first, so that the record size is known before the slot is made.
    struct TCell {
        int type, scale, nullable, charSize, size, offset;
    };
    std::vector<TCell> cells;
    FColumns.clear();
    for (int i = 0; i < columns; ++i) {
        TIBXSQLVAR* column = FQSelect->Fields(i);
        TSQLVAR* v = column->Data();
        const int type = v->SqlDef();
        const int scale = v->SqlScale();
        // The column's own field: columns without one (arrays) leave gaps in the field list.
        const TField* field = nullptr;
        for (int f = 0; f < FieldCount() && !field; ++f)
            if (Fields()[f]->FieldNo() == i + 1)
                field = Fields()[f];
        const TCellKind kind = KindOf(type, scale, field && dynamic_cast<const TFloatField*>(field));
        int size = 0;
        switch (kind) {
        case TCellKind::Text:
            // Room for one character beyond the column, so that a text too
            // long for it is still seen as too long when it is posted.
            size = 2 * (v->SqlLen() / std::max(column->CharSetSize(), 1) + 1);
            break;
        case TCellKind::Int32: size = 4; break;
        case TCellKind::Bcd: size = 34; break;
        case TCellKind::Boolean: size = 2; break; // a 16-bit word, whatever the column's length
        case TCellKind::Raw: size = v->SqlLen(); break;
        default: size = 8; break;
        }
        cells.push_back({type, scale, (v->SqlType() & 1) ? 1 : 0, column->CharSetSize(), size, offset});
        FColumns.push_back({kind, Descriptor(i), offset, size});
        offset += size;
    }
    FRecordSize = offset;
    FRecordBufferSize = FRecordSize + CalcFieldsSize() + 4 * BlobFieldCount();
    FModelBuffer.reset(static_cast<std::byte*>(std::calloc(static_cast<std::size_t>(FRecordBufferSize), 1)));
    if (!FModelBuffer)
        throw std::bad_alloc();
    std::byte* model = FModelBuffer.get();
    Put<std::uint8_t>(model, kBookmarkFlag, static_cast<std::uint8_t>(bfCurrent));
    Put<std::int16_t>(model, kColumnCount, static_cast<std::int16_t>(columns));
    SetRecordNumber(model, -1);
    SetCachedUpdateStatus(model, cusUnmodified);
    SetUpdateStatus(model, usUnmodified);
    Put<std::int32_t>(model, kSavedOffset, -1);
    for (int i = 0; i < columns; ++i) {
        const int d = Descriptor(i);
        const TCell& c = cells[static_cast<std::size_t>(i)];
        Put<std::int16_t>(model, d + kSqlType, static_cast<std::int16_t>(c.type));
        Put<std::int16_t>(model, d + kScale, static_cast<std::int16_t>(c.scale));
        Put<std::uint8_t>(model, d + kNullable, static_cast<std::uint8_t>(c.nullable));
        Put<std::uint8_t>(model, d + kIsNull, 1);
        Put<std::int16_t>(model, d + kCharSize, static_cast<std::int16_t>(c.charSize));
        Put<std::int32_t>(model, d + kDataSize, c.size);
        Put<std::int32_t>(model, d + kDataLength, 0);
        Put<std::int32_t>(model, d + kDataOffset, c.offset);
    }
}

void TIBCustomDataSet::InternalClose()
{
    if (Transaction())
        Transaction()->CheckAutoStop();
    if (!IsDestroying() && FQSelect->Open())
        FQSelect->Close();
    FModelBuffer.reset();
    FOldBuffer.reset();
    FTempBuffer.reset();
    FBufferCache.reset();
    FInsertedBeforeEnd.clear();
    FIdentityColumns.clear();
    FRefreshError = nullptr;
    FCurrentRecord = -1;
    FOpen = false;
    FRecordCount = 0;
    FDeletedRecords = 0;
    FRecordSize = 0;
    FCacheSize = 0;
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
}

// ---------------------------------------------------------------- record buffers

TRecordBuffer TIBCustomDataSet::AllocRecordBuffer()
{
    auto* buffer = static_cast<std::byte*>(std::malloc(static_cast<std::size_t>(std::max(FRecordBufferSize, 1))));
    if (!buffer)
        throw std::bad_alloc();
    if (FModelBuffer)
        std::memcpy(buffer, FModelBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
    else
        std::memset(buffer, 0, static_cast<std::size_t>(std::max(FRecordBufferSize, 1)));
    return buffer;
}

void TIBCustomDataSet::FreeRecordBuffer(TRecordBuffer& Buffer)
{
    std::free(Buffer);
    Buffer = nullptr;
}

TBookmarkFlag TIBCustomDataSet::GetBookmarkFlag(TRecordBuffer Buffer)
{
    return static_cast<TBookmarkFlag>(Get<std::uint8_t>(Buffer, kBookmarkFlag));
}

void TIBCustomDataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value)
{
    Put<std::uint8_t>(Buffer, kBookmarkFlag, static_cast<std::uint8_t>(Value));
}

void TIBCustomDataSet::GetBookmarkData(TRecordBuffer Buffer, void* Data)
{
    const std::int32_t recordNumber = RecordNumberOf(Buffer);
    std::memcpy(Data, &recordNumber, sizeof recordNumber);
}

void TIBCustomDataSet::SetBookmarkData(TRecordBuffer Buffer, const void* Data)
{
    std::int32_t recordNumber;
    std::memcpy(&recordNumber, Data, sizeof recordNumber);
    SetRecordNumber(Buffer, recordNumber);
}

// ---------------------------------------------------------------- the row cache

void TIBCustomDataSet::AdjustCachePosition(std::size_t Position)
{
    if (Position < FCacheSize)
        return;
    std::size_t size = FCacheSize;
    while (Position >= size)
        size += FBufferChunkSize;
    auto* grown = static_cast<std::byte*>(std::realloc(FBufferCache.get(), size));
    if (!grown)
        throw std::bad_alloc();
    (void)FBufferCache.release();
    FBufferCache.reset(grown);
    FCacheSize = size;
}

std::byte* TIBCustomDataSet::SlotAt(int RecordNumber)
{
    const std::size_t position = static_cast<std::size_t>(RecordNumber) * static_cast<std::size_t>(FRecordBufferSize);
    AdjustCachePosition(position);
    return FBufferCache.get() + position;
}

void TIBCustomDataSet::ReadSlot(int RecordNumber, TRecordBuffer Buffer)
{
    std::memcpy(Buffer, SlotAt(RecordNumber), static_cast<std::size_t>(FRecordBufferSize));
    AdjustCachePosition(static_cast<std::size_t>(RecordNumber + 1) * static_cast<std::size_t>(FRecordBufferSize));
}

void TIBCustomDataSet::WriteSlot(TRecordBuffer Buffer)
{
    const int recordNumber = RecordNumberOf(Buffer);
    if (recordNumber < 0)
        return;
    std::memcpy(SlotAt(recordNumber), Buffer, static_cast<std::size_t>(FRecordBufferSize));
    AdjustCachePosition(static_cast<std::size_t>(recordNumber + 1) * static_cast<std::size_t>(FRecordBufferSize));
}

void TIBCustomDataSet::ReadOldValues(int RecordNumber, TRecordBuffer Buffer)
{
    if (RecordNumber >= 0 && RecordNumber == RecordNumberOf(FOldBuffer.get()))
        std::memcpy(Buffer, FOldBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
    else if (RecordNumber >= 0)
        ReadSlot(RecordNumber, Buffer);
    else
        std::memcpy(Buffer, FModelBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
}

bool TIBCustomDataSet::FetchRow()
{
    while (FQSelect->Next()) {
        std::byte* slot = SlotAt(FRecordCount);
        LoadRow(FQSelect, slot, FRecordCount);
        if (TakeInsertedRow(slot))
            continue; // in the cache since its insert
        ++FRecordCount;
        AdjustCachePosition(static_cast<std::size_t>(FRecordCount) * static_cast<std::size_t>(FRecordBufferSize));
        return true;
    }
    return false;
}

bool TIBCustomDataSet::TakeInsertedRow(const std::byte* Slot)
{
    auto sameCell = [](const std::byte* a, const std::byte* b, int column) {
        const int d = Descriptor(column);
        const bool aNull = Get<std::uint8_t>(a, d + kIsNull) != 0;
        const bool bNull = Get<std::uint8_t>(b, d + kIsNull) != 0;
        if (aNull || bNull)
            return aNull && bNull;
        const int type = Get<std::int16_t>(a, d + kSqlType);
        int length = Get<std::int32_t>(a, d + kDataSize);
        if (type == SQL_VARYING || type == SQL_TEXT) {
            length = Get<std::int32_t>(a, d + kDataLength);
            if (length != Get<std::int32_t>(b, d + kDataLength))
                return false;
        }
        const int offset = Get<std::int32_t>(a, d + kDataOffset);
        return std::memcmp(a + offset, b + offset, static_cast<std::size_t>(length)) == 0;
    };
    for (auto it = FInsertedBeforeEnd.begin(); it != FInsertedBeforeEnd.end(); ++it) {
        const std::byte* inserted =
            FBufferCache.get() + static_cast<std::size_t>(*it) * static_cast<std::size_t>(FRecordBufferSize);
        if (std::all_of(FIdentityColumns.begin(), FIdentityColumns.end(),
                        [&](int column) { return sameCell(Slot, inserted, column); })) {
            FInsertedBeforeEnd.erase(it);
            return true;
        }
    }
    return false;
}

void TIBCustomDataSet::LoadRow(TIBSQL* Query, TRecordBuffer Slot, int RecordNumber)
{
    const bool fromSelect = Query == FQSelect;
    // A fetched row starts as the model row: every descriptor in place,
    // every cell null; only the values are filled in below.
    if (fromSelect)
        std::memcpy(Slot, FModelBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
    Put<std::uint8_t>(Slot, kBookmarkFlag, static_cast<std::uint8_t>(bfCurrent));
    SetRecordNumber(Slot, RecordNumber);
    SetUpdateStatus(Slot, usUnmodified);
    SetCachedUpdateStatus(Slot, cusUnmodified);
    Put<std::int32_t>(Slot, kSavedOffset, -1);
    if (BlobFieldCount() > 0)
        std::memset(Slot + FRecordSize + CalcFieldsSize(), 0, static_cast<std::size_t>(4 * BlobFieldCount()));

    TIBXSQLDA* row = Query->Current();
    if (fromSelect) {
        for (std::size_t column = 0; column < FColumns.size(); ++column)
            FillCell(Slot, FColumns[column], row->Vars(static_cast<int>(column)));
        return;
    }
    // Another statement's columns go to the select's columns of the same name.
    const int selectColumns = static_cast<int>(FColumns.size());
    int loaded = 0;
    for (int j = 0; j < row->Count() && loaded < selectColumns; ++j) {
        TIBXSQLVAR* var = row->Vars(j);
        const int column = FQSelect->ColumnIndex(var->Name());
        if (column < 0)
            continue;
        ++loaded;
        const TColumnLayout& layout = FColumns[static_cast<std::size_t>(column)];
        Put<std::uint8_t>(Slot, layout.Descriptor + kIsNull, 1);
        Put<std::int32_t>(Slot, layout.Descriptor + kDataLength, 0);
        FillCell(Slot, layout, var);
    }
}

void TIBCustomDataSet::FillCell(std::byte* Slot, const TColumnLayout& Column, TIBXSQLVAR* Var)
{
    const int d = Column.Descriptor;
    Put<std::uint8_t>(Slot, d + kNullable, Var->IsNullable() ? 1 : 0);
    if (Var->IsNull())
        return; // the descriptor says null already
    Put<std::uint8_t>(Slot, d + kIsNull, 0);
    std::byte* cell = Slot + Column.DataOffset;
    switch (Column.Kind) {
    case TCellKind::Text: {
        // The cell keeps the column's characters; the extra room is for overlong edits.
        const int chars = Var->AsStringInto(reinterpret_cast<char16_t*>(cell), Column.DataSize / 2 - 1);
        Put<std::int32_t>(Slot, d + kDataLength, 2 * chars);
        break;
    }
    case TCellKind::Double:
    case TCellKind::ScaledDouble: {
        const double v = Var->AsDouble();
        std::memcpy(cell, &v, sizeof v);
        break;
    }
    case TCellKind::Int32: {
        std::int32_t v;
        if (Var->SQLType() == SQL_LONG && Var->Data()->SqlScale() == 0) {
            std::memcpy(&v, Var->AsPointer(), sizeof v);
        } else if (Var->SQLType() == SQL_SHORT && Var->Data()->SqlScale() == 0) {
            std::int16_t narrow;
            std::memcpy(&narrow, Var->AsPointer(), sizeof narrow);
            v = narrow;
        } else {
            v = Var->AsLong();
        }
        std::memcpy(cell, &v, sizeof v);
        break;
    }
    case TCellKind::Currency: {
        const std::int64_t v = Var->AsCurrency();
        std::memcpy(cell, &v, sizeof v);
        break;
    }
    case TCellKind::Bcd: {
        TBcd bcd{};
        const int scale = Get<std::int16_t>(Slot, d + kScale);
        const bool integer = Var->SQLType() == SQL_SHORT || Var->SQLType() == SQL_LONG || Var->SQLType() == SQL_INT64;
        const QString text = integer ? ScaledDecimalText(StoredInteger(Var), Var->Data()->SqlScale())
                                     : QString::number(Var->AsDouble(), 'f', -scale);
        if (!TFMTBCDField::DecimalTextToBcd(text, -scale, bcd))
            RaiseClientError(ceInvalidDataConversion);
        std::memcpy(cell, bcd.data(), bcd.size());
        break;
    }
    case TCellKind::Int64: {
        const std::int64_t v = Var->AsInt64();
        std::memcpy(cell, &v, sizeof v);
        break;
    }
    case TCellKind::TimeStamp: {
        double v = 0;
        if (Var->SQLType() == SQL_TIMESTAMP) {
            // Straight from the stored days and ten-thousandths of a second,
            // so that the fraction survives into the cell.
            const ISC_QUAD stamp = Get<ISC_QUAD>(reinterpret_cast<const std::byte*>(Var->AsPointer()), 0);
            v = static_cast<double>(stamp.gds_quad_high + kModifiedJulianDayZero) * MSecsPerDay
                + static_cast<double>(stamp.gds_quad_low) / 10.0;
        } else {
            v = TimeStampToMSecs(DateTimeToTimeStamp(Var->AsDateTime()));
        }
        std::memcpy(cell, &v, sizeof v);
        break;
    }
    case TCellKind::Date: {
        const std::int32_t v = DateTimeToTimeStamp(Var->AsDateTime()).Date;
        std::memcpy(cell, &v, sizeof v);
        break;
    }
    case TCellKind::Time: {
        // Milliseconds in the first four bytes; the tenths of a millisecond
        // Firebird also keeps in the next four, which the field never reads.
        std::int32_t v[2] = {DateTimeToTimeStamp(Var->AsDateTime()).Time, 0};
        if (Var->SQLType() == SQL_TYPE_TIME) {
            const ISC_TIME ticks = Get<ISC_TIME>(reinterpret_cast<const std::byte*>(Var->AsPointer()), 0);
            v[0] = static_cast<std::int32_t>(ticks / 10);
            v[1] = static_cast<std::int32_t>(ticks % 10);
        }
        std::memcpy(cell, v, sizeof v);
        break;
    }
    case TCellKind::Boolean: {
        const std::int16_t v = Var->AsBoolean() ? 1 : 0;
        std::memcpy(cell, &v, sizeof v);
        break;
    }
    case TCellKind::Raw:
        std::memcpy(cell, Var->AsPointer(), static_cast<std::size_t>(std::min(Column.DataSize, Var->Data()->DataSize())));
        break;
    }
}

bool TIBCustomDataSet::IsVisible(TRecordBuffer Buffer) const
{
    const TCachedUpdateStatus cached = CachedUpdateStatusOf(Buffer);
    const bool inTypes = cached == cusUnmodified || cached == cusModified || cached == cusInserted;
    return inTypes && !(cached == cusUnmodified && UpdateStatusOf(Buffer) == usDeleted);
}

// ---------------------------------------------------------------- reading rows

TGetResult TIBCustomDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool)
{
    // A row that fails to load is reported and skipped; the position stays
    // where it was, so that the rows after it remain reachable.
    const int start = FCurrentRecord;
    auto fetchRow = [&] {
        try {
            return FetchRow();
        } catch (...) {
            FCurrentRecord = start;
            throw;
        }
    };
    // Reading on from a pending new row reads the row it was inserted above.
    if (std::exchange(FOnNewRow, false) && GetMode == gmNext)
        --FCurrentRecord;
    TGetResult result = grOK;
    bool readSlot = false;
    switch (GetMode) {
    case gmCurrent:
        if (FCurrentRecord < 0) {
            result = grBOF;
        } else if (FCurrentRecord < FRecordCount) {
            readSlot = true;
        } else {
            while (FCurrentRecord >= FRecordCount && fetchRow()) {
            }
            FCurrentRecord = FRecordCount - 1;
            if (FCurrentRecord < 0)
                result = grBOF;
            else
                readSlot = true;
        }
        break;
    case gmNext:
        if (FCurrentRecord >= FRecordCount) {
            FCurrentRecord = FRecordCount;
            result = grEOF;
        } else if (FCurrentRecord == FRecordCount - 1) {
            ++FCurrentRecord;
            if (fetchRow())
                readSlot = true;
            else
                result = grEOF;
        } else {
            ++FCurrentRecord;
            readSlot = true;
        }
        break;
    case gmPrior:
        if (FCurrentRecord == 0) {
            FCurrentRecord = -1;
            result = grBOF;
        } else if (FCurrentRecord >= 1 && FCurrentRecord <= FRecordCount) {
            --FCurrentRecord;
            readSlot = true;
        } else if (FCurrentRecord == -1) {
            result = grBOF;
        } else {
            result = grError;
        }
        break;
    }
    if (readSlot)
        ReadSlot(FCurrentRecord, Buffer);

    // Deleted rows stay in the cache and are skipped in the direction of the read.
    while (result == grOK && !IsVisible(Buffer)) {
        if (GetMode == gmPrior) {
            if (--FCurrentRecord < 0) {
                FCurrentRecord = -1;
                result = grBOF;
                break;
            }
        } else {
            ++FCurrentRecord;
            if (FCurrentRecord >= FRecordCount && !fetchRow()) {
                FCurrentRecord = FRecordCount;
                result = grEOF;
                break;
            }
        }
        ReadSlot(FCurrentRecord, Buffer);
    }

    if (result == grOK) {
        SetBookmarkFlag(Buffer, bfCurrent);
        GetCalcFields(Buffer);
    } else {
        std::memcpy(Buffer, FModelBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
        SetBookmarkFlag(Buffer, result == grBOF ? bfBOF : bfEOF);
    }
    return result;
}

void TIBCustomDataSet::InternalFirst()
{
    FOnNewRow = false;
    FCurrentRecord = -1;
}

void TIBCustomDataSet::InternalLast()
{
    FOnNewRow = false;
    FetchAll();
    FCurrentRecord = FRecordCount;
}

void TIBCustomDataSet::FetchAll()
{
    if (!FOpen)
        return;
    while (!FQSelect->Eof() && FetchRow()) {
    }
}

void TIBCustomDataSet::InternalSetToRecord(TRecordBuffer Buffer)
{
    FOnNewRow = State() == dsInsert && GetBookmarkFlag(Buffer) == bfInserted && FInsertedAbove >= 0;
    FCurrentRecord = FOnNewRow ? FInsertedAbove : RecordNumberOf(Buffer);
}

void TIBCustomDataSet::InternalInsert()
{
    // Insert gives the new row the bookmark of the row it pushed down;
    // Append marks it as standing after the last row.
    const TRecordBuffer row = ActiveBuffer();
    FInsertedAbove = GetBookmarkFlag(row) == bfInserted ? RecordNumberOf(row) : -1;
    FOnNewRow = false;
}

void TIBCustomDataSet::InternalInitRecord(TRecordBuffer Buffer)
{
    std::memcpy(Buffer, FModelBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
    SetUpdateStatus(Buffer, usInserted);
    SetBookmarkFlag(Buffer, bfInserted);
    SetRecordNumber(Buffer, -1);
}

bool TIBCustomDataSet::CanModify()
{
    return (FLiveMode & (lmInsert | lmModify | lmDelete)) != 0;
}

bool TIBCustomDataSet::CanModifyField(const TField* Field)
{
    if (!CanModify())
        return false;
    TIBSQL* statement = PostingStatement();
    return !statement || WritesColumn(statement, Field->FieldNo() - 1);
}

TIBSQL* TIBCustomDataSet::PostingStatement()
{
    bool inserting = false;
    switch (State()) {
    case dsInsert:
        inserting = true;
        break;
    case dsEdit:
        break;
    case dsBrowse:
        inserting = IsEmpty(); // an edit of an empty record set starts a new row
        break;
    default:
        return nullptr;
    }
    if (inserting)
        return (FLiveMode & lmInsert) && FQInsert->Prepared() ? FQInsert : nullptr;
    return (FLiveMode & lmModify) && FQModify->Prepared() ? FQModify : nullptr;
}

bool TIBCustomDataSet::WritesColumn(TIBSQL* Statement, int Column)
{
    const std::vector<TParamSource>& sources = ParamSources(Statement);
    return std::any_of(sources.begin(), sources.end(),
                       [Column](const TParamSource& from) { return !from.Old && from.Column == Column; });
}

int TIBCustomDataSet::RecordCount()
{
    return FRecordCount - FDeletedRecords;
}

int TIBCustomDataSet::RecNo()
{
    const TRecordBuffer buffer = ActiveRowBuffer();
    return buffer ? RecordNumberOf(buffer) + 1 : 0;
}

bool TIBCustomDataSet::IsSequenced()
{
    return FOpen && FQSelect->Eof();
}

TUpdateStatus TIBCustomDataSet::UpdateStatus()
{
    const TRecordBuffer buffer = Active() ? ActiveRowBuffer() : nullptr;
    return buffer ? UpdateStatusOf(buffer) : usUnmodified;
}

TDataSet::TFieldClass TIBCustomDataSet::GetFieldClass(TFieldType FieldType)
{
    const TFieldClass fieldClass = IBFieldClass(FieldType);
    return fieldClass ? fieldClass : TDataSet::GetFieldClass(FieldType);
}

TDataSet::TFieldClass TIBCustomDataSet::IBFieldClass(TFieldType FieldType)
{
    switch (FieldType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar:
        return &MakeField<TIBStringField>;
    case ftBCD:
        return &MakeField<TIBBCDField>;
    default:
        return nullptr;
    }
}

TRecordBuffer TIBCustomDataSet::ActiveRowBuffer() const
{
    switch (State()) {
    case dsInactive:
    case dsOpening:
        return nullptr;
    case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsOldValue: {
        TRecordBuffer active = ActiveBuffer();
        if (active && FOldBuffer && RecordNumberOf(FOldBuffer.get()) == RecordNumberOf(active))
            return FOldBuffer.get();
        return active;
    }
    default:
        return ActiveBuffer();
    }
}

// ---------------------------------------------------------------- field values

bool TIBCustomDataSet::GetFieldData(TField* Field, void* Buffer, bool)
{
    const TRecordBuffer row = ActiveRowBuffer();
    if (!row || !IsVisible(row))
        return false;
    const int column = Field->FieldNo() - 1;
    if (column < 0 || column >= FQSelect->FieldCount())
        return false;
    const int d = Descriptor(column);
    if (Get<std::uint8_t>(row, d + kIsNull))
        return false;
    if (!Buffer)
        return true;
    const int size = Get<std::int32_t>(row, d + kDataSize);
    const std::byte* cell = row + Get<std::int32_t>(row, d + kDataOffset);
    const int type = Get<std::int16_t>(row, d + kSqlType);
    if (type == SQL_VARYING || type == SQL_TEXT) {
        const int length = Get<std::int32_t>(row, d + kDataLength);
        const int fieldSize = Field->Size();
        // One character beyond the column is a pending edit too long to
        // post; it is read as it stands (the grid shows it) and refused by
        // the post. A text field's buffers hold Size + 1 characters and 0.
        if (length / 2 > fieldSize + 1)
            RaiseClientError(ceFieldSizeMismatch, {Field->FieldName()});
        // A text field's value ends at its first character 0: a stored text
        // with one inside would come back cut short, and a rewrite would
        // store the cut text. Such a value is refused instead.
        if (std::memchr(cell, 0, static_cast<std::size_t>(length)))
            for (int i = 0; i < length / 2; ++i)
                if (Get<char16_t>(cell, 2 * i) == 0)
                    RaiseClientError(ceTextHoldsNulCharacter, {Field->FieldName()});
        const auto* stringField = dynamic_cast<const TStringField*>(Field);
        const bool fixed = stringField && stringField->FixedChar();
        auto* out = static_cast<char16_t*>(Buffer);
        if (fixed)
            std::fill(out, out + fieldSize, u' ');
        std::memcpy(out, cell, static_cast<std::size_t>(length));
        int end = fixed ? std::max(fieldSize, length / 2) : length / 2;
        if (type == SQL_TEXT && !fixed)
            while (end > 0 && out[end - 1] <= 32)
                --end;
        out[end] = 0;
        return true;
    }
    const int n = std::min(Field->DataSize(), size);
    std::memcpy(Buffer, cell, static_cast<std::size_t>(n));
    if (Field->DataSize() > n)
        std::memset(static_cast<char*>(Buffer) + n, 0, static_cast<std::size_t>(Field->DataSize() - n));
    return true;
}

void TIBCustomDataSet::CheckEditState()
{
    switch (State()) {
    case dsEdit:
        if (!(FLiveMode & lmModify))
            RaiseClientError(ceCannotUpdate);
        break;
    case dsInsert:
        if (!(FLiveMode & lmInsert))
            RaiseClientError(ceCannotInsert);
        break;
    case dsSetKey: case dsCalcFields: case dsFilter: case dsNewValue: case dsInternalCalc:
        break;
    default:
        RaiseClientError(ceNotEditing);
    }
}

void TIBCustomDataSet::ClaimNewRecordNumber(TRecordBuffer Buffer)
{
    // A new row takes the slot after the last cached row once it has a value.
    SetRecordNumber(Buffer, FRecordCount);
    FCurrentRecord = FRecordCount;
}

void TIBCustomDataSet::SetFieldData(TField* Field, const void* Buffer, bool)
{
    CheckEditState();
    const TRecordBuffer row = ActiveRowBuffer();
    if (!row)
        RaiseClientError(ceBufferNotSet);
    const int column = Field->FieldNo() - 1;
    if ((State() == dsEdit || State() == dsInsert) && column >= 0 && column < FQSelect->FieldCount()) {
        TIBSQL* statement = PostingStatement();
        if (statement && !WritesColumn(statement, column))
            DatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(Field->DisplayName()));
    }
    if (State() == dsInsert && !Modified())
        ClaimNewRecordNumber(row);
    Field->Validate(Buffer);
    if (column >= 0 && column < FQSelect->FieldCount()) {
        const int d = Descriptor(column);
        const int size = Get<std::int32_t>(row, d + kDataSize);
        std::byte* cell = row + Get<std::int32_t>(row, d + kDataOffset);
        const int type = Get<std::int16_t>(row, d + kSqlType);
        const bool text = type == SQL_VARYING || type == SQL_TEXT;
        const auto* textValue = static_cast<const char16_t*>(Buffer);
        if (!Buffer || (text && textValue[0] == 0)) {
            const auto* stringField = dynamic_cast<const TIBStringField*>(Field);
            if (Buffer && stringField && !stringField->EmptyAsNull()) {
                Put<std::uint8_t>(row, d + kIsNull, 0);
                Put<std::int32_t>(row, d + kDataLength, 0);
            } else {
                Put<std::uint8_t>(row, d + kIsNull, 1);
            }
        } else {
            if (text) {
                int chars = 0;
                while (chars < size / 2 && textValue[chars] != 0)
                    ++chars;
                std::memset(cell, 0, static_cast<std::size_t>(size));
                std::memcpy(cell, textValue, static_cast<std::size_t>(chars) * 2);
                Put<std::int32_t>(row, d + kDataLength, 2 * chars);
            } else {
                const int n = std::min(Field->DataSize(), size);
                std::memset(cell, 0, static_cast<std::size_t>(size));
                std::memcpy(cell, Buffer, static_cast<std::size_t>(n));
                // A SMALLINT's field holds 16 bits; its cell holds the value as 32.
                if (n == 2 && size == 4 && Get<std::int16_t>(row, d + kScale) == 0
                    && (type == SQL_SHORT || type == SQL_LONG)) {
                    std::int16_t v;
                    std::memcpy(&v, Buffer, sizeof v);
                    const std::int32_t wide = v;
                    std::memcpy(cell, &wide, sizeof wide);
                }
            }
            Put<std::uint8_t>(row, d + kIsNull, 0);
            if (UpdateStatusOf(row) == usUnmodified)
                SetUpdateStatus(row, State() == dsInsert ? usInserted : usModified);
            // A new row enters the cache when it is posted: until then rows
            // fetched meanwhile take the slots after the last cached row.
            if (State() != dsInsert)
                WriteSlot(row);
            SetModified(true);
        }
    }
    const TDataSetState state = State();
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
        DataEvent(deFieldChange, reinterpret_cast<TEventInfo>(Field));
}

// ---------------------------------------------------------------- writing back

void TIBCustomDataSet::DoBeforeEdit()
{
    TDataSet::DoBeforeEdit();
    if (!(FLiveMode & lmModify))
        RaiseClientError(ceCannotUpdate);
    std::memcpy(FOldBuffer.get(), ActiveBuffer(), static_cast<std::size_t>(FRecordBufferSize));
}

void TIBCustomDataSet::DoBeforeInsert()
{
    if (!(FLiveMode & lmInsert))
        RaiseClientError(ceCannotInsert);
    TDataSet::DoBeforeInsert();
}

void TIBCustomDataSet::DoBeforeDelete()
{
    if (!(FLiveMode & lmDelete))
        RaiseClientError(ceCannotDelete);
    TDataSet::DoBeforeDelete();
}

void TIBCustomDataSet::Post()
{
    UpdateRecord();
    FRefreshError = nullptr;
    TDataSet::Post();
    if (FRefreshError)
        std::rethrow_exception(std::exchange(FRefreshError, nullptr));
}

void TIBCustomDataSet::InternalPost()
{
    TDataSet::InternalPost();
    FOnNewRow = false;
    const TRecordBuffer row = ActiveRowBuffer();
    CheckEditState();
    if (State() == dsInsert && !Modified())
        ClaimNewRecordNumber(row);
    const bool inserting = State() == dsInsert;
    TIBSQL* statement = nullptr;
    if (!inserting) {
        statement = FQModify;
        if (CachedUpdateStatusOf(row) == cusUnmodified) {
            SetCachedUpdateStatus(row, cusModified);
            SetUpdateStatus(row, usModified);
        }
    } else {
        statement = FQInsert;
        SetUpdateStatus(row, usInserted);
        SetCachedUpdateStatus(row, cusInserted);
        SetRecordNumber(row, FRecordCount);
        WriteSlot(row);
        FCurrentRecord = FRecordCount;
    }
    ExecuteWrite(statement, row);
    if (inserting) {
        ++FRecordCount;
        if (FOpen && !FQSelect->Eof())
            FInsertedBeforeEnd.push_back(FRecordCount - 1);
    }
}

void TIBCustomDataSet::ExecuteWrite(TIBSQL* Statement, TRecordBuffer Buffer)
{
    BindParams(Statement, Buffer);
    Statement->ExecQuery();
    FRowsAffected = Statement->RowsAffected();
    // An update that changed no row wrote nothing: the row was changed or
    // deleted meanwhile. The post fails and the edit stays pending.
    if (Statement == FQModify && FRowsAffected == 0)
        RaiseClientError(ceRowNotUpdated, {BoundRowDescription(Statement)});
    SetUpdateStatus(Buffer, usUnmodified);
    SetCachedUpdateStatus(Buffer, cusUnmodified);
    SetModified(false);
    WriteSlot(Buffer);
    // The row is now as written: later OLD_ values come from it, not from
    // the snapshot taken before the edit.
    SetRecordNumber(FOldBuffer.get(), -1);
    if ((FForcedRefresh || FNeedsRefresh) && (FLiveMode & lmRefresh)) {
        // The write went through; a failing refresh must not undo the post
        // (the row would return to its old values on the next move).
        try {
            RefreshRow();
        } catch (...) {
            FRefreshError = std::current_exception();
        }
    }
}

QString TIBCustomDataSet::BoundRowDescription(TIBSQL* Statement)
{
    const std::vector<TParamSource>& sources = ParamSources(Statement);
    TIBXSQLDA* params = Statement->Params();
    QStringList parts;
    for (int i = 0; i < params->Count(); ++i) {
        if (!sources[static_cast<std::size_t>(i)].Old)
            continue;
        TIBXSQLVAR* param = params->Vars(i);
        parts.append(param->Name().mid(4) + QStringLiteral(" = ")
                     + (param->IsNull() ? QStringLiteral("null") : param->AsString()));
    }
    if (parts.isEmpty())
        return QStringLiteral("number %1").arg(RecNo());
    return parts.join(QStringLiteral(", "));
}

const std::vector<TIBCustomDataSet::TParamSource>& TIBCustomDataSet::ParamSources(TIBSQL* Statement)
{
    // Worked out once per prepare of the statement: the names do not change
    // while it stays prepared.
    auto known = std::find_if(FParamSources.begin(), FParamSources.end(),
                              [Statement](const TStatementParams& p) { return p.Statement == Statement; });
    if (known == FParamSources.end()) {
        FParamSources.push_back({Statement, -1, -1, {}});
        known = FParamSources.end() - 1;
    }
    if (known->PrepareCount != Statement->PrepareCount() || known->SelectPrepareCount != FQSelect->PrepareCount()) {
        known->Sources.clear();
        TIBXSQLDA* params = Statement->Params();
        for (int i = 0; i < params->Count(); ++i) {
            const QString name = params->Vars(i)->Name();
            const bool oldPrefix = name.startsWith(QLatin1String("OLD_"));
            int column = -1;
            if (oldPrefix || name.startsWith(QLatin1String("NEW_")))
                column = FQSelect->ColumnIndex(name.mid(4));
            const bool old = oldPrefix && column >= 0;
            // A real column named OLD_x or NEW_x, when x is none.
            if (column < 0)
                column = FQSelect->ColumnIndex(name);
            known->Sources.push_back({column, old});
        }
        known->PrepareCount = Statement->PrepareCount();
        known->SelectPrepareCount = FQSelect->PrepareCount();
    }
    return known->Sources;
}

void TIBCustomDataSet::BindParams(TIBSQL* Statement, TRecordBuffer Buffer)
{
    if (!Buffer)
        RaiseClientError(ceBufferNotSet);
    if (!Statement->Prepared())
        Statement->Prepare();
    TIBXSQLDA* params = Statement->Params();
    const std::vector<TParamSource>& sources = ParamSources(Statement);
    // The old values: the edit snapshot when it is this row's, else the
    // row as cached, read once for all OLD_ parameters.
    TRecordBuffer oldValues = nullptr;
    for (int i = 0; i < params->Count(); ++i) {
        const TParamSource& from = sources[static_cast<std::size_t>(i)];
        TIBXSQLVAR* param = params->Vars(i);
        if (from.Column < 0) {
            // A parameter of no column keeps what the caller gave it; one
            // nobody gave a value is sent as null, not as a made-up 0 or ''.
            if (!param->Modified())
                param->SetIsNull(true);
            continue;
        }
        TRecordBuffer source = Buffer;
        if (from.Old) {
            if (!oldValues) {
                const int recordNumber = RecordNumberOf(Buffer);
                if (recordNumber >= 0 && recordNumber == RecordNumberOf(FOldBuffer.get())) {
                    oldValues = FOldBuffer.get();
                } else {
                    ReadOldValues(recordNumber, FTempBuffer.get());
                    oldValues = FTempBuffer.get();
                }
            }
            source = oldValues;
        }
        const int column = from.Column;
        const int d = Descriptor(column);
        if (Get<std::uint8_t>(source, d + kIsNull)) {
            param->SetIsNull(true);
            continue;
        }
        // Every setter below marks the parameter not null, but for the
        // boolean one, which writes its value alone.
        const std::byte* cell = source + Get<std::int32_t>(source, d + kDataOffset);
        const int type = Get<std::int16_t>(source, d + kSqlType);
        const int scale = Get<std::int16_t>(source, d + kScale);
        const int size = Get<std::int32_t>(source, d + kDataSize);
        switch (KindOf(type, scale, size == 8)) {
        case TCellKind::Text: {
            // The cell's text is lent to the setter, not copied.
            const int length = std::min(Get<std::int32_t>(source, d + kDataLength), size);
            param->SetAsString(QString::fromRawData(reinterpret_cast<const QChar*>(cell), length / 2));
            break;
        }
        case TCellKind::Double:
        case TCellKind::ScaledDouble:
            param->SetAsDouble(Get<double>(cell, 0));
            break;
        case TCellKind::Int32:
            param->SetAsLong(Get<std::int32_t>(cell, 0));
            break;
        case TCellKind::Currency:
            param->SetAsCurrency(Get<std::int64_t>(cell, 0));
            break;
        case TCellKind::Bcd: {
            TBcd bcd;
            std::memcpy(bcd.data(), cell, bcd.size());
            std::int64_t value = 0;
            int places = 0;
            BcdToScaled(bcd, &value, &places);
            param->SetAsBcd(value, places);
            break;
        }
        case TCellKind::Int64:
            param->SetAsInt64(Get<std::int64_t>(cell, 0));
            break;
        case TCellKind::TimeStamp: {
            // Day and time apart, keeping the fraction of a millisecond.
            const double msecs = Get<double>(cell, 0);
            const double day = std::floor(msecs / MSecsPerDay);
            const double days = day - DateDelta;
            const double time = (msecs - day * MSecsPerDay) / MSecsPerDay;
            param->SetAsDateTime(days < 0 ? days - time : days + time);
            break;
        }
        case TCellKind::Date:
            param->SetAsDate(TimeStampToDateTime(TTimeStamp{0, Get<std::int32_t>(cell, 0)}));
            break;
        case TCellKind::Time: {
            const TDateTime time = TimeStampToDateTime(TTimeStamp{Get<std::int32_t>(cell, 0), 1});
            const double tenths = Get<std::int32_t>(cell, 4) / (MSecsPerDay * 10.0);
            param->SetAsTime(time < 0 ? time - tenths : time + tenths);
            break;
        }
        case TCellKind::Boolean:
            param->SetIsNull(false);
            param->SetAsBoolean(Get<std::int16_t>(cell, 0) == 1);
            break;
        case TCellKind::Raw:
            param->SetAsQuad(Get<ISC_QUAD>(cell, 0));
            break;
        }
    }
}

void TIBCustomDataSet::RefreshRow()
{
    if (!(FLiveMode & lmRefresh))
        RaiseClientError(ceCannotRefresh);
    const TRecordBuffer row = ActiveRowBuffer();
    if (!row)
        return;
    BindParams(FQRefresh, row);
    FQRefresh->ExecQuery();
    try {
        if (FQRefresh->Next()) {
            // Loaded aside, so that a value that fails to convert leaves the row as written.
            std::memcpy(FTempBuffer.get(), row, static_cast<std::size_t>(FRecordBufferSize));
            LoadRow(FQRefresh, FTempBuffer.get(), RecordNumberOf(row));
            std::memcpy(row, FTempBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
            WriteSlot(row);
        }
    } catch (...) {
        try {
            FQRefresh->Close();
        } catch (...) {
        }
        throw;
    }
    FQRefresh->Close();
}

void TIBCustomDataSet::InternalCancel()
{
    const TRecordBuffer row = ActiveRowBuffer();
    if (!row)
        return;
    if (State() == dsEdit) {
        std::memcpy(row, FOldBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
        WriteSlot(row);
    } else if (State() == dsInsert) {
        // Cancelling resumes from the new row's own number, as before it was posted.
        if (std::exchange(FOnNewRow, false))
            FCurrentRecord = RecordNumberOf(row);
        std::memcpy(row, FModelBuffer.get(), static_cast<std::size_t>(FRecordBufferSize));
        SetUpdateStatus(row, usDeleted);
        SetCachedUpdateStatus(row, cusUnmodified);
        SetBookmarkFlag(row, bfEOF);
    }
}

void TIBCustomDataSet::InternalDelete()
{
    if (!(FLiveMode & lmDelete))
        RaiseClientError(ceCannotDelete);
    const TRecordBuffer row = ActiveRowBuffer();
    BindParams(FQDelete, row);
    FQDelete->ExecQuery();
    FRowsAffected = FQDelete->RowsAffected();
    // A delete that removed nothing cannot tell a row deleted meanwhile from
    // one whose key another user changed: the row stays and the delete fails.
    if (FRowsAffected == 0)
        RaiseClientError(ceRowNotDeleted, {BoundRowDescription(FQDelete)});
    SetUpdateStatus(row, usDeleted);
    SetCachedUpdateStatus(row, cusUnmodified);
    WriteSlot(row);
    ++FDeletedRecords;
}
