// TFieldDef and TFieldDefs: the description of a record set's columns, built
// by the concrete record set's describe step, from which the record set
// creates its fields at opening when no persistent fields exist.
#pragma once

#include "ibclient/dataset/TField.h"

#include <QString>

#include <memory>
#include <vector>

class TDataSet;
class TComponent;

enum TFieldAttribute : unsigned { faHiddenCol = 1, faReadonly = 2, faRequired = 4, faLink = 8, faUnNamed = 16, faFixed = 32 };
using TFieldAttributes = unsigned;

class TFieldDef {
public:
    TFieldDef(TDataSet* ADataSet, const QString& AName, TFieldType ADataType, int ASize, bool ARequired, int AFieldNo);

    const QString& Name() const { return FName; }
    void SetName(const QString& Value) { FName = Value; }
    // The column's position in the select, from 1.
    int FieldNo() const { return FFieldNo; }
    void SetFieldNo(int Value) { FFieldNo = Value; }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType Value) { FDataType = Value; }
    // Text: characters; scaled numbers: decimal places.
    int Size() const { return FSize; }
    void SetSize(int Value) { FSize = Value; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int Value) { FPrecision = Value; }
    // Required follows faRequired in the attributes.
    bool Required() const { return (FAttributes & faRequired) != 0; }
    void SetRequired(bool Value);
    TFieldAttributes Attributes() const { return FAttributes; }
    void SetAttributes(TFieldAttributes Value) { FAttributes = Value; }
    // A computed column: its field becomes an internally calculated one.
    bool InternalCalcField() const { return FInternalCalcField; }
    void SetInternalCalcField(bool Value) { FInternalCalcField = Value; }

    // Creates the field for this definition, owned by AOwner and placed in
    // the record set's field list: the class comes from the record set's
    // field class table; size, name, required, read-only, data type,
    // precision, fixed-length text and kind come from here. Answers nullptr
    // when the type has no field class.
    TField* CreateField(TComponent* AOwner) const;

private:
    TDataSet* FDataSet;
    QString FName;
    TFieldType FDataType;
    int FSize;
    int FPrecision = 0;
    TFieldAttributes FAttributes = 0;
    int FFieldNo;
    bool FInternalCalcField = false;
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* ADataSet) : FDataSet(ADataSet) {}
    TFieldDefs(const TFieldDefs&) = delete;
    TFieldDefs& operator=(const TFieldDefs&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TFieldDef* Items(int index) const { return FItems.at(static_cast<std::size_t>(index)).get(); }
    TFieldDef* operator[](int index) const { return Items(index); }
    // Adds a definition; its field number is its position from 1.
    TFieldDef* AddFieldDef(const QString& Name, TFieldType DataType, int Size = 0, bool Required = false);
    void Clear();
    // Compares names without regard to letter case; -1 / nullptr when none.
    int IndexOf(const QString& Name) const;
    TFieldDef* Find(const QString& Name) const;

    // Cleared when the definitions must be built again.
    bool Updated() const { return FUpdated; }
    void SetUpdated(bool Value) { FUpdated = Value; }

private:
    TDataSet* FDataSet;
    std::vector<std::unique_ptr<TFieldDef>> FItems;
    bool FUpdated = false;
};
