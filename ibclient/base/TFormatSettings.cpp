#include "ibclient/base/TFormatSettings.h"

#include <QRegularExpression>

#include <optional>

namespace {
std::optional<QLocale>& OverrideLocale()
{
    static std::optional<QLocale> locale;
    return locale;
}
} // namespace

QLocale TFormatSettings::Locale()
{
    return OverrideLocale() ? *OverrideLocale() : QLocale::system();
}

void TFormatSettings::SetLocale(const QLocale& locale)
{
    OverrideLocale() = locale;
}

void TFormatSettings::ResetLocale()
{
    OverrideLocale().reset();
}

QChar TFormatSettings::DecimalSeparator()
{
    const QString point = Locale().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}

int TFormatSettings::CurrencyDecimals()
{
    // The locale's currency text of a value with many decimals shows how many
    // it keeps.
    const QLocale locale = Locale();
    const QString text = locale.toCurrencyString(1.0);
    const qsizetype point = text.indexOf(DecimalSeparator());
    if (point < 0)
        return 0;
    int decimals = 0;
    for (qsizetype i = point + 1; i < text.size() && text[i].isDigit(); ++i)
        ++decimals;
    return decimals;
}

QString TFormatSettings::ShortDateFormat()
{
    QString format = Locale().dateFormat(QLocale::ShortFormat);
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

namespace {
QString WithoutTimeZone(QString format)
{
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    format.remove(zone);
    return format.trimmed();
}
} // namespace

QString TFormatSettings::LongTimeFormat()
{
    return WithoutTimeZone(Locale().timeFormat(QLocale::LongFormat));
}

QString TFormatSettings::ShortTimeFormat()
{
    return WithoutTimeZone(Locale().timeFormat(QLocale::ShortFormat));
}
