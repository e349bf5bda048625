#include "ibclient/dataset/TIntegerField.h"

#include "ibclient/base/TNumberFormat.h"

#include <cmath>
#include <limits>

namespace {
const QString IntegerChars = QStringLiteral("+-0123456789");
}

TIntegerField::TIntegerField(TComponent* AOwner)
    : TIntegerField(AOwner, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max())
{
}

TIntegerField::TIntegerField(TComponent* AOwner, std::int32_t ClassMin, std::int32_t ClassMax)
    : TNumericField(AOwner), FClassMin(ClassMin), FClassMax(ClassMax)
{
    SetDataType(ftInteger);
    SetValidChars(IntegerChars);
}

bool TIntegerField::GetValue(std::int32_t& Value) const
{
    return GetData(&Value);
}

void TIntegerField::WriteValue(std::int32_t Value)
{
    SetData(&Value);
}

void TIntegerField::WriteChecked(std::int64_t Value)
{
    std::int64_t low = FClassMin;
    std::int64_t high = FClassMax;
    if (FMinValue != 0 || FMaxValue != 0) {
        low = FMinValue;
        high = FMaxValue;
    }
    if (Value < low || Value > high)
        RangeError(static_cast<double>(Value), static_cast<double>(low), static_cast<double>(high));
    WriteValue(static_cast<std::int32_t>(Value));
}

QString TIntegerField::AsString() const
{
    std::int32_t value = 0;
    return GetValue(value) ? QString::number(value) : QString();
}

QString TIntegerField::GetText(bool DisplayText) const
{
    std::int32_t value = 0;
    if (!GetValue(value))
        return QString();
    const QString& pattern = FormatFor(DisplayText);
    return pattern.isEmpty() ? QString::number(value) : TNumberFormat::FormatFloat(pattern, value);
}

void TIntegerField::SetAsString(const QString& Value)
{
    if (Value.isEmpty()) {
        Clear();
        return;
    }
    const std::optional<std::int64_t> number = TNumberFormat::ParseInteger(Value, 32);
    if (!number)
        IntegerConvertError(Value);
    WriteChecked(*number);
}

std::int32_t TIntegerField::AsInteger() const
{
    std::int32_t value = 0;
    return GetValue(value) ? value : 0;
}

void TIntegerField::SetAsInteger(std::int32_t Value)
{
    WriteChecked(Value);
}

std::int64_t TIntegerField::AsLargeInt() const
{
    return AsInteger();
}

void TIntegerField::SetAsLargeInt(std::int64_t Value)
{
    WriteChecked(Value);
}

double TIntegerField::AsFloat() const
{
    return AsInteger();
}

void TIntegerField::SetAsFloat(double Value)
{
    const double rounded = std::round(Value);
    // Beyond 64 bits the range message still names the value.
    if (!(rounded >= -9.2e18 && rounded <= 9.2e18))
        RangeError(Value, FMinValue || FMaxValue ? FMinValue : FClassMin, FMinValue || FMaxValue ? FMaxValue : FClassMax);
    WriteChecked(static_cast<std::int64_t>(rounded));
}

QVariant TIntegerField::AsVariant() const
{
    std::int32_t value = 0;
    return GetValue(value) ? QVariant(value) : QVariant();
}

TSmallintField::TSmallintField(TComponent* AOwner)
    : TIntegerField(AOwner, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max())
{
    SetDataType(ftSmallint);
}

bool TSmallintField::GetValue(std::int32_t& Value) const
{
    std::int16_t value = 0;
    if (!GetData(&value))
        return false;
    Value = value;
    return true;
}

void TSmallintField::WriteValue(std::int32_t Value)
{
    const auto value = static_cast<std::int16_t>(Value);
    SetData(&value);
}
