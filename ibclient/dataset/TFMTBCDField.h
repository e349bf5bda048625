// TFMTBCDField: a scaled numeric column with more than four decimal places,
// kept as a 34-byte binary-coded decimal: precision (8-bit), sign and places
// (bit 7 the sign, the low six bits the places), then 32 bytes of packed
// digits, two per byte, the first digit in the high half of the first byte.
#pragma once

#include "ibclient/dataset/TNumericField.h"

#include <array>

using TBcd = std::array<std::uint8_t, 34>;

class TFMTBCDField : public TNumericField {
public:
    explicit TFMTBCDField(TComponent* AOwner);

    int DataSize() const override { return 34; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value);

    QString AsString() const override;
    void SetAsString(const QString& Value) override;
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    TCurrency AsCurrency() const override;
    void SetAsCurrency(TCurrency Value) override;
    QVariant AsVariant() const override;

    // The decimal text of a BCD value ("." as separator, no trailing zeros).
    static QString BcdToDecimalText(const TBcd& Value);
    // Decimal text ("-12.345") rounded to Places places (when Places >= 0)
    // into a BCD value; false when it needs more than 64 digits.
    static bool DecimalTextToBcd(const QString& Text, int Places, TBcd& Value);

protected:
    QString GetText(bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return FPrecision > 0 ? FPrecision + 1 : 10; }
    void CheckSize(int Value) const override;

private:
    int FPrecision = 0;
};
