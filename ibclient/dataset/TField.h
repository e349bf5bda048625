// TField: the typed, named access to one column of a record set's current
// row, and the enumerations that describe fields. A field reads and writes
// its value through its record set (GetFieldData / SetFieldData) in the
// field's native form; the typed accessors and the text interface are built
// on that by each field class.
//
// Native forms, per class (the bytes a record set exchanges with a field):
// text: UTF-16 code units ended by a 0 (at most Size + 1 characters);
// smallint 2 bytes; integer 4; largeint 8; float 8 (double); BCD 8 (int64
// count of ten-thousandths); FMTBcd 34 (binary-coded decimal); date 4 (int32
// day number, 0001-01-01 = day 1); time 4 (int32 milliseconds since
// midnight); date-time 8 (double: day number × 86 400 000 + milliseconds);
// boolean 2 (16-bit, 1 = true); blob and memo 0.
//
// The non-native form differs for dates and times: a date-time value (days
// since 1899-12-30 as a double). The field converts between the two; a BCD
// value is exchanged as its int64 in both forms.
#pragma once

#include "ibclient/base/TComponent.h"

#include <QString>
#include <QVariant>

#include <bitset>
#include <cstdint>
#include <functional>

class TDataSet;

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
    ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd, ftFixedWideChar, ftWideMemo
};

// Field types whose fields are objects of their own (never created here).
bool IsObjectFieldType(TFieldType type);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TProviderFlag : unsigned { pfInUpdate = 1, pfInWhere = 2, pfInKey = 4, pfHidden = 8 };
using TProviderFlags = unsigned;

// A currency value: a signed 64-bit count of ten-thousandths.
using TCurrency = std::int64_t;

class TField : public TComponent {
public:
    using TFieldNotifyEvent = std::function<void(TField* Sender)>;
    using TFieldGetTextEvent = std::function<void(TField* Sender, QString& Text, bool DisplayText)>;
    using TFieldSetTextEvent = std::function<void(TField* Sender, const QString& Text)>;

    explicit TField(TComponent* AOwner);
    ~TField() override;

