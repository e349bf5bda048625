#include "ibclient/dataset/TBooleanField.h"

#include "ibclient/dataset/TDataSet.h"

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner)
{
    SetDataType(ftBoolean);
}

QString TBooleanField::DisplayValues() const
{
    return FTrueText + u';' + FFalseText;
}

void TBooleanField::SetDisplayValues(const QString& Value)
{
    const qsizetype semicolon = Value.indexOf(u';');
    if (semicolon < 0) {
        FTrueText = Value;
        FFalseText.clear();
    } else {
        FTrueText = Value.left(semicolon);
        FFalseText = Value.mid(semicolon + 1);
    }
    PropertyChanged(true);
}

int TBooleanField::DefaultDisplayWidth() const
{
    return static_cast<int>(std::max(FTrueText.size(), FFalseText.size()));
}

bool TBooleanField::GetValue(bool& Value) const
{
    std::uint16_t word = 0;
    if (!GetData(&word))
        return false;
    Value = word != 0;
    return true;
}

QString TBooleanField::AsString() const
{
    bool value = false;
    if (!GetValue(value))
        return QString();
    return value ? FTrueText : FFalseText;
}

void TBooleanField::SetAsString(const QString& Value)
{
    if (Value.isEmpty()) {
        Clear();
        return;
    }
    // A beginning of either text will do ("T", "fal").
    if (!FTrueText.isEmpty() && FTrueText.startsWith(Value, Qt::CaseInsensitive))
        SetAsBoolean(true);
    else if (!FFalseText.isEmpty() && FFalseText.startsWith(Value, Qt::CaseInsensitive))
        SetAsBoolean(false);
    else
        throw EConvertError(QStringLiteral("'%1' is not a valid boolean value for field '%2'").arg(Value, DisplayName()));
}

bool TBooleanField::AsBoolean() const
{
    bool value = false;
    return GetValue(value) && value;
}

void TBooleanField::SetAsBoolean(bool Value)
{
    const std::uint16_t word = Value ? 1 : 0;
    SetData(&word);
}

std::int32_t TBooleanField::AsInteger() const
{
    return AsBoolean() ? 1 : 0;
}

void TBooleanField::SetAsInteger(std::int32_t Value)
{
    SetAsBoolean(Value != 0);
}

QVariant TBooleanField::AsVariant() const
{
    bool value = false;
    return GetValue(value) ? QVariant(value) : QVariant();
}
