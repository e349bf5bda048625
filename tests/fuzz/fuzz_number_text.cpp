// Fuzzes the number parsers and the format patterns under a few regional
// settings (the first byte picks one: "." or "," or the Arabic decimal
// separator). Besides not crashing:
// - an integer parsed for 16, 32 or 64 bits lies in that range, parses for
//   every wider size too, and its decimal text parses back to it;
// - a parsed float is finite and its 17-digit general text parses back to it;
// - a parsed currency value's text parses back to the same count;
// - a parsed decimal has only digits, at least one before the point and no
//   leading zero beyond the units digit;
// - a format pattern formats any value (also infinities and NaN, taken from
//   the raw bytes) without failing.
#include "FuzzSupport.h"

#include "ibclient/base/TFormatSettings.h"
#include "ibclient/base/TNumberFormat.h"

#include <QLocale>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const std::array<QLocale, 3>& Locales()
{
    static const std::array<QLocale, 3> locales = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                                   QLocale(QLocale::Arabic, QLocale::Egypt)};
    return locales;
}

void CheckIntegers(const QString& text)
{
    std::optional<std::int64_t> previous;
    for (int bits : {16, 32, 64}) {
        const std::optional<std::int64_t> value = TNumberFormat::ParseInteger(text, bits);
        if (previous)
            FUZZ_CHECK(value.has_value(), text);
        if (!value)
            continue;
        const std::int64_t low = bits == 64 ? std::numeric_limits<std::int64_t>::min() : -(std::int64_t{1} << (bits - 1));
        const std::int64_t high = bits == 64 ? std::numeric_limits<std::int64_t>::max() : (std::int64_t{1} << (bits - 1)) - 1;
        FUZZ_CHECK(*value >= low && *value <= high, text);
        FUZZ_CHECK(TNumberFormat::ParseInteger(QString::number(*value), bits) == value, text);
        previous = value;
    }
}

void CheckFloat(const QString& text)
{
    const std::optional<double> value = TNumberFormat::ParseFloat(text);
    if (!value)
        return;
    FUZZ_CHECK(std::isfinite(*value), text);
    const QString general = TNumberFormat::FloatToStrGeneral(*value, 17);
    FUZZ_CHECK(TNumberFormat::ParseFloat(general) == value, text + QLatin1String(" -> ") + general);
    TNumberFormat::FloatToStrGeneral(*value, 15);
}

void CheckCurrency(const QString& text)
{
    const std::optional<std::int64_t> value = TNumberFormat::ParseCurrency(text);
    if (!value)
        return;
    const QString back = TNumberFormat::CurrToStr(*value);
    FUZZ_CHECK(TNumberFormat::ParseCurrency(back) == value, text + QLatin1String(" -> ") + back);
    TNumberFormat::CurrToStrFixed(*value, 2);
}

void CheckDecimal(const QString& text)
{
    const std::optional<TNumberFormat::TDecimal> d = TNumberFormat::ParseDecimal(text);
    if (!d)
        return;
    FUZZ_CHECK(d->Places >= 0 && d->Digits.size() >= d->Places + 1, text);
    for (QChar c : d->Digits)
        FUZZ_CHECK(c >= u'0' && c <= u'9', text);
    FUZZ_CHECK(d->Digits.size() == d->Places + 1 || d->Digits.front() != u'0', text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    TFormatSettings::SetLocale(Locales()[data[0] % Locales().size()]);
    const QString text = fuzz::Utf8(data + 1, size - 1);
    CheckIntegers(text);
    CheckFloat(text);
    CheckCurrency(text);
    CheckDecimal(text);

    // The text as a pattern, for the parsed value and for raw bit patterns.
    double raw = 0;
    std::int64_t rawCurrency = 0;
    if (size >= 9) {
        std::memcpy(&raw, data + 1, sizeof raw);
        std::memcpy(&rawCurrency, data + 1, sizeof rawCurrency);
    }
    for (double value : {TNumberFormat::ParseFloat(text).value_or(0.0), raw})
        TNumberFormat::FormatFloat(text, value);
    TNumberFormat::FormatCurr(text, rawCurrency);
    TNumberFormat::FormatCurr(text, TNumberFormat::ParseCurrency(text).value_or(0));
    return 0;
}
