#include "ibclient/base/TNumberFormat.h"

#include "ibclient/base/TFormatSettings.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <limits>

namespace {

QString WithSeparator(QString text)
{
    const QChar separator = TFormatSettings::DecimalSeparator();
    if (separator != u'.')
        text.replace(u'.', separator);
    return text;
}

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Rounds an unsigned decimal "I.F" (F may be empty) to Decimals places, half
// away from zero, answering "I" or "I.FFF" with exactly Decimals places.
QString RoundDecimalText(const QString& text, int decimals)
{
    qsizetype point = text.indexOf(u'.');
    QString intPart = point < 0 ? text : text.left(point);
    QString fracPart = point < 0 ? QString() : text.mid(point + 1);
    if (intPart.isEmpty())
        intPart = QStringLiteral("0");
    bool roundUp = fracPart.size() > decimals && fracPart[decimals] >= u'5';
    fracPart = fracPart.left(decimals).leftJustified(decimals, u'0');
    QString digits = intPart + fracPart;
    if (roundUp) {
        qsizetype i = digits.size() - 1;
        for (; i >= 0; --i) {
            if (digits[i] == u'9') {
                digits[i] = u'0';
            } else {
                digits[i] = QChar(digits[i].unicode() + 1);
                break;
            }
        }
        if (i < 0)
            digits.prepend(u'1');
    }
    const qsizetype intLength = digits.size() - decimals;
    QString result = digits.left(intLength);
    if (decimals > 0)
        result += u'.' + digits.mid(intLength);
    return result;
}

QString CurrencyDigits(std::int64_t value)
{
    // Unsigned magnitude, exact also for the smallest int64.
    const std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const QString whole = QString::number(magnitude / 10000);
    const QString fraction = QString::number(magnitude % 10000).rightJustified(4, u'0');
    return whole + u'.' + fraction;
}

struct Section {
    QString prefix, suffix;
    int minInt = 0;        // '0' placeholders before the point
    int minFrac = 0;       // '0' placeholders after the point
    int maxFrac = 0;       // all placeholders after the point
    bool grouping = false; // ',' among the integer placeholders
    bool scientific = false;
    bool expSign = false;  // "E+": the sign always shown
    QChar expChar = u'E';
    int expDigits = 0;
    bool hasDigits = false;
};

QStringList SplitSections(const QString& pattern)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            current += c;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            current += c;
        } else if (c == u';') {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

Section ParseSection(const QString& pattern)
{
    Section s;
    enum { Prefix, Number, Suffix } part = Prefix;
    bool afterPoint = false;
    QChar quote;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                (part == Suffix ? s.suffix : s.prefix) += c;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            if (part == Number)
                part = Suffix;
            continue;
        }
        const bool placeholder = c == u'0' || c == u'#';
        if (part != Suffix && (placeholder || c == u'.' || (c == u',' && part == Number))) {
            part = Number;
            s.hasDigits = s.hasDigits || placeholder;
            if (c == u'.') {
                afterPoint = true;
            } else if (c == u',') {
                s.grouping = true;
            } else if (afterPoint) {
                ++s.maxFrac;
                if (c == u'0')
                    s.minFrac = s.maxFrac;
            } else if (c == u'0') {
                ++s.minInt;
            }
            continue;
        }
        if (part == Number && (c == u'E' || c == u'e') && i + 1 < pattern.size()
            && (pattern[i + 1] == u'+' || pattern[i + 1] == u'-')) {
            s.scientific = true;
            s.expChar = c;
            s.expSign = pattern[i + 1] == u'+';
            i += 2;
            while (i < pattern.size() && pattern[i] == u'0') {
                ++s.expDigits;
                ++i;
            }
            --i;
            part = Suffix;
            continue;
        }
        if (part == Number)
            part = Suffix;
        (part == Suffix ? s.suffix : s.prefix) += c;
    }
    return s;
}

QString Group(const QString& digits)
{
    const QString separator = TFormatSettings::Locale().groupSeparator();
    QString result;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            result += separator;
        result += digits[i];
    }
    return result;
}

// Renders the magnitude "I.F" (already rounded to maxFrac places) by a
// section.
QString RenderFixed(const Section& s, const QString& rounded)
{
    const qsizetype point = rounded.indexOf(u'.');
    QString intPart = point < 0 ? rounded : rounded.left(point);
    QString fracPart = point < 0 ? QString() : rounded.mid(point + 1);
    while (intPart.size() > 1 && intPart.startsWith(u'0'))
        intPart.remove(0, 1);
    if (intPart == u"0" && s.minInt == 0)
        intPart.clear();
    if (intPart.size() < s.minInt)
        intPart = intPart.rightJustified(s.minInt, u'0');
    while (fracPart.size() > s.minFrac && fracPart.endsWith(u'0'))
        fracPart.chop(1);
    QString text = s.grouping ? Group(intPart) : intPart;
    if (!fracPart.isEmpty())
        text += TFormatSettings::DecimalSeparator() + fracPart;
    return text;
}

