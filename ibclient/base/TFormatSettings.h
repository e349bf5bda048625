// TFormatSettings: the user's regional settings as the fields read them
// (decimal separator, currency, date and time formats). They come from
// QLocale::system(); tests replace the locale to check, for example, a locale
// whose decimal separator is a comma.
#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

class TFormatSettings {
public:
    // The locale in force: the one set by SetLocale, else QLocale::system().
    static QLocale Locale();
    static void SetLocale(const QLocale& locale);
    static void ResetLocale();

    static QChar DecimalSeparator();
    static int CurrencyDecimals();
    // The locale's short date format with a four-digit year: a two-digit
    // year shown and read back would move a date by a century.
    static QString ShortDateFormat();
    // The locale's long time format without any time-zone designator: a
    // time of day carries no zone.
    static QString LongTimeFormat();
    static QString ShortTimeFormat();
};
