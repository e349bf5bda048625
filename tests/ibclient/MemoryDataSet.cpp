#include "MemoryDataSet.h"

#include "ibclient/ibdataset/TIBCustomDataSet.h"
#include "ibclient/base/TTimeStamp.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cstring>

namespace {
// Record buffer: bookmark flag (1 byte), 3 bytes padding, record number
// (int32), then the row's data part.
constexpr int HeaderSize = 8;
constexpr int RecNoOffset = 4;

bool IsText(TFieldType type)
{
    return type == ftString || type == ftWideString || type == ftFixedChar || type == ftFixedWideChar;
}
} // namespace

TMemoryDataSet::TMemoryDataSet(TComponent* AOwner, std::vector<Column> Columns)
    : TDataSet(AOwner), FColumns(std::move(Columns))
{
    int offset = 0;
    for (const Column& column : FColumns) {
        FOffsets.push_back(offset);
        offset += 1 + NativeSize(column);
    }
    FRecordSize = offset;
}

TMemoryDataSet::~TMemoryDataSet()
{
    BeginDestroy();
}

TMemoryDataSet* TMemoryDataSet::WithIds(TComponent* AOwner, int Count)
{
    auto* dataSet = new TMemoryDataSet(AOwner, {{QStringLiteral("ID"), ftInteger}});
    for (int i = 1; i <= Count; ++i)
        dataSet->AddRow({i});
    return dataSet;
}

int TMemoryDataSet::NativeSize(const Column& column)
{
    switch (column.Type) {
    case ftString:
    case ftWideString:
    case ftFixedChar:
    case ftFixedWideChar:
        return 2 * column.Size + 4;
    case ftSmallint:
    case ftBoolean:
        return 2;
    case ftInteger:
    case ftDate:
    case ftTime:
        return 4;
    case ftLargeint:
    case ftFloat:
    case ftBCD:
    case ftDateTime:
        return 8;
    case ftFMTBcd:
        return 34;
    default:
        return 0;
    }
}

std::vector<std::byte> TMemoryDataSet::ToRow(const std::vector<QVariant>& Values) const
{
    std::vector<std::byte> row(static_cast<std::size_t>(FRecordSize));
    for (std::size_t c = 0; c < FColumns.size(); ++c) {
        std::byte* cell = row.data() + FOffsets[c];
        const QVariant value = c < Values.size() ? Values[c] : QVariant();
        if (!value.isValid() || value.isNull()) {
            cell[0] = std::byte{1};
            continue;
        }
        std::byte* data = cell + 1;
        const TFieldType type = FColumns[c].Type;
        if (IsText(type)) {
            const QString text = value.toString();
            std::memcpy(data, text.utf16(), static_cast<std::size_t>(text.size()) * 2);
        } else if (type == ftSmallint) {
            const auto v = static_cast<std::int16_t>(value.toInt());
            std::memcpy(data, &v, sizeof v);
        } else if (type == ftInteger) {
            const std::int32_t v = value.toInt();
            std::memcpy(data, &v, sizeof v);
        } else if (type == ftLargeint || type == ftBCD) {
            const std::int64_t v = value.toLongLong();
            std::memcpy(data, &v, sizeof v);
        } else if (type == ftFloat) {
            const double v = value.toDouble();
            std::memcpy(data, &v, sizeof v);
        } else if (type == ftDate) {
            const std::int32_t v = DateTimeToTimeStamp(QDateToDateTime(value.toDate())).Date;
            std::memcpy(data, &v, sizeof v);
        } else if (type == ftTime) {
            const std::int32_t v = value.toTime().msecsSinceStartOfDay();
            std::memcpy(data, &v, sizeof v);
        } else if (type == ftDateTime) {
            const QDateTime dt = value.toDateTime();
            const double v = TimeStampToMSecs(DateTimeToTimeStamp(QDateTimeToDateTime(dt.date(), dt.time())));
            std::memcpy(data, &v, sizeof v);
        } else if (type == ftBoolean) {
            const std::uint16_t v = value.toBool() ? 1 : 0;
            std::memcpy(data, &v, sizeof v);
        }
    }
    return row;
}

void TMemoryDataSet::AddRow(const std::vector<QVariant>& Values)
{
    FRows.push_back(ToRow(Values));
}

