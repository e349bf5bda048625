// TBCDField: scaled numeric columns with up to four decimal
// places. The value is a currency value, a signed 64-bit count of
// ten-thousandths, read and written in that form (the record set passes it
// between field and row unconverted); text is decimal with up to four
// decimals and the locale's decimal separator.
#pragma once

#include "ibclient/dataset/TNumericField.h"

class TBCDField : public TNumericField {
public:
    explicit TBCDField(TComponent* AOwner);

    int DataSize() const override { return 8; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value);
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool Value) { FCurrency = Value; }
    // The field's own range, as currency values; both 0 = no range.
    TCurrency MinValue() const { return FMinValue; }
    void SetMinValue(TCurrency Value) { FMinValue = Value; }
    TCurrency MaxValue() const { return FMaxValue; }
    void SetMaxValue(TCurrency Value) { FMaxValue = Value; }

    QString AsString() const override;
    void SetAsString(const QString& Value) override;
    TCurrency AsCurrency() const override;
    void SetAsCurrency(TCurrency Value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t Value) override;
    std::int64_t AsLargeInt() const override;
    void SetAsLargeInt(std::int64_t Value) override;
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    QVariant AsVariant() const override;

protected:
    QString GetText(bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return FPrecision > 0 ? FPrecision + 1 : 10; }
    // Decimal places: 0 to 4.
    void CheckSize(int Value) const override;

private:
    bool GetValue(TCurrency& Value) const { return GetData(&Value, false); }

    int FPrecision = 0;
    bool FCurrency = false;
    TCurrency FMinValue = 0;
    TCurrency FMaxValue = 0;
};
