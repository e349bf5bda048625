#include "ibclient/dataset/TLargeintField.h"

#include "ibclient/base/TNumberFormat.h"

#include <cmath>

TLargeintField::TLargeintField(TComponent* AOwner) : TNumericField(AOwner)
{
    SetDataType(ftLargeint);
    SetValidChars(QStringLiteral("+-0123456789"));
}

QString TLargeintField::AsString() const
{
    std::int64_t value = 0;
    return GetValue(value) ? QString::number(value) : QString();
}

QString TLargeintField::GetText(bool DisplayText) const
{
    std::int64_t value = 0;
    if (!GetValue(value))
        return QString();
    const QString& pattern = FormatFor(DisplayText);
    return pattern.isEmpty() ? QString::number(value) : TNumberFormat::FormatFloat(pattern, static_cast<double>(value));
}

void TLargeintField::SetAsString(const QString& Value)
{
    if (Value.isEmpty()) {
        Clear();
        return;
    }
    const std::optional<std::int64_t> number = TNumberFormat::ParseInteger(Value, 64);
    if (!number)
        IntegerConvertError(Value);
    SetAsLargeInt(*number);
}

std::int32_t TLargeintField::AsInteger() const
{
    return static_cast<std::int32_t>(AsLargeInt());
}

void TLargeintField::SetAsInteger(std::int32_t Value)
{
    SetAsLargeInt(Value);
}

std::int64_t TLargeintField::AsLargeInt() const
{
    std::int64_t value = 0;
    return GetValue(value) ? value : 0;
}

void TLargeintField::SetAsLargeInt(std::int64_t Value)
{
    if ((FMinValue != 0 || FMaxValue != 0) && (Value < FMinValue || Value > FMaxValue))
        RangeError(static_cast<double>(Value), static_cast<double>(FMinValue), static_cast<double>(FMaxValue));
    SetData(&Value);
}

double TLargeintField::AsFloat() const
{
    return static_cast<double>(AsLargeInt());
}

void TLargeintField::SetAsFloat(double Value)
{
    const double rounded = std::round(Value);
    if (!(rounded >= -9.2e18 && rounded <= 9.2e18))
        RangeError(Value, -9.2e18, 9.2e18);
    SetAsLargeInt(static_cast<std::int64_t>(rounded));
}

QVariant TLargeintField::AsVariant() const
{
    std::int64_t value = 0;
    return GetValue(value) ? QVariant(static_cast<qlonglong>(value)) : QVariant();
}