QVariant TMemoryDataSet::Value(int Row, int ColumnIndex) const
{
    const std::vector<std::byte>& row = FRows.at(static_cast<std::size_t>(Row));
    const std::byte* cell = row.data() + FOffsets.at(static_cast<std::size_t>(ColumnIndex));
    if (cell[0] != std::byte{0})
        return QVariant();
    const std::byte* data = cell + 1;
    const Column& column = FColumns[static_cast<std::size_t>(ColumnIndex)];
    if (IsText(column.Type)) {
        std::vector<char16_t> text(static_cast<std::size_t>(column.Size) + 2);
        std::memcpy(text.data(), data, text.size() * 2);
        qsizetype n = 0;
        while (text[static_cast<std::size_t>(n)] != 0)
            ++n;
        return QString::fromUtf16(text.data(), n);
    }
    switch (column.Type) {
    case ftSmallint: {
        std::int16_t v;
        std::memcpy(&v, data, sizeof v);
        return int{v};
    }
    case ftInteger: {
        std::int32_t v;
        std::memcpy(&v, data, sizeof v);
        return v;
    }
    case ftLargeint:
    case ftBCD: {
        std::int64_t v;
        std::memcpy(&v, data, sizeof v);
        return static_cast<qlonglong>(v);
    }
    case ftFloat: {
        double v;
        std::memcpy(&v, data, sizeof v);
        return v;
    }
    default:
        return QVariant();
    }
}

void TMemoryDataSet::Step(const QString& Name)
{
    if (Hook)
        Hook(Name);
}

TRecordBuffer TMemoryDataSet::AllocRecordBuffer()
{
    auto* buffer = new std::byte[static_cast<std::size_t>(HeaderSize + FRecordSize)]();
    return buffer;
}

void TMemoryDataSet::FreeRecordBuffer(TRecordBuffer& Buffer)
{
    delete[] Buffer;
    Buffer = nullptr;
}

std::int32_t TMemoryDataSet::RecordNumber(TRecordBuffer Buffer) const
{
    std::int32_t value;
    std::memcpy(&value, Buffer + RecNoOffset, sizeof value);
    return value;
}

void TMemoryDataSet::SetRecordNumber(TRecordBuffer Buffer, std::int32_t Value)
{
    std::memcpy(Buffer + RecNoOffset, &Value, sizeof Value);
}

void TMemoryDataSet::InternalInitFieldDefs()
{
    FieldDefs().Clear();
    for (const Column& column : FColumns) {
        TFieldDef* def = FieldDefs().AddFieldDef(column.Name, column.Type, column.Size, column.Required);
        def->SetAttributes(column.Attributes | (column.Required ? TFieldAttributes{faRequired} : TFieldAttributes{0}));
        def->SetPrecision(column.Precision);
    }
}

void TMemoryDataSet::InternalOpen()
{
    Step(QStringLiteral("open"));
    InternalInitFieldDefs();
    if (DefaultFields())
        CreateFields();
    BindFields(true);
    FCursor = -1;
    FOpen = true;
}

void TMemoryDataSet::InternalClose()
{
    Step(QStringLiteral("close"));
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    FOpen = false;
    FCursor = -1;
}

TGetResult TMemoryDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool)
{
    Step(QStringLiteral("read"));
    const int n = RowCount();
    switch (GetMode) {
    case gmCurrent:
        if (FCursor < 0)
            return grBOF;
        if (FCursor >= n)
            return grEOF;
        break;
    case gmNext:
        if (FCursor >= n - 1) {
            FCursor = n;
            return grEOF;
        }
        ++FCursor;
        break;
    case gmPrior:
        if (FCursor <= 0) {
            FCursor = -1;
            return grBOF;
        }
        FCursor = std::min(FCursor, n) - 1;
        break;
    }
    const std::vector<std::byte>& row = FRows[static_cast<std::size_t>(FCursor)];
    std::memcpy(Buffer + HeaderSize, row.data(), row.size());
    SetBookmarkFlag(Buffer, bfCurrent);
    SetRecordNumber(Buffer, FCursor);
    ++RowsRead;
    return grOK;
}

void TMemoryDataSet::InternalFirst()
{
    FCursor = -1;
}

void TMemoryDataSet::InternalLast()
{
    FCursor = RowCount();
}

void TMemoryDataSet::InternalSetToRecord(TRecordBuffer Buffer)
{
    FCursor = RecordNumber(Buffer);
}

void TMemoryDataSet::InternalInitRecord(TRecordBuffer Buffer)
{
    std::memset(Buffer, 0, static_cast<std::size_t>(HeaderSize + FRecordSize));
    for (int offset : FOffsets)
        Buffer[HeaderSize + offset] = std::byte{1};
    SetRecordNumber(Buffer, -1);
}

