#include "grid/TDBGridColumns.h"

void TColumn::SetField(TField* Value)
{
    FField = Value;
    if (Value)
        FFieldName = Value->FieldName();
}

QString TColumn::Title() const
{
    return FField ? FField->DisplayName() : FFieldName;
}

TAlignment TColumn::Alignment() const
{
    return FField ? FField->Alignment() : taLeftJustify;
}

TColumn* TDBGridColumns::Add(TField* Field)
{
    FItems.push_back(std::make_unique<TColumn>(Field));
    return FItems.back().get();
}

void TDBGridColumns::Delete(int Index)
{
    FItems.erase(FItems.begin() + Index);
}

void TDBGridColumns::Move(int From, int To)
{
    if (From == To)
        return;
    std::unique_ptr<TColumn> column = std::move(FItems[static_cast<std::size_t>(From)]);
    FItems.erase(FItems.begin() + From);
    FItems.insert(FItems.begin() + To, std::move(column));
}

int TDBGridColumns::IndexOfField(const TField* Field, int Start) const
{
    for (int i = Start; i < Count(); ++i)
        if (FItems[static_cast<std::size_t>(i)]->Field() == Field)
            return i;
    return -1;
}