    // The record set the field belongs to; setting it moves the field into
    // that record set's field list.
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* ADataSet);

    const QString& FieldName() const { return FFieldName; }
    void SetFieldName(const QString& Value);
    TFieldType DataType() const { return FDataType; }
    // Set by each class's constructor, then from the field's definition.
    void SetDataType(TFieldType Value) { FDataType = Value; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind Value) { FFieldKind = Value; }
    // The column's position in the select, from 1; 0 while unbound, -1 for
    // calculated fields.
    int FieldNo() const { return FFieldNo; }
    int Size() const { return FSize; }
    void SetSize(int Value);
    // Bytes of the value in native form.
    virtual int DataSize() const { return 0; }
    bool Required() const { return FRequired; }
    void SetRequired(bool Value) { FRequired = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    const QString& DisplayLabel() const { return FDisplayLabel; }
    void SetDisplayLabel(const QString& Value);
    // The label, or the field name when no label is set.
    QString DisplayName() const;
    // Width of the column in characters; 0 stands for the class default.
    int DisplayWidth() const;
    void SetDisplayWidth(int Value);
    const QString& EditMask() const { return FEditMask; }
    void SetEditMask(const QString& Value) { FEditMask = Value; }
    TProviderFlags ProviderFlags() const { return FProviderFlags; }
    void SetProviderFlags(TProviderFlags Value) { FProviderFlags = Value; }
    const QString& Origin() const { return FOrigin; }
    void SetOrigin(const QString& Value) { FOrigin = Value; }
    bool IsBlob() const;
    // The index of the field in its record set's field list, or -1.
    int Index() const;

    void SetOnGetText(TFieldGetTextEvent Value) { FOnGetText = std::move(Value); }
    void SetOnSetText(TFieldSetTextEvent Value) { FOnSetText = std::move(Value); }
    void SetOnValidate(TFieldNotifyEvent Value) { FOnValidate = std::move(Value); }
    void SetOnChange(TFieldNotifyEvent Value) { FOnChange = std::move(Value); }

    // The raw transfer. Buffer nullptr on a read only asks whether there is a
    // value; on a write it means null. Answers whether the field has a value.
    bool GetData(void* Buffer, bool NativeFormat = true) const;
    void SetData(const void* Buffer, bool NativeFormat = true);

    virtual bool IsNull() const;
    virtual void Clear();
    virtual bool CanModify() const;
    // Whether the user may type the character into this field.
    virtual bool IsValidChar(QChar InputChar) const;
    // Asks the views to put the focus on this field.
    void FocusControl();

    // The text interface: Text is the edit text, DisplayText the shown one.
    QString Text() const;
    void SetText(const QString& Value);
    QString DisplayText() const;

    virtual QString AsString() const;
    virtual void SetAsString(const QString& Value);
    virtual std::int32_t AsInteger() const;
    virtual void SetAsInteger(std::int32_t Value);
    virtual std::int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(std::int64_t Value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double Value);
    virtual TCurrency AsCurrency() const;
    virtual void SetAsCurrency(TCurrency Value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool Value);
    virtual double AsDateTime() const;
    virtual void SetAsDateTime(double Value);
    // Null when the field has no value, else the value in its natural type.
    virtual QVariant AsVariant() const;
    virtual void SetAsVariant(const QVariant& Value);

    // For the record set's field data write: runs the validation hook with
    // Buffer (the value in native form, nullptr for null) as the field's
    // value while the hook looks at it.
    void Validate(const void* Buffer);
    // For the record set, after it stored a value: fires OnChange.
    void Change();
    // For the record set's binding: the column position from the definition.
    void SetFieldNo(int Value) { FFieldNo = Value; }
    // Called when the record set binds (true) or unbinds (false) its fields.
    virtual void Bind(bool Binding);

protected:
    // The class's edit text (DisplayText false) or display text (true).
    virtual QString GetText(bool DisplayText) const;
    virtual void SetTextValue(const QString& Value) { SetAsString(Value); }
    virtual int DefaultDisplayWidth() const { return 10; }
    // Raises "Invalid field size" for a size the class cannot take.
    virtual void CheckSize(int Value) const;
    // Whether native and non-native forms differ for this field's type.
    virtual bool HasNonNativeForm() const { return false; }
    // Converts between the native form and the non-native one; only called
    // when HasNonNativeForm answers true.
    virtual void ToNonNative(const void* Native, void* Value) const;
    virtual void FromNonNative(const void* Value, void* Native) const;
    // Bytes of a scratch area for the native form (room for a terminator
    // where the class needs one).
    virtual int NativeBufferSize() const { return DataSize(); }
    // Copies a value in native form (the validation hook's read).
    virtual void CopyValue(const void* Source, void* Destination) const;

    // The characters a user may type; all characters when AllChars is set.
    void SetValidChars(const QString& Characters);
    void SetAllValidChars();

    // Tells the views that a display property changed.
    void PropertyChanged(bool LayoutAffected);

    // Raises "Cannot access field '%s' as type %s".
    [[noreturn]] void AccessError(const char* TypeName) const;

private:
    bool ReadNative(void* Buffer) const;

    friend class TFields;

    TDataSet* FDataSet = nullptr;
    QString FFieldName;
    std::size_t FNameHash = 0; // of the case-folded name, compared first when searching
    TFieldType FDataType = ftUnknown;
    TFieldKind FFieldKind = fkData;
    int FFieldNo = 0;
    int FSize = 0;
    bool FRequired = false;
    bool FReadOnly = false;
    bool FVisible = true;
    TAlignment FAlignment = taLeftJustify;
    QString FDisplayLabel;
    int FDisplayWidth = 0;
    QString FEditMask;
    TProviderFlags FProviderFlags = pfInUpdate | pfInWhere;
    QString FOrigin;
    std::bitset<256> FValidChars;
    bool FAllValidChars = true;
    const void* FValueBuffer = nullptr;
    bool FValidating = false;
    TFieldGetTextEvent FOnGetText;
    TFieldSetTextEvent FOnSetText;
    TFieldNotifyEvent FOnValidate;
    TFieldNotifyEvent FOnChange;
};
