#include "ibclient/dataset/TFMTBCDField.h"

#include "ibclient/base/TFormatSettings.h"
#include "ibclient/base/TNumberFormat.h"
#include "ibclient/dataset/TDataSet.h"

#include <cmath>

namespace {
QString WithLocaleSeparator(QString text)
{
    text.replace(u'.', TFormatSettings::DecimalSeparator());
    return text;
}
} // namespace

TFMTBCDField::TFMTBCDField(TComponent* AOwner) : TNumericField(AOwner)
{
    SetDataType(ftFMTBcd);
    SetSize(8);
    SetValidChars(QStringLiteral("+-0123456789") + TFormatSettings::DecimalSeparator());
}

void TFMTBCDField::CheckSize(int Value) const
{
    if (Value < 0 || Value > 63)
        DatabaseError(QStringLiteral("Invalid field size"));
}

void TFMTBCDField::SetPrecision(int Value)
{
    FPrecision = Value < 0 ? 0 : Value;
    PropertyChanged(false);
}

QString TFMTBCDField::BcdToDecimalText(const TBcd& Value)
{
    const int precision = std::min<int>(Value[0], 64);
    const int places = std::min(Value[1] & 0x3F, precision);
    const bool negative = (Value[1] & 0x80) != 0;
    QString digits;
    for (int i = 0; i < precision; ++i) {
        const std::uint8_t byte = Value[static_cast<std::size_t>(2 + i / 2)];
        const int digit = i % 2 == 0 ? byte >> 4 : byte & 0x0F;
        digits += QChar(u'0' + std::min(digit, 9));
    }
    QString whole = digits.left(precision - places);
    QString fraction = digits.mid(precision - places);
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString text = fraction.isEmpty() ? whole : whole + u'.' + fraction;
    if (negative && text != u"0")
        text.prepend(u'-');
    return text;
}

bool TFMTBCDField::DecimalTextToBcd(const QString& Text, int Places, TBcd& Value)
{
    const std::optional<TNumberFormat::TDecimal> parsed = TNumberFormat::ParseDecimal(
        QString(Text).replace(u'.', TFormatSettings::DecimalSeparator()));
    if (!parsed)
        return false;
    QString digits = parsed->Digits;
    int places = parsed->Places;
    if (Places >= 0 && places > Places) {
        // Half away from zero at the first dropped digit.
        const bool up = digits[digits.size() - (places - Places)] >= u'5';
        digits.chop(places - Places);
        places = Places;
        if (up) {
            qsizetype i = digits.size() - 1;
            for (; i >= 0 && digits[i] == u'9'; --i)
                digits[i] = u'0';
            if (i < 0)
                digits.prepend(u'1');
            else
                digits[i] = QChar(digits[i].unicode() + 1);
        }
    }
    if (Places >= 0 && places < Places) {
        digits += QString(Places - places, u'0');
        places = Places;
    }
    while (digits.size() > places + 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    if (digits.size() > 64 || places > 63)
        return false;
    Value.fill(0);
    Value[0] = static_cast<std::uint8_t>(digits.size());
    const bool zero = digits.count(u'0') == digits.size();
    Value[1] = static_cast<std::uint8_t>(places | (parsed->Negative && !zero ? 0x80 : 0));
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const auto digit = static_cast<std::uint8_t>(digits[i].unicode() - u'0');
        std::uint8_t& byte = Value[static_cast<std::size_t>(2 + i / 2)];
        byte = static_cast<std::uint8_t>(i % 2 == 0 ? (digit << 4) : (byte | digit));
    }
    return true;
}

QString TFMTBCDField::AsString() const
{
    TBcd value{};
    return GetData(value.data()) ? WithLocaleSeparator(BcdToDecimalText(value)) : QString();
}

QString TFMTBCDField::GetText(bool DisplayText) const
{
    TBcd value{};
    if (!GetData(value.data()))
        return QString();
    const QString& pattern = FormatFor(DisplayText);
    if (pattern.isEmpty())
        return WithLocaleSeparator(BcdToDecimalText(value));
    return TNumberFormat::FormatFloat(pattern, BcdToDecimalText(value).toDouble());
}

void TFMTBCDField::SetAsString(const QString& Value)
{
    if (Value.isEmpty()) {
        Clear();
        return;
    }
    // Validate in the locale's syntax, then store the exact digits.
    const std::optional<TNumberFormat::TDecimal> parsed = TNumberFormat::ParseDecimal(Value);
    TBcd bcd{};
    if (!parsed)
        FloatConvertError(Value);
    QString plain = parsed->Digits;
    plain.insert(plain.size() - parsed->Places, u'.');
    if (parsed->Negative)
        plain.prepend(u'-');
    if (!DecimalTextToBcd(plain, Size(), bcd))
        FloatConvertError(Value);
    SetData(bcd.data());
}

double TFMTBCDField::AsFloat() const
{
    TBcd value{};
    return GetData(value.data()) ? BcdToDecimalText(value).toDouble() : 0.0;
}

void TFMTBCDField::SetAsFloat(double Value)
{
    TBcd bcd{};
    if (!std::isfinite(Value) || !DecimalTextToBcd(QString::number(Value, 'f', std::max(Size(), 0)), Size(), bcd))
        RangeError(Value, 0, 0);
    SetData(bcd.data());
}

TCurrency TFMTBCDField::AsCurrency() const
{
    return static_cast<TCurrency>(std::llround(AsFloat() * 10000.0));
}

void TFMTBCDField::SetAsCurrency(TCurrency Value)
{
    TBcd bcd{};
    DecimalTextToBcd(TNumberFormat::CurrToStr(Value).replace(TFormatSettings::DecimalSeparator(), u'.'), Size(), bcd);
    SetData(bcd.data());
}

QVariant TFMTBCDField::AsVariant() const
{
    TBcd value{};
    return GetData(value.data()) ? QVariant(BcdToDecimalText(value)) : QVariant();
}