QString RenderScientific(const Section& s, double magnitude)
{
    const int intDigits = std::max(s.minInt, 1);
    int exponent = magnitude == 0 ? 0 : static_cast<int>(std::floor(std::log10(magnitude))) - (intDigits - 1);
    QString mantissa = RoundDecimalText(QString::number(magnitude / std::pow(10.0, exponent), 'f', s.maxFrac + 2), s.maxFrac);
    // Rounding may carry into a further digit.
    if (mantissa.indexOf(u'.') > intDigits || (mantissa.indexOf(u'.') < 0 && mantissa.size() > intDigits)) {
        ++exponent;
        mantissa = RoundDecimalText(QString::number(magnitude / std::pow(10.0, exponent), 'f', s.maxFrac + 2), s.maxFrac);
    }
    Section fixed = s;
    fixed.grouping = false;
    QString text = RenderFixed(fixed, mantissa);
    QString exp = QString::number(std::abs(exponent)).rightJustified(s.expDigits, u'0');
    if (exponent < 0)
        exp.prepend(u'-');
    else if (s.expSign)
        exp.prepend(u'+');
    return text + s.expChar + exp;
}

template <class RoundFn>
QString Format(const QString& pattern, bool negative, bool zero, double magnitude, RoundFn roundTo)
{
    const QStringList sections = SplitSections(pattern);
    int index = 0;
    if (zero && sections.size() >= 3 && !sections[2].isEmpty())
        index = 2;
    else if (negative && sections.size() >= 2 && !sections[1].isEmpty())
        index = 1;
    const Section s = ParseSection(sections[index]);
    QString number;
    if (s.hasDigits)
        number = s.scientific ? RenderScientific(s, magnitude) : RenderFixed(s, roundTo(s.maxFrac));
    QString text = s.prefix + number + s.suffix;
    // The first section serves negative values too, with a minus in front,
    // unless the value rounded to zero.
    if (negative && index == 0 && s.hasDigits && number.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        text.prepend(u'-');
    return text;
}

struct Scanned {
    bool negative = false;
    QString digits; // all mantissa digits, without the point
    int places = 0; // digits after the point
    int exponent = 0;
};

// The locale's float syntax; nothing when the text does not match.
std::optional<Scanned> Scan(const QString& text)
{
    const QChar separator = TFormatSettings::DecimalSeparator();
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    qsizetype end = n;
    while (end > i && IsBlank(text[end - 1]))
        --end;
    Scanned r;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        r.negative = text[i] == u'-';
        ++i;
    }
    bool point = false;
    bool anyDigit = false;
    for (; i < end; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            r.digits += c;
            anyDigit = true;
            if (point)
                ++r.places;
        } else if (c == separator && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < end && (text[i] == u'E' || text[i] == u'e')) {
        ++i;
        bool expNegative = false;
        if (i < end && (text[i] == u'+' || text[i] == u'-')) {
            expNegative = text[i] == u'-';
            ++i;
        }
        if (i >= end)
            return std::nullopt;
        long long exponent = 0;
        for (; i < end; ++i) {
            if (text[i] < u'0' || text[i] > u'9')
                return std::nullopt;
            exponent = std::min(exponent * 10 + (text[i].unicode() - u'0'), 100000LL);
        }
        r.exponent = static_cast<int>(expNegative ? -exponent : exponent);
    }
    if (i != end)
        return std::nullopt;
    return r;
}

} // namespace

QString TNumberFormat::FloatToStrGeneral(double Value, int Precision)
{
    if (std::isnan(Value))
        return QStringLiteral("NAN");
    if (std::isinf(Value))
        return Value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (Value == 0)
        return QStringLiteral("0");
    // Round to Precision significant digits first, then choose the form.
    const QString e = QString::number(Value, 'e', Precision - 1);
    const qsizetype ePos = e.indexOf(u'e');
    const int exponent = e.mid(ePos + 1).toInt();
    const double magnitude = std::fabs(Value);
    QString text;
    if (exponent < Precision && magnitude >= 0.00001) {
        const int decimals = std::max(Precision - 1 - exponent, 0);
        text = QString::number(e.toDouble(), 'f', decimals);
        if (text.contains(u'.')) {
            while (text.endsWith(u'0'))
                text.chop(1);
            if (text.endsWith(u'.'))
                text.chop(1);
        }
    } else {
        QString mantissa = e.left(ePos);
        if (mantissa.contains(u'.')) {
            while (mantissa.endsWith(u'0'))
                mantissa.chop(1);
            if (mantissa.endsWith(u'.'))
                mantissa.chop(1);
        }
        text = mantissa + u'E' + QString::number(exponent);
    }
    return WithSeparator(text);
}

QString TNumberFormat::CurrToStr(std::int64_t Value)
{
    QString text = CurrencyDigits(Value);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    if (Value < 0)
        text.prepend(u'-');
    return WithSeparator(text);
}

QString TNumberFormat::FloatToStrFixed(double Value, int Decimals)
{
    return WithSeparator(QString::number(Value, 'f', Decimals));
}

