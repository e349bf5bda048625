// TLargeintField: a 64-bit integer column. Text is parsed like an integer
// field's, in 64 bits; only the field's own range, when set, is checked.
#pragma once

#include "ibclient/dataset/TNumericField.h"

class TLargeintField : public TNumericField {
public:
    explicit TLargeintField(TComponent* AOwner);

    int DataSize() const override { return 8; }
    std::int64_t MinValue() const { return FMinValue; }
    void SetMinValue(std::int64_t Value) { FMinValue = Value; }
    std::int64_t MaxValue() const { return FMaxValue; }
    void SetMaxValue(std::int64_t Value) { FMaxValue = Value; }

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
    int DefaultDisplayWidth() const override { return 15; }

private:
    bool GetValue(std::int64_t& Value) const { return GetData(&Value); }

    std::int64_t FMinValue = 0;
    std::int64_t FMaxValue = 0;
};
