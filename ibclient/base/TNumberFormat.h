// TNumberFormat: numbers to text and back by the regional settings, as the
// numeric fields need them: the general form of a float, currency values
// (int64 ten-thousandths) as decimal text, format patterns ("#,##0.00",
// "0.###E+00", sections for positive;negative;zero), and the parsers for
// integer, float and currency text. Scaled values are formatted and parsed
// as decimal digits, never through double.
#pragma once

#include <QChar>
#include <QString>

#include <cstdint>
#include <optional>

class TNumberFormat {
public:
    // Up to Precision significant digits in the shortest general form, with
    // the locale's decimal separator: "0.3", "1E20", "1.5E-7".
    static QString FloatToStrGeneral(double Value, int Precision = 15);
    // A count of ten-thousandths as a decimal with up to four decimals and
    // no trailing zeros: 12345 → "1.2345", 10000 → "1".
    static QString CurrToStr(std::int64_t Value);
    // Fixed notation with Decimals decimals.
    static QString FloatToStrFixed(double Value, int Decimals);
    static QString CurrToStrFixed(std::int64_t Value, int Decimals);
    // The locale's currency form.
    static QString FloatToCurrencyText(double Value);

    // Formats by a pattern; the sections, digit placeholders, decimal point,
    // thousands separator, exponent and quoted literals of the pattern
    // language are honoured.
    static QString FormatFloat(const QString& Pattern, double Value);
    static QString FormatCurr(const QString& Pattern, std::int64_t Value);

    // Integer text: leading blanks, an optional sign, decimal digits or
    // hexadecimal ones after "$", "x", "X", "0x" or "0X", nothing after.
    // Hexadecimal digits give the bit pattern of a Bits-bit number. Answers
    // nothing when the text does not parse or does not fit.
    static std::optional<std::int64_t> ParseInteger(const QString& Text, int Bits);
    // Float text by the locale: blanks around, sign, digits with the
    // decimal separator, optional exponent.
    static std::optional<double> ParseFloat(const QString& Text);
    // The same syntax, as a count of ten-thousandths (rounded half away from
    // zero at the fifth decimal); nothing when it does not fit in 64 bits.
    static std::optional<std::int64_t> ParseCurrency(const QString& Text);
    // The same syntax as exact decimal digits: sign, the digits and the
    // number of them after the decimal point.
    struct TDecimal {
        bool Negative = false;
        QString Digits; // without leading zeros beyond the units digit
        int Places = 0;
    };
    static std::optional<TDecimal> ParseDecimal(const QString& Text);

    // The range message's number form (%g): up to 15 significant digits.
    static QString FormatG(double Value);
};
