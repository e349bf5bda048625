// TStringField and TWideStringField: text columns. Values are UTF-16 text,
// in native form ended by a character 0. Size is the column's length in
// characters.
#pragma once

#include "ibclient/dataset/TField.h"

#include <vector>

class TStringField : public TField {
public:
    explicit TStringField(TComponent* AOwner);

    int DataSize() const override { return 2 * Size() + 2; }
    bool FixedChar() const { return FFixedChar; }
    void SetFixedChar(bool Value);
    bool Transliterate() const { return FTransliterate; }
    void SetTransliterate(bool Value) { FTransliterate = Value; }

    QString AsString() const override;
    void SetAsString(const QString& Value) override;
    std::int32_t AsInteger() const override;
    void SetAsInteger(std::int32_t Value) override;
    double AsFloat() const override;
    void SetAsFloat(double Value) override;
    QVariant AsVariant() const override;

protected:
    int DefaultDisplayWidth() const override { return Size(); }
    // Any size that is not negative.
    void CheckSize(int Value) const override;
    // The non-native form is the text cut to Size + 1 characters.
    bool HasNonNativeForm() const override { return true; }
    int NativeBufferSize() const override { return 2 * Size() + 4; }
    void ToNonNative(const void* Native, void* Value) const override;
    void FromNonNative(const void* Value, void* Native) const override;
    void CopyValue(const void* Source, void* Destination) const override;
    // Writes the text (already known to be non-empty or kept as empty).
    void WriteText(const QString& Value);

private:
    bool FFixedChar = false;
    bool FTransliterate = true;
    // Receives the value on reading: (Size + 1) × 4 bytes, allocated at the
    // first read and kept until the field goes.
    mutable std::vector<char16_t> FValueBuffer;
};

class TWideStringField : public TStringField {
public:
    explicit TWideStringField(TComponent* AOwner);
};