void TMemoryDataSet::InternalEdit()
{
    Step(QStringLiteral("edit"));
}

void TMemoryDataSet::Post()
{
    UpdateRecord();
    TDataSet::Post();
}

void TMemoryDataSet::InternalPost()
{
    TDataSet::InternalPost();
    Step(QStringLiteral("post"));
    TRecordBuffer buffer = ActiveBuffer();
    std::vector<std::byte> row(buffer + HeaderSize, buffer + HeaderSize + FRecordSize);
    if (State() == dsInsert) {
        // Before the row on which the insert began; at the end for an append.
        const int position = std::clamp(FCursor, 0, RowCount());
        FRows.insert(FRows.begin() + position, std::move(row));
        FCursor = position;
        SetRecordNumber(buffer, position);
        SetBookmarkFlag(buffer, bfCurrent);
    } else {
        FRows[static_cast<std::size_t>(FCursor)] = std::move(row);
    }
}

void TMemoryDataSet::InternalCancel()
{
    Step(QStringLiteral("cancel"));
}

void TMemoryDataSet::InternalDelete()
{
    Step(QStringLiteral("delete"));
    FRows.erase(FRows.begin() + FCursor);
}

TBookmarkFlag TMemoryDataSet::GetBookmarkFlag(TRecordBuffer Buffer)
{
    return static_cast<TBookmarkFlag>(Buffer[0]);
}

void TMemoryDataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value)
{
    Buffer[0] = static_cast<std::byte>(Value);
}

void TMemoryDataSet::GetBookmarkData(TRecordBuffer Buffer, void* Data)
{
    std::memcpy(Data, Buffer + RecNoOffset, BookmarkSize);
}

void TMemoryDataSet::SetBookmarkData(TRecordBuffer Buffer, const void* Data)
{
    std::memcpy(Buffer + RecNoOffset, Data, BookmarkSize);
}

TDataSet::TFieldClass TMemoryDataSet::GetFieldClass(TFieldType FieldType)
{
    const TFieldClass fieldClass = TIBCustomDataSet::IBFieldClass(FieldType);
    return fieldClass ? fieldClass : TDataSet::GetFieldClass(FieldType);
}

int TMemoryDataSet::RecNo()
{
    return IsEmpty() || State() == dsInactive ? 0 : RecordNumber(ActiveBuffer()) + 1;
}

TRecordBuffer TMemoryDataSet::ActiveRecordBuffer() const
{
    switch (State()) {
    case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsCalcFields:
        return ActiveBuffer();
    default:
        return nullptr;
    }
}

bool TMemoryDataSet::GetFieldData(TField* Field, void* Buffer, bool)
{
    TRecordBuffer record = ActiveRecordBuffer();
    const int column = Field->FieldNo() - 1;
    if (!record || column < 0 || column >= static_cast<int>(FColumns.size()))
        return false;
    const std::byte* cell = record + HeaderSize + FOffsets[static_cast<std::size_t>(column)];
    if (cell[0] != std::byte{0})
        return false;
    if (!Buffer)
        return true;
    const Column& info = FColumns[static_cast<std::size_t>(column)];
    if (IsText(info.Type)) {
        std::vector<char16_t> text(static_cast<std::size_t>(info.Size) + 2);
        std::memcpy(text.data(), cell + 1, text.size() * 2);
        std::size_t n = 0;
        while (text[n] != 0)
            ++n;
        if (n > static_cast<std::size_t>(Field->Size()))
            DatabaseError(QStringLiteral("Size Mismatch - Field %1 size is too small for data").arg(Field->FieldName()));
        std::memcpy(Buffer, text.data(), (n + 1) * 2);
    } else {
        std::memcpy(Buffer, cell + 1, static_cast<std::size_t>(NativeSize(info)));
    }
    return true;
}

void TMemoryDataSet::SetFieldData(TField* Field, const void* Buffer, bool)
{
    if (State() != dsEdit && State() != dsInsert)
        DatabaseError(QStringLiteral("Not in edit mode"));
    const int column = Field->FieldNo() - 1;
    const Column& info = FColumns.at(static_cast<std::size_t>(column));
    Field->Validate(Buffer);
    std::byte* cell = ActiveBuffer() + HeaderSize + FOffsets[static_cast<std::size_t>(column)];
    const int size = NativeSize(info);
    std::memset(cell + 1, 0, static_cast<std::size_t>(size));
    if (!Buffer) {
        cell[0] = std::byte{1};
    } else if (IsText(info.Type)) {
        // At most Size + 1 characters: one more than the column holds, so
        // that an overlong text is noticed when read.
        const auto* text = static_cast<const char16_t*>(Buffer);
        std::size_t n = 0;
        while (n < static_cast<std::size_t>(info.Size) + 1 && text[n] != 0)
            ++n;
        std::memcpy(cell + 1, text, n * 2);
        cell[0] = std::byte{0};
    } else {
        std::memcpy(cell + 1, Buffer, static_cast<std::size_t>(size));
        cell[0] = std::byte{0};
    }
    DataEvent(deFieldChange, reinterpret_cast<TEventInfo>(Field));
}

