#include "ibclient/dataset/TFieldDefs.h"

#include "ibclient/dataset/TBCDField.h"
#include "ibclient/dataset/TDataSet.h"
#include "ibclient/dataset/TFMTBCDField.h"
#include "ibclient/dataset/TStringField.h"

TFieldDef::TFieldDef(TDataSet* ADataSet, const QString& AName, TFieldType ADataType, int ASize, bool ARequired, int AFieldNo)
    : FDataSet(ADataSet), FName(AName), FDataType(ADataType), FSize(ASize), FFieldNo(AFieldNo)
{
    SetRequired(ARequired);
}

void TFieldDef::SetRequired(bool Value)
{
    if (Value)
        FAttributes |= faRequired;
    else
        FAttributes &= ~static_cast<TFieldAttributes>(faRequired);
}

TField* TFieldDef::CreateField(TComponent* AOwner) const
{
    const TDataSet::TFieldClass fieldClass = FDataSet->GetFieldClass(FDataType);
    if (!fieldClass)
        return nullptr;
    TField* field = fieldClass(AOwner);
    try {
        field->SetSize(FSize);
        field->SetFieldName(FName);
        field->SetRequired(Required());
        field->SetReadOnly((FAttributes & faReadonly) != 0);
        field->SetDataType(FDataType);
        if (auto* bcd = dynamic_cast<TBCDField*>(field))
            bcd->SetPrecision(FPrecision);
        if (auto* fmtBcd = dynamic_cast<TFMTBCDField*>(field))
            fmtBcd->SetPrecision(FPrecision);
        if (auto* text = dynamic_cast<TStringField*>(field))
            text->SetFixedChar((FAttributes & faFixed) != 0);
        if (FInternalCalcField)
            field->SetFieldKind(fkInternalCalc);
        field->SetDataSet(FDataSet);
    } catch (...) {
        delete field;
        throw;
    }
    return field;
}

TFieldDef* TFieldDefs::AddFieldDef(const QString& Name, TFieldType DataType, int Size, bool Required)
{
    FItems.push_back(std::make_unique<TFieldDef>(FDataSet, Name, DataType, Size, Required, Count() + 1));
    return FItems.back().get();
}

void TFieldDefs::Clear()
{
    FItems.clear();
    FUpdated = false;
}

int TFieldDefs::IndexOf(const QString& Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<std::size_t>(i)]->Name().compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TFieldDef* TFieldDefs::Find(const QString& Name) const
{
    const int index = IndexOf(Name);
    return index < 0 ? nullptr : Items(index);
}
