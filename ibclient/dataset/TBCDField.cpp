#include "ibclient/dataset/TBCDField.h"

#include "ibclient/base/TFormatSettings.h"
#include "ibclient/base/TNumberFormat.h"
#include "ibclient/dataset/TDataSet.h"

#include <cmath>

TBCDField::TBCDField(TComponent* AOwner) : TNumericField(AOwner)
{
    SetDataType(ftBCD);
    SetSize(4);
    SetValidChars(QStringLiteral("+-0123456789") + TFormatSettings::DecimalSeparator());
}

void TBCDField::CheckSize(int Value) const
{
    // Scaled columns keep up to eight places before the definition sets the
    // real scale; the value itself always has four.
    if (Value < 0 || Value > 32)
        DatabaseError(QStringLiteral("Invalid field size"));
}

void TBCDField::SetPrecision(int Value)
{
    FPrecision = Value < 0 ? 0 : Value;
    PropertyChanged(false);
}

QString TBCDField::AsString() const
{
    TCurrency value = 0;
    return GetValue(value) ? TNumberFormat::CurrToStr(value) : QString();
}

QString TBCDField::GetText(bool DisplayText) const
{
    TCurrency value = 0;
    if (!GetValue(value))
        return QString();
    try {
        const QString& pattern = FormatFor(DisplayText);
        if (!pattern.isEmpty())
            return TNumberFormat::FormatCurr(pattern, value);
        if (FCurrency)
            return DisplayText ? TNumberFormat::FloatToCurrencyText(static_cast<double>(value) / 10000.0)
                               : TNumberFormat::CurrToStrFixed(value, TFormatSettings::CurrencyDecimals());
        return TNumberFormat::CurrToStr(value);
    } catch (const Exception&) {
        // The grid shows this text in the cell instead of failing the paint.
        return QStringLiteral("BCD overflow");
    }
}

void TBCDField::SetAsString(const QString& Value)
{
    if (Value.isEmpty()) {
        Clear();
        return;
    }
    const std::optional<TCurrency> number = TNumberFormat::ParseCurrency(Value);
    if (!number)
        FloatConvertError(Value);
    SetAsCurrency(*number);
}

TCurrency TBCDField::AsCurrency() const
{
    TCurrency value = 0;
    return GetValue(value) ? value : 0;
}

void TBCDField::SetAsCurrency(TCurrency Value)
{
    if ((FMinValue != 0 || FMaxValue != 0) && (Value < FMinValue || Value > FMaxValue))
        RangeError(static_cast<double>(Value) / 10000.0, static_cast<double>(FMinValue) / 10000.0,
                   static_cast<double>(FMaxValue) / 10000.0);
    SetData(&Value, false);
}

std::int32_t TBCDField::AsInteger() const
{
    return static_cast<std::int32_t>(AsLargeInt());
}

void TBCDField::SetAsInteger(std::int32_t Value)
{
    SetAsCurrency(static_cast<TCurrency>(Value) * 10000);
}

std::int64_t TBCDField::AsLargeInt() const
{
    // Rounded half away from zero, as the currency text would be.
    const TCurrency value = AsCurrency();
    const TCurrency whole = value / 10000;
    const TCurrency rest = value % 10000;
    if (rest >= 5000)
        return whole + 1;
    if (rest <= -5000)
        return whole - 1;
    return whole;
}

void TBCDField::SetAsLargeInt(std::int64_t Value)
{
    if (Value > 922'337'203'685'477 || Value < -922'337'203'685'477)
        RangeError(static_cast<double>(Value), -922337203685477.0, 922337203685477.0);
    SetAsCurrency(Value * 10000);
}

double TBCDField::AsFloat() const
{
    return static_cast<double>(AsCurrency()) / 10000.0;
}

void TBCDField::SetAsFloat(double Value)
{
    const double scaled = std::round(Value * 10000.0);
    if (!(scaled >= -9.2e18 && scaled <= 9.2e18))
        RangeError(Value, -922337203685477.0, 922337203685477.0);
    SetAsCurrency(static_cast<TCurrency>(scaled));
}

QVariant TBCDField::AsVariant() const
{
    TCurrency value = 0;
    return GetValue(value) ? QVariant(static_cast<double>(value) / 10000.0) : QVariant();
}