QString TNumberFormat::CurrToStrFixed(std::int64_t Value, int Decimals)
{
    QString text = RoundDecimalText(CurrencyDigits(Value), Decimals);
    if (Value < 0 && text.contains(QRegularExpression(QStringLiteral("[1-9]"))))
        text.prepend(u'-');
    return WithSeparator(text);
}

QString TNumberFormat::FloatToCurrencyText(double Value)
{
    return TFormatSettings::Locale().toCurrencyString(Value);
}

QString TNumberFormat::FormatFloat(const QString& Pattern, double Value)
{
    // Infinities and NaN have no digits for a pattern to lay out.
    if (!std::isfinite(Value))
        return FloatToStrGeneral(Value);
    const double magnitude = std::fabs(Value);
    return Format(Pattern, Value < 0, Value == 0, magnitude,
                  [&](int decimals) { return QString::number(magnitude, 'f', decimals); });
}

QString TNumberFormat::FormatCurr(const QString& Pattern, std::int64_t Value)
{
    const QString digits = CurrencyDigits(Value);
    const double magnitude = std::fabs(static_cast<double>(Value) / 10000.0);
    return Format(Pattern, Value < 0, Value == 0, magnitude,
                  [&](int decimals) { return RoundDecimalText(digits, decimals); });
}

std::optional<std::int64_t> TNumberFormat::ParseInteger(const QString& Text, int Bits)
{
    qsizetype i = 0;
    const qsizetype n = Text.size();
    while (i < n && IsBlank(Text[i]))
        ++i;
    bool negative = false;
    if (i < n && (Text[i] == u'+' || Text[i] == u'-')) {
        negative = Text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && (Text[i] == u'$' || Text[i] == u'x' || Text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && Text[i] == u'0' && (Text[i + 1] == u'x' || Text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return std::nullopt;
    const std::uint64_t unsignedMax = Bits >= 64 ? std::numeric_limits<std::uint64_t>::max() : (std::uint64_t{1} << Bits) - 1;
    const std::uint64_t limit = base == 16 ? unsignedMax : (std::uint64_t{1} << (Bits - 1)) - (negative ? 0 : 1);
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const char16_t c = Text[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            return std::nullopt;
        if (value > (limit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base))
            return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    std::int64_t result;
    if (base == 16 && Bits < 64 && value >= (std::uint64_t{1} << (Bits - 1)))
        result = static_cast<std::int64_t>(value) - (std::int64_t{1} << Bits); // the bit pattern's signed value
    else
        result = static_cast<std::int64_t>(value); // two's complement for 64-bit hexadecimal and the smallest value
    if (negative) {
        // The smallest bit pattern has no negative that fits: "-$8000" would
        // be 32768 for 16 bits.
        const std::int64_t lowest = Bits >= 64 ? std::numeric_limits<std::int64_t>::min() : -(std::int64_t{1} << (Bits - 1));
        if (base == 16 && result == lowest)
            return std::nullopt;
        result = static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(result));
    }
    return result;
}

std::optional<double> TNumberFormat::ParseFloat(const QString& Text)
{
    const std::optional<Scanned> scanned = Scan(Text);
    if (!scanned)
        return std::nullopt;
    QString c = scanned->digits;
    c.insert(c.size() - scanned->places, u'.');
    c += u'e' + QString::number(scanned->exponent);
    bool ok = false;
    double value = c.toDouble(&ok); // QString::toDouble reads the C locale
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return scanned->negative ? -value : value;
}

std::optional<TNumberFormat::TDecimal> TNumberFormat::ParseDecimal(const QString& Text)
{
    const std::optional<Scanned> scanned = Scan(Text);
    if (!scanned || scanned->exponent > 1000 || scanned->exponent < -1000)
        return std::nullopt;
    TDecimal d;
    d.Negative = scanned->negative;
    QString digits = scanned->digits;
    int places = scanned->places - scanned->exponent;
    if (places < 0) {
        digits += QString(-places, u'0');
        places = 0;
    }
    while (digits.size() > places + 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    if (digits.size() < places + 1)
        digits = digits.rightJustified(places + 1, u'0');
    d.Digits = digits;
    d.Places = places;
    return d;
}

std::optional<std::int64_t> TNumberFormat::ParseCurrency(const QString& Text)
{
    const std::optional<TDecimal> d = ParseDecimal(Text);
    if (!d)
        return std::nullopt;
    QString plain = d->Digits;
    plain.insert(plain.size() - d->Places, u'.');
    const QString rounded = RoundDecimalText(plain, 4);
    QString digits = rounded;
    digits.remove(u'.');
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    if (digits.size() > 19)
        return std::nullopt;
    bool ok = false;
    const qulonglong magnitude = digits.toULongLong(&ok);
    const qulonglong limit = static_cast<qulonglong>(std::numeric_limits<std::int64_t>::max()) + (d->Negative ? 1 : 0);
    if (!ok || magnitude > limit)
        return std::nullopt;
    return d->Negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

QString TNumberFormat::FormatG(double Value)
{
    return FloatToStrGeneral(Value, 15);
}
