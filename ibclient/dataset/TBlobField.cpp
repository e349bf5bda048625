#include "ibclient/dataset/TBlobField.h"

#include "ibclient/dataset/TDataSet.h"

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner)
{
    SetDataType(ftBlob);
}

void TBlobField::CheckSize(int Value) const
{
    if (Value < 0)
        DatabaseError(QStringLiteral("Invalid field size"));
}

QString TBlobField::GetText(bool) const
{
    const QString text = QStringLiteral("(%1)").arg(TypeName());
    return IsNull() ? text : text.toUpper();
}

QString TBlobField::AsString() const
{
    if (IsNull())
        return QString();
    AccessError("String");
}

QVariant TBlobField::AsVariant() const
{
    if (IsNull())
        return QVariant();
    AccessError("Variant");
}

TWideMemoField::TWideMemoField(TComponent* AOwner) : TBlobField(AOwner)
{
    SetDataType(ftWideMemo);
}