// ---- Recording ------------------------------------------------------------------

QString DataEventName(TDataEvent Event)
{
    static const char* const names[] = {
        "deFieldChange",     "deRecordChange", "deDataSetChange", "deDataSetScroll",   "deLayoutChange",
        "deUpdateRecord",    "deUpdateState",  "deCheckBrowseMode", "dePropertyChange", "deFieldListChange",
        "deFocusControl",    "deParentScroll", "deConnectChange", "deReconcileError",  "deDisabledStateChange"};
    return QString::fromLatin1(names[Event]);
}

void RecordDataSetEvents(TDataSet* DataSet, std::vector<QString>& Log)
{
    auto logger = [&Log](const char* name) { return [&Log, name](TDataSet*) { Log.push_back(QString::fromLatin1(name)); }; };
    DataSet->SetBeforeOpen(logger("BeforeOpen"));
    DataSet->SetAfterOpen(logger("AfterOpen"));
    DataSet->SetBeforeClose(logger("BeforeClose"));
    DataSet->SetAfterClose(logger("AfterClose"));
    DataSet->SetBeforeInsert(logger("BeforeInsert"));
    DataSet->SetAfterInsert(logger("AfterInsert"));
    DataSet->SetBeforeEdit(logger("BeforeEdit"));
    DataSet->SetAfterEdit(logger("AfterEdit"));
    DataSet->SetBeforePost(logger("BeforePost"));
    DataSet->SetAfterPost(logger("AfterPost"));
    DataSet->SetBeforeCancel(logger("BeforeCancel"));
    DataSet->SetAfterCancel(logger("AfterCancel"));
    DataSet->SetBeforeDelete(logger("BeforeDelete"));
    DataSet->SetAfterDelete(logger("AfterDelete"));
    DataSet->SetBeforeScroll(logger("BeforeScroll"));
    DataSet->SetAfterScroll(logger("AfterScroll"));
    DataSet->SetOnNewRecord(logger("OnNewRecord"));
}

void TRecordingLink::DataEvent(TDataEvent Event, TEventInfo Info)
{
    QString line = Tag + DataEventName(Event);
    if (LogInfo && (Event == deDataSetScroll || Event == deDisabledStateChange))
        line += QStringLiteral("(%1)").arg(Info);
    FLog.push_back(line);
    TDataLink::DataEvent(Event, Info);
}

void TRecordingLink::Reaction(const QString& Text)
{
    if (LogReactions)
        FLog.push_back(Tag + Text);
}

void TRecordingLink::ActiveChanged()
{
    Reaction(QStringLiteral("ActiveChanged(%1)").arg(Active()));
}

void TRecordingLink::EditingChanged()
{
    Reaction(QStringLiteral("EditingChanged(%1)").arg(Editing()));
}

void TRecordingLink::DataSetChanged()
{
    Reaction(QStringLiteral("DataSetChanged"));
}

void TRecordingLink::DataSetScrolled(int Distance)
{
    Reaction(QStringLiteral("DataSetScrolled(%1)").arg(Distance));
}

void TRecordingLink::LayoutChanged()
{
    Reaction(QStringLiteral("LayoutChanged"));
}

void TRecordingLink::RecordChanged(TField* Field)
{
    Reaction(QStringLiteral("RecordChanged(%1)").arg(Field ? Field->FieldName() : QString()));
}

void TRecordingLink::UpdateData()
{
    Reaction(QStringLiteral("UpdateData"));
    if (OnUpdateData)
        OnUpdateData();
}

void TRecordingLink::CheckBrowseMode()
{
    Reaction(QStringLiteral("CheckBrowseMode"));
}

void TRecordingLink::FocusControl(TField** Field)
{
    FocusedField = Field ? *Field : nullptr;
    Reaction(QStringLiteral("FocusControl(%1)").arg(FocusedField ? FocusedField->FieldName() : QString()));
}
