// TIntegerField and TSmallintField: 32-bit and 16-bit integer columns. Text
// is parsed as decimal or hexadecimal digits and checked against the field's
// own range (MinValue to MaxValue, when either is not 0) or else the class
// range.
#pragma once

#include "ibclient/dataset/TNumericField.h"

class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* AOwner);

    int DataSize() const override { return 4; }
    std::int32_t MinValue() const { return FMinValue; }
    void SetMinValue(std::int32_t Value) { FMinValue = Value; }
    std::int32_t MaxValue() const { return FMaxValue; }
    void SetMaxValue(std::int32_t Value) { FMaxValue = Value; }

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
    TIntegerField(TComponent* AOwner, std::int32_t ClassMin, std::int32_t ClassMax);
    QString GetText(bool DisplayText) const override;
    // Reads the value; false when null.
    virtual bool GetValue(std::int32_t& Value) const;
    // Checks the range, then writes.
    void WriteChecked(std::int64_t Value);
    virtual void WriteValue(std::int32_t Value);

private:
    std::int32_t FMinValue = 0;
    std::int32_t FMaxValue = 0;
    std::int32_t FClassMin;
    std::int32_t FClassMax;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* AOwner);
    int DataSize() const override { return 2; }

protected:
    bool GetValue(std::int32_t& Value) const override;
    void WriteValue(std::int32_t Value) override;
};
