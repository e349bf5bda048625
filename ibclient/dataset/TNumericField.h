// TNumericField: the base of the numeric field classes: right-aligned, with
// display and edit format patterns, and the range message they share.
#pragma once

#include "ibclient/dataset/TField.h"

class TNumericField : public TField {
public:
    explicit TNumericField(TComponent* AOwner);

    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& Value);
    const QString& EditFormat() const { return FEditFormat; }
    void SetEditFormat(const QString& Value);

protected:
    // The pattern for display text, or for edit text (the edit format, else
    // the display format).
    const QString& FormatFor(bool DisplayText) const;
    // Fails with "%g is not a valid value for field '%s'. The allowed range
    // is %g to %g".
    [[noreturn]] void RangeError(double Value, double Min, double Max) const;
    // Fails with "'%s' is not a valid integer value for field '%s'" or the
    // floating-point form of that message.
    [[noreturn]] void IntegerConvertError(const QString& Text) const;
    [[noreturn]] void FloatConvertError(const QString& Text) const;

private:
    QString FDisplayFormat;
    QString FEditFormat;
};
