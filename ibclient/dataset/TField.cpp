#include "ibclient/dataset/TField.h"

#include "ibclient/dataset/TDataSet.h"

#include <QVarLengthArray>

#include <cstring>

namespace {
std::size_t NameHash(const QString& name)
{
    return qHash(name.toCaseFolded());
}
} // namespace

bool IsObjectFieldType(TFieldType type)
{
    return type == ftADT || type == ftArray || type == ftReference || type == ftDataSet;
}

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField()
{
    if (FDataSet)
        FDataSet->Fields().Remove(this);
}

void TField::SetDataSet(TDataSet* ADataSet)
{
    if (ADataSet == FDataSet)
        return;
    if (FDataSet && FDataSet->Active())
        DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), FDataSet);
    if (ADataSet && ADataSet->Active())
        DatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"), ADataSet);
    if (FDataSet)
        FDataSet->Fields().Remove(this);
    if (ADataSet)
        ADataSet->Fields().Add(this);
    FDataSet = ADataSet;
}

void TField::SetFieldName(const QString& Value)
{
    FFieldName = Value;
    FNameHash = NameHash(Value);
}

void TField::SetSize(int Value)
{
    CheckSize(Value);
    FSize = Value;
}

void TField::CheckSize(int Value) const
{
    if (Value != 0)
        DatabaseError(QStringLiteral("Invalid field size"));
}

void TField::SetReadOnly(bool Value)
{
    if (FReadOnly != Value) {
        FReadOnly = Value;
        PropertyChanged(true);
    }
}

void TField::SetVisible(bool Value)
{
    if (FVisible != Value) {
        FVisible = Value;
        PropertyChanged(true);
    }
}

void TField::SetAlignment(TAlignment Value)
{
    if (FAlignment != Value) {
        FAlignment = Value;
        PropertyChanged(false);
    }
}

void TField::SetDisplayLabel(const QString& Value)
{
    if (FDisplayLabel != Value) {
        FDisplayLabel = Value;
        PropertyChanged(true);
    }
}

QString TField::DisplayName() const
{
    return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel;
}

int TField::DisplayWidth() const
{
    return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth();
}

void TField::SetDisplayWidth(int Value)
{
    if (FDisplayWidth != Value) {
        FDisplayWidth = Value;
        PropertyChanged(true);
    }
}

bool TField::IsBlob() const
{
    return false;
}

int TField::Index() const
{
    return FDataSet ? FDataSet->Fields().IndexOf(this) : -1;
}

