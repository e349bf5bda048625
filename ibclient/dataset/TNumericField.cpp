#include "ibclient/dataset/TNumericField.h"

#include "ibclient/base/TNumberFormat.h"
#include "ibclient/dataset/TDataSet.h"

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner)
{
    SetAlignment(taRightJustify);
}

void TNumericField::SetDisplayFormat(const QString& Value)
{
    if (FDisplayFormat != Value) {
        FDisplayFormat = Value;
        PropertyChanged(false);
    }
}

void TNumericField::SetEditFormat(const QString& Value)
{
    if (FEditFormat != Value) {
        FEditFormat = Value;
        PropertyChanged(false);
    }
}

const QString& TNumericField::FormatFor(bool DisplayText) const
{
    if (DisplayText || FEditFormat.isEmpty())
        return FDisplayFormat;
    return FEditFormat;
}

void TNumericField::RangeError(double Value, double Min, double Max) const
{
    DatabaseError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                      .arg(TNumberFormat::FormatG(Value), DisplayName(), TNumberFormat::FormatG(Min),
                           TNumberFormat::FormatG(Max)));
}

// Conversion failures are EConvertError: text that does not convert, as the
// connection's parameter parsing reports it too.
void TNumericField::IntegerConvertError(const QString& Text) const
{
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(Text, DisplayName()));
}

void TNumericField::FloatConvertError(const QString& Text) const
{
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(Text, DisplayName()));
}
