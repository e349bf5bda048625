// TColumn and TDBGridColumns: the grid's columns. Each column is bound to one
// field of the record set by the field's name; its title, alignment,
// read-only flag and tab stop follow from the field and the grid. The grid
// derives the columns from the record set's fields every time its layout is
// rebuilt, so a column lives only while the record set stays open.
#pragma once

#include "ibclient/dataset/TField.h"

#include <QString>

#include <memory>
#include <vector>

class TColumn {
public:
    TColumn() = default;
    explicit TColumn(TField* Field) { SetField(Field); }

    // The bound field, or nullptr for the blank column of a closed grid.
    TField* Field() const { return FField; }
    void SetField(TField* Value);
    const QString& FieldName() const { return FFieldName; }

    // The field's display name; with no field, the column's field name.
    QString Title() const;
    // The field's alignment; left without a field.
    TAlignment Alignment() const;

    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    // The operator resized the column: layouts keep its width.
    bool WidthAssigned() const { return FWidthAssigned; }
    void SetWidthAssigned(bool Value) { FWidthAssigned = Value; }

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value) { FTabStop = Value; }
    // The grid's own read-only flag is added by the grid.
    bool ReadOnly() const { return FField && FField->ReadOnly(); }

private:
    TField* FField = nullptr;
    QString FFieldName;
    int FWidth = 64;
    bool FWidthAssigned = false;
    bool FTabStop = false;
};

class TDBGridColumns {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // Index from 0; column i is the grid's data column i + 1.
    TColumn* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)).get(); }
    TColumn* operator[](int Index) const { return Items(Index); }

    TColumn* Add(TField* Field = nullptr);
    void Delete(int Index);
    void Clear() { FItems.clear(); }
    // Moves column From to position To, the others shifting.
    void Move(int From, int To);
    // The first column at or after Start bound to Field, or -1.
    int IndexOfField(const TField* Field, int Start = 0) const;

private:
    std::vector<std::unique_ptr<TColumn>> FItems;
};
