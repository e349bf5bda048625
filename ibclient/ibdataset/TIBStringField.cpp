#include "ibclient/ibdataset/TIBStringField.h"

TIBStringField::TIBStringField(TComponent* AOwner) : TWideStringField(AOwner) {}

void TIBStringField::SetAsString(const QString& Value)
{
    if (FEmptyAsNull && (Value.isEmpty() || Value.front() == QChar(0)))
        SetData(nullptr);
    else
        WriteText(Value);
}
