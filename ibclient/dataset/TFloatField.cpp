#include "ibclient/dataset/TFloatField.h"

#include "ibclient/base/TFormatSettings.h"
#include "ibclient/base/TNumberFormat.h"

#include <algorithm>
#include <cmath>

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner)
{
    SetDataType(ftFloat);
    SetValidChars(QStringLiteral("+-0123456789Ee") + TFormatSettings::DecimalSeparator());
}

void TFloatField::SetPrecision(int Value)
{
    FPrecision = std::clamp(Value, 2, 15);
    PropertyChanged(false);
}

QString TFloatField::AsString() const
{
    double value = 0;
    return GetValue(value) ? TNumberFormat::FloatToStrGeneral(value, 15) : QString();
}

QString TFloatField::GetText(bool DisplayText) const
{
    double value = 0;
    if (!GetValue(value))
        return QString();
    const QString& pattern = FormatFor(DisplayText);
    if (!pattern.isEmpty())
        return TNumberFormat::FormatFloat(pattern, value);
    if (FCurrency)
        return DisplayText ? TNumberFormat::FloatToCurrencyText(value)
                           : TNumberFormat::FloatToStrFixed(value, TFormatSettings::CurrencyDecimals());
    return TNumberFormat::FloatToStrGeneral(value, FPrecision);
}

void TFloatField::SetAsString(const QString& Value)
{
    if (Value.isEmpty()) {
        Clear();
        return;
    }
    const std::optional<double> number = TNumberFormat::ParseFloat(Value);
    if (!number)
        FloatConvertError(Value);
    SetAsFloat(*number);
}

double TFloatField::AsFloat() const
{
    double value = 0;
    return GetValue(value) ? value : 0;
}

void TFloatField::SetAsFloat(double Value)
{
    if ((FMinValue != 0 || FMaxValue != 0) && (Value < FMinValue || Value > FMaxValue))
        RangeError(Value, FMinValue, FMaxValue);
    SetData(&Value);
}

std::int32_t TFloatField::AsInteger() const
{
    const double value = std::round(AsFloat());
    if (!(value >= -2147483648.0 && value <= 2147483647.0))
        RangeError(value, -2147483648.0, 2147483647.0);
    return static_cast<std::int32_t>(value);
}

void TFloatField::SetAsInteger(std::int32_t Value)
{
    SetAsFloat(Value);
}

std::int64_t TFloatField::AsLargeInt() const
{
    const double value = std::round(AsFloat());
    if (!(value >= -9.2e18 && value <= 9.2e18))
        RangeError(value, -9.2e18, 9.2e18);
    return static_cast<std::int64_t>(value);
}

void TFloatField::SetAsLargeInt(std::int64_t Value)
{
    SetAsFloat(static_cast<double>(Value));
}

QVariant TFloatField::AsVariant() const
{
    double value = 0;
    return GetValue(value) ? QVariant(value) : QVariant();
}
