#include "ibclient/dataset/TStringField.h"

#include "ibclient/base/TNumberFormat.h"
#include "ibclient/dataset/TDataSet.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>

namespace {
// Characters of a 0-terminated UTF-16 text, reading at most Limit of them.
qsizetype TextLength(const char16_t* text, qsizetype limit)
{
    qsizetype n = 0;
    while (n < limit && text[n] != 0)
        ++n;
    return n;
}
} // namespace

TStringField::TStringField(TComponent* AOwner) : TField(AOwner)
{
    SetDataType(ftString);
    SetSize(20);
}

void TStringField::CheckSize(int Value) const
{
    if (Value < 0)
        DatabaseError(QStringLiteral("Invalid field size"));
}

void TStringField::SetFixedChar(bool Value)
{
    FFixedChar = Value;
}

void TStringField::ToNonNative(const void* Native, void* Value) const
{
    // Up to Size + 1 characters and a terminator.
    const auto* source = static_cast<const char16_t*>(Native);
    const qsizetype length = TextLength(source, Size() + 1);
    std::memcpy(Value, source, static_cast<std::size_t>(length) * 2);
    static_cast<char16_t*>(Value)[length] = 0;
}

void TStringField::FromNonNative(const void* Value, void* Native) const
{
    ToNonNative(Value, Native);
}

void TStringField::CopyValue(const void* Source, void* Destination) const
{
    ToNonNative(Source, Destination);
}

QString TStringField::AsString() const
{
    const auto needed = static_cast<std::size_t>(Size() + 1) * 2;
    if (FValueBuffer.size() < needed)
        FValueBuffer.assign(needed, 0);
    // The record set ends the text it copies; the two guards end it in any case.
    FValueBuffer.front() = 0;
    FValueBuffer.back() = 0;
    if (!GetData(FValueBuffer.data()))
        return QString();
    const qsizetype length = TextLength(FValueBuffer.data(), static_cast<qsizetype>(FValueBuffer.size()) - 1);
    return QString::fromUtf16(FValueBuffer.data(), length);
}

void TStringField::WriteText(const QString& Value)
{
    // The text up to its first character 0, cut to Size + 1 characters by
    // the non-native conversion.
    qsizetype length = Value.indexOf(QChar(0));
    if (length < 0)
        length = Value.size();
    QVarLengthArray<char16_t, 512> text(length + 1);
    std::memcpy(text.data(), Value.utf16(), static_cast<std::size_t>(length) * 2);
    text[length] = 0;
    SetData(text.data(), false);
}

void TStringField::SetAsString(const QString& Value)
{
    WriteText(Value);
}

std::int32_t TStringField::AsInteger() const
{
    const QString text = AsString();
    const std::optional<std::int64_t> value = TNumberFormat::ParseInteger(text, 32);
    if (!value)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return static_cast<std::int32_t>(*value);
}

void TStringField::SetAsInteger(std::int32_t Value)
{
    SetAsString(QString::number(Value));
}

double TStringField::AsFloat() const
{
    const QString text = AsString();
    const std::optional<double> value = TNumberFormat::ParseFloat(text);
    if (!value)
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return *value;
}

void TStringField::SetAsFloat(double Value)
{
    SetAsString(TNumberFormat::FloatToStrGeneral(Value, 15));
}

QVariant TStringField::AsVariant() const
{
    return IsNull() ? QVariant() : QVariant(AsString());
}

TWideStringField::TWideStringField(TComponent* AOwner) : TStringField(AOwner)
{
    SetDataType(ftWideString);
}
