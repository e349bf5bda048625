// TDateTimeField, TDateField and TTimeField: date and time columns. Their
// value is a date-time value (days since 1899-12-30); in native form a date
// is an int32 day number, a time an int32 count of milliseconds since
// midnight, and a date-and-time a double count of milliseconds (day number ×
// 86 400 000 + time). Text uses the locale's short date and long time
// formats; DisplayFormat, when set, is a Qt date-time pattern.
#pragma once

#include "ibclient/dataset/TField.h"

class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* AOwner);

    int DataSize() const override { return 8; }
    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& Value);

    QString AsString() const override;
    void SetAsString(const QString& Value) override;
    double AsDateTime() const override;
    void SetAsDateTime(double Value) override;
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    QVariant AsVariant() const override;
    // Dates, times and date-times are taken as such; text is parsed.
    void SetAsVariant(const QVariant& Value) override;

protected:
    QString GetText(bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return 18; }
    bool HasNonNativeForm() const override { return true; }
    void ToNonNative(const void* Native, void* Value) const override;
    void FromNonNative(const void* Value, void* Native) const override;
    // The text of a value without DisplayFormat.
    virtual QString FormatValue(double Value) const;
    // Parses text by the locale; false when it does not convert.
    virtual bool ParseValue(const QString& Text, double& Value) const;
    // Fails with the class's "is not a valid ..." message.
    [[noreturn]] virtual void ConvertError(const QString& Text) const;

private:
    QString FDisplayFormat;
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* AOwner);
    int DataSize() const override { return 4; }
    QVariant AsVariant() const override;

protected:
    int DefaultDisplayWidth() const override { return 10; }
    void ToNonNative(const void* Native, void* Value) const override;
    void FromNonNative(const void* Value, void* Native) const override;
    QString FormatValue(double Value) const override;
    bool ParseValue(const QString& Text, double& Value) const override;
    [[noreturn]] void ConvertError(const QString& Text) const override;
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* AOwner);
    int DataSize() const override { return 4; }
    QVariant AsVariant() const override;

protected:
    int DefaultDisplayWidth() const override { return 10; }
    void ToNonNative(const void* Native, void* Value) const override;
    void FromNonNative(const void* Value, void* Native) const override;
    QString FormatValue(double Value) const override;
    bool ParseValue(const QString& Text, double& Value) const override;
    [[noreturn]] void ConvertError(const QString& Text) const override;
};
