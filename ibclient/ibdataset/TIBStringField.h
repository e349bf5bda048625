// TIBStringField: the text field of the Firebird record set. An empty text
// is stored as null while EmptyAsNull is set (the default).
#pragma once

#include "ibclient/dataset/TStringField.h"

class TIBStringField : public TWideStringField {
public:
    explicit TIBStringField(TComponent* AOwner);

    // An empty text is stored as null.
    bool EmptyAsNull() const { return FEmptyAsNull; }
    void SetEmptyAsNull(bool Value) { FEmptyAsNull = Value; }

    void SetAsString(const QString& Value) override;

private:
    bool FEmptyAsNull = true;
};
