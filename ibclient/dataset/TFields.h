// TFields: a record set's list of field objects, in order. The list does not
// own the fields (their owner component does); a field enters and leaves the
// list through TField::SetDataSet.
#pragma once

#include <QString>

#include <vector>

class TField;

class TFields {
public:
    TFields() = default;
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    int Count() const { return static_cast<int>(FList.size()); }
    TField* Fields(int index) const { return FList.at(static_cast<std::size_t>(index)); }
    TField* operator[](int index) const { return Fields(index); }
    int IndexOf(const TField* Field) const;
    // Compares names without regard to letter case; nullptr when none.
    TField* FindField(const QString& FieldName) const;

    // Moves a field to another place in the list (the grid's column moves).
    void SetFieldIndex(TField* Field, int Value);

    std::vector<TField*>::const_iterator begin() const { return FList.begin(); }
    std::vector<TField*>::const_iterator end() const { return FList.end(); }

private:
    friend class TField;
    void Add(TField* Field);
    void Remove(TField* Field);

    std::vector<TField*> FList;
};