void TField::PropertyChanged(bool LayoutAffected)
{
    if (FDataSet && FDataSet->Active())
        FDataSet->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

// ---- Raw transfer -------------------------------------------------------------

bool TField::ReadNative(void* Buffer) const
{
    if (FValidating) {
        // The validation hook sees the value being written.
        if (Buffer && FValueBuffer)
            CopyValue(FValueBuffer, Buffer);
        return FValueBuffer != nullptr;
    }
    return FDataSet->GetFieldData(const_cast<TField*>(this), Buffer, true);
}

void TField::CopyValue(const void* Source, void* Destination) const
{
    std::memcpy(Destination, Source, static_cast<std::size_t>(DataSize()));
}

bool TField::GetData(void* Buffer, bool NativeFormat) const
{
    if (!FDataSet)
        DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
    if (NativeFormat || !HasNonNativeForm()) {
        if (FValidating)
            return ReadNative(Buffer);
        return FDataSet->GetFieldData(const_cast<TField*>(this), Buffer, NativeFormat);
    }
    if (!Buffer)
        return ReadNative(nullptr);
    QVarLengthArray<std::byte, 1024> native(NativeBufferSize()); // a path-sized text stays on the stack
    std::memset(native.data(), 0, static_cast<std::size_t>(native.size()));
    if (!ReadNative(native.data()))
        return false;
    ToNonNative(native.data(), Buffer);
    return true;
}

void TField::SetData(const void* Buffer, bool NativeFormat)
{
    if (!FDataSet)
        DatabaseError(QStringLiteral("Field '%1' has no dataset").arg(DisplayName()));
    if (!Buffer || NativeFormat || !HasNonNativeForm()) {
        FDataSet->SetFieldData(this, Buffer, NativeFormat);
        return;
    }
    QVarLengthArray<std::byte, 1024> native(NativeBufferSize()); // a path-sized text stays on the stack
    std::memset(native.data(), 0, static_cast<std::size_t>(native.size()));
    FromNonNative(Buffer, native.data());
    FDataSet->SetFieldData(this, native.data(), true);
}

void TField::ToNonNative(const void* Native, void* Value) const
{
    std::memcpy(Value, Native, static_cast<std::size_t>(DataSize()));
}

void TField::FromNonNative(const void* Value, void* Native) const
{
    std::memcpy(Native, Value, static_cast<std::size_t>(DataSize()));
}

void TField::Validate(const void* Buffer)
{
    if (!FOnValidate)
        return;
    FValueBuffer = Buffer;
    FValidating = true;
    try {
        FOnValidate(this);
    } catch (...) {
        FValidating = false;
        FValueBuffer = nullptr;
        throw;
    }
    FValidating = false;
    FValueBuffer = nullptr;
}

void TField::Change()
{
    if (FOnChange)
        FOnChange(this);
}

void TField::Bind(bool) {}

bool TField::IsNull() const
{
    return !GetData(nullptr);
}

void TField::Clear()
{
    if (FFieldKind == fkData || FFieldKind == fkInternalCalc)
        SetData(nullptr);
}

bool TField::CanModify() const
{
    if (FFieldNo <= 0 || FReadOnly)
        return false;
    return FDataSet && FDataSet->CanModifyField(this);
}

void TField::SetValidChars(const QString& Characters)
{
    FValidChars.reset();
    for (QChar c : Characters)
        if (c.unicode() < 256)
            FValidChars.set(c.unicode());
    FAllValidChars = false;
}

void TField::SetAllValidChars()
{
    FValidChars.reset();
    FAllValidChars = true;
}

bool TField::IsValidChar(QChar InputChar) const
{
    if (FAllValidChars)
        return true;
    return InputChar.unicode() < 256 && FValidChars.test(InputChar.unicode());
}

void TField::FocusControl()
{
    if (!FDataSet || !FDataSet->Active())
        return;
    TField* field = this;
    FDataSet->DataEvent(deFocusControl, reinterpret_cast<TEventInfo>(&field));
}

// ---- Text -------------------------------------------------------------------

QString TField::Text() const
{
    if (FOnGetText) {
        QString text;
        FOnGetText(const_cast<TField*>(this), text, false);
        return text;
    }
    return GetText(false);
}

void TField::SetText(const QString& Value)
{
    if (FOnSetText)
        FOnSetText(this, Value);
    else
        SetTextValue(Value);
}

QString TField::DisplayText() const
{
    if (FOnGetText) {
        QString text;
        FOnGetText(const_cast<TField*>(this), text, true);
        return text;
    }
    return GetText(true);
}

QString TField::GetText(bool) const
{
    return AsString();
}

// ---- Typed accessors: the base refuses them -----------------------------------

void TField::AccessError(const char* TypeName) const
{
    DatabaseError(QStringLiteral("Cannot access field '%1' as type %2").arg(DisplayName(), QString::fromLatin1(TypeName)));
}

QString TField::AsString() const { AccessError("String"); }
void TField::SetAsString(const QString&) { AccessError("String"); }
std::int32_t TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(std::int32_t) { AccessError("Integer"); }
std::int64_t TField::AsLargeInt() const { AccessError("LargeInt"); }
void TField::SetAsLargeInt(std::int64_t) { AccessError("LargeInt"); }
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
TCurrency TField::AsCurrency() const { AccessError("Currency"); }
void TField::SetAsCurrency(TCurrency) { AccessError("Currency"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
double TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(double) { AccessError("DateTime"); }

QVariant TField::AsVariant() const
{
    return IsNull() ? QVariant() : QVariant(AsString());
}

void TField::SetAsVariant(const QVariant& Value)
{
    if (Value.isNull())
        Clear();
    else
        SetAsString(Value.toString());
}
