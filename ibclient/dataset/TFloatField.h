// TFloatField: a 64-bit floating-point column, shown with up to Precision
// significant digits and the locale's decimal separator.
#pragma once

#include "ibclient/dataset/TNumericField.h"

class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* AOwner);

    int DataSize() const override { return 8; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value);
    bool Currency() const { return FCurrency; }
    void SetCurrency(bool Value) { FCurrency = Value; }
    double MinValue() const { return FMinValue; }
    void SetMinValue(double Value) { FMinValue = Value; }
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double Value) { FMaxValue = Value; }

    QString AsString() const override;
    void SetAsString(const QString& Value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t Value) override;
    std::int64_t AsLargeInt() const override;
    void SetAsLargeInt(std::int64_t Value) override;
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    QVariant AsVariant() const override;

protected:
    QString GetText(bool DisplayText) const override;

private:
    bool GetValue(double& Value) const { return GetData(&Value); }

    int FPrecision = 15;
    bool FCurrency = false;
    double FMinValue = 0;
    double FMaxValue = 0;
};
