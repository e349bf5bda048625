#include "ibclient/dataset/TDateTimeField.h"

#include "ibclient/base/Exception.h"
#include "ibclient/base/TFormatSettings.h"
#include "ibclient/base/TTimeStamp.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <cstring>

namespace {

// A format that also reads one-digit days, months, hours, minutes and
// seconds: the operator types "3.4.2024" as well as "03.04.2024".
QString Relaxed(QString format)
{
    static const QRegularExpression twoLetters(QStringLiteral("(?<![dMHhms])(dd|MM|HH|hh|mm|ss)(?![dMHhms])"));
    QRegularExpressionMatchIterator it = twoLetters.globalMatch(format);
    QList<QRegularExpressionMatch> matches;
    while (it.hasNext())
        matches.prepend(it.next());
    for (const QRegularExpressionMatch& m : matches)
        format.replace(m.capturedStart(), 2, m.captured().left(1));
    return format;
}

QStringList DateFormats()
{
    const QLocale locale = TFormatSettings::Locale();
    QStringList formats;
    formats << Relaxed(TFormatSettings::ShortDateFormat());
    const QString own = Relaxed(locale.dateFormat(QLocale::ShortFormat));
    if (!formats.contains(own))
        formats << own;
    return formats;
}

QStringList TimeFormats()
{
    QStringList formats;
    formats << Relaxed(TFormatSettings::LongTimeFormat());
    const QString shortFormat = Relaxed(TFormatSettings::ShortTimeFormat());
    if (!formats.contains(shortFormat))
        formats << shortFormat;
    return formats;
}

// A year read from two digits lies in 1950 to 2049.
QDate WithCentury(const QDate& date, const QString& format)
{
    if (!date.isValid() || format.contains(QStringLiteral("yyyy")) || date.year() >= 1950)
        return date;
    return date.addYears(100);
}

// The years a database date can hold; the parser alone would also take a
// year 0 or a negative one, which no cell can keep.
bool Storable(const QDate& date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

bool ParseDate(const QString& text, QDate& date)
{
    const QLocale locale = TFormatSettings::Locale();
    const QString trimmed = text.trimmed();
    for (const QString& format : DateFormats()) {
        const QDate parsed = WithCentury(locale.toDate(trimmed, format), format);
        if (Storable(parsed)) {
            date = parsed;
            return true;
        }
    }
    return false;
}

bool ParseTime(const QString& text, QTime& time)
{
    const QLocale locale = TFormatSettings::Locale();
    const QString trimmed = text.trimmed();
    for (const QString& format : TimeFormats()) {
        const QTime parsed = locale.toTime(trimmed, format);
        if (parsed.isValid()) {
            time = parsed;
            return true;
        }
    }
    return false;
}

} // namespace

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner)
{
    SetDataType(ftDateTime);
}

void TDateTimeField::SetDisplayFormat(const QString& Value)
{
    if (FDisplayFormat != Value) {
        FDisplayFormat = Value;
        PropertyChanged(false);
    }
}

void TDateTimeField::ToNonNative(const void* Native, void* Value) const
{
    double msecs = 0;
    std::memcpy(&msecs, Native, sizeof msecs);
    // A cell may carry a fraction of a millisecond: cut, not rounded, so that
    // 23:59:59.9999 stays on its own day.
    const double value = TimeStampToDateTime(MSecsToTimeStamp(std::floor(msecs)));
    std::memcpy(Value, &value, sizeof value);
}

void TDateTimeField::FromNonNative(const void* Value, void* Native) const
{
    double value = 0;
    std::memcpy(&value, Value, sizeof value);
    const double msecs = TimeStampToMSecs(DateTimeToTimeStamp(value));
    std::memcpy(Native, &msecs, sizeof msecs);
}

QString TDateTimeField::AsString() const
{
    return GetText(false);
}

QString TDateTimeField::GetText(bool DisplayText) const
{
    double value = 0;
    if (!GetData(&value, false))
        return QString();
    if (DisplayText && !FDisplayFormat.isEmpty())
        return TFormatSettings::Locale().toString(DateTimeToQDateTime(value), FDisplayFormat);
    return FormatValue(value);
}

QString TDateTimeField::FormatValue(double Value) const
{
    const QLocale locale = TFormatSettings::Locale();
    QString text = locale.toString(DateTimeToQDate(Value), TFormatSettings::ShortDateFormat());
    const QTime time = DateTimeToQTime(Value);
    if (time != QTime(0, 0))
        text += u' ' + locale.toString(time, TFormatSettings::LongTimeFormat());
    return text;
}

