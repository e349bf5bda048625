// TBooleanField: a boolean column, kept as a 16-bit number (1 = true). Its
// text is "True" or "False", or the two texts set with DisplayValues
// ("Yes;No").
#pragma once

#include "ibclient/dataset/TField.h"

class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* AOwner);

    int DataSize() const override { return 2; }
    // The true and false texts, as "true text;false text".
    QString DisplayValues() const;
    void SetDisplayValues(const QString& Value);

    QString AsString() const override;
    void SetAsString(const QString& Value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool Value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t Value) override;
    QVariant AsVariant() const override;

protected:
    // The length of the longer of the two texts.
    int DefaultDisplayWidth() const override;

private:
    bool GetValue(bool& Value) const;

    QString FTrueText = QStringLiteral("True");
    QString FFalseText = QStringLiteral("False");
};
