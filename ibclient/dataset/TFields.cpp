#include "ibclient/dataset/TFields.h"

#include "ibclient/dataset/TField.h"

#include <algorithm>

int TFields::IndexOf(const TField* Field) const
{
    const auto it = std::find(FList.begin(), FList.end(), Field);
    return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

TField* TFields::FindField(const QString& FieldName) const
{
    const std::size_t hash = qHash(FieldName.toCaseFolded());
    for (TField* field : FList)
        if (field->FNameHash == hash && field->FieldName().compare(FieldName, Qt::CaseInsensitive) == 0)
            return field;
    return nullptr;
}

void TFields::SetFieldIndex(TField* Field, int Value)
{
    const int current = IndexOf(Field);
    if (current < 0)
        return;
    Value = std::clamp(Value, 0, Count() - 1);
    FList.erase(FList.begin() + current);
    FList.insert(FList.begin() + Value, Field);
}

void TFields::Add(TField* Field)
{
    FList.push_back(Field);
}

void TFields::Remove(TField* Field)
{
    std::erase(FList, Field);
}