bool TDateTimeField::ParseValue(const QString& Text, double& Value) const
{
    const QString trimmed = Text.trimmed();
    QDate date;
    if (ParseDate(trimmed, date)) {
        Value = QDateToDateTime(date);
        return true;
    }
    // The date, a blank and the time; the date part may hold blanks itself
    // ("3 Apr 2024 10:30:00"), so try every blank as the divide.
    for (qsizetype blank = trimmed.indexOf(u' '); blank > 0; blank = trimmed.indexOf(u' ', blank + 1)) {
        QTime time;
        if (ParseDate(trimmed.left(blank), date) && ParseTime(trimmed.mid(blank + 1), time)) {
            Value = QDateTimeToDateTime(date, time);
            return true;
        }
    }
    return false;
}

void TDateTimeField::ConvertError(const QString& Text) const
{
    throw EConvertError(QStringLiteral("''%1'' is not a valid date and time").arg(Text));
}

void TDateTimeField::SetAsString(const QString& Value)
{
    if (Value.isEmpty()) {
        Clear();
        return;
    }
    double value = 0;
    if (!ParseValue(Value, value))
        ConvertError(Value);
    SetAsDateTime(value);
}

double TDateTimeField::AsDateTime() const
{
    double value = 0;
    return GetData(&value, false) ? value : 0;
}

void TDateTimeField::SetAsDateTime(double Value)
{
    SetData(&Value, false);
}

double TDateTimeField::AsFloat() const
{
    return AsDateTime();
}

void TDateTimeField::SetAsFloat(double Value)
{
    SetAsDateTime(Value);
}

QVariant TDateTimeField::AsVariant() const
{
    double value = 0;
    return GetData(&value, false) ? QVariant(DateTimeToQDateTime(value)) : QVariant();
}

void TDateTimeField::SetAsVariant(const QVariant& Value)
{
    if (Value.isNull()) {
        Clear();
        return;
    }
    switch (Value.typeId()) {
    case QMetaType::QDate:
        SetAsDateTime(QDateToDateTime(Value.toDate()));
        break;
    case QMetaType::QTime:
        SetAsDateTime(QTimeToDateTime(Value.toTime()));
        break;
    case QMetaType::QDateTime:
        SetAsDateTime(QDateTimeToDateTime(Value.toDateTime().date(), Value.toDateTime().time()));
        break;
    case QMetaType::Double:
        SetAsDateTime(Value.toDouble());
        break;
    default:
        TField::SetAsVariant(Value);
        break;
    }
}

// ---- TDateField -------------------------------------------------------------------

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner)
{
    SetDataType(ftDate);
}

void TDateField::ToNonNative(const void* Native, void* Value) const
{
    TTimeStamp stamp;
    std::memcpy(&stamp.Date, Native, sizeof stamp.Date);
    const double value = TimeStampToDateTime(stamp);
    std::memcpy(Value, &value, sizeof value);
}

void TDateField::FromNonNative(const void* Value, void* Native) const
{
    double value = 0;
    std::memcpy(&value, Value, sizeof value);
    const std::int32_t day = DateTimeToTimeStamp(value).Date;
    std::memcpy(Native, &day, sizeof day);
}

QString TDateField::FormatValue(double Value) const
{
    return TFormatSettings::Locale().toString(DateTimeToQDate(Value), TFormatSettings::ShortDateFormat());
}

bool TDateField::ParseValue(const QString& Text, double& Value) const
{
    QDate date;
    if (!ParseDate(Text, date))
        return false;
    Value = QDateToDateTime(date);
    return true;
}

void TDateField::ConvertError(const QString& Text) const
{
    throw EConvertError(QStringLiteral("''%1'' is not a valid date").arg(Text));
}

QVariant TDateField::AsVariant() const
{
    double value = 0;
    return GetData(&value, false) ? QVariant(DateTimeToQDate(value)) : QVariant();
}

// ---- TTimeField -------------------------------------------------------------------

TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner)
{
    SetDataType(ftTime);
}

void TTimeField::ToNonNative(const void* Native, void* Value) const
{
    TTimeStamp stamp;
    stamp.Date = DateDelta;
    std::memcpy(&stamp.Time, Native, sizeof stamp.Time);
    const double value = TimeStampToDateTime(stamp);
    std::memcpy(Value, &value, sizeof value);
}

void TTimeField::FromNonNative(const void* Value, void* Native) const
{
    double value = 0;
    std::memcpy(&value, Value, sizeof value);
    const std::int32_t msecs = DateTimeToTimeStamp(value).Time;
    std::memcpy(Native, &msecs, sizeof msecs);
}

QString TTimeField::FormatValue(double Value) const
{
    return TFormatSettings::Locale().toString(DateTimeToQTime(Value), TFormatSettings::LongTimeFormat());
}

bool TTimeField::ParseValue(const QString& Text, double& Value) const
{
    QTime time;
    if (!ParseTime(Text, time))
        return false;
    Value = QTimeToDateTime(time);
    return true;
}

void TTimeField::ConvertError(const QString& Text) const
{
    throw EConvertError(QStringLiteral("''%1'' is not a valid time").arg(Text));
}

QVariant TTimeField::AsVariant() const
{
    double value = 0;
    return GetData(&value, false) ? QVariant(DateTimeToQTime(value)) : QVariant();
}
