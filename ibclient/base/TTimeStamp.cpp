#include "ibclient/base/TTimeStamp.h"

#include <cmath>
#include <cstdlib>

namespace {
// Julian day of 0001-01-01 minus one: day numbers count from there.
qint64 DayZero()
{
    return QDate(1, 1, 1).toJulianDay() - 1;
}
} // namespace

TTimeStamp DateTimeToTimeStamp(TDateTime value)
{
    const auto total = static_cast<std::int64_t>(std::llround(value * MSecsPerDay));
    TTimeStamp stamp;
    stamp.Date = static_cast<std::int32_t>(DateDelta + total / MSecsPerDay);
    stamp.Time = static_cast<std::int32_t>(std::llabs(total) % MSecsPerDay);
    return stamp;
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp)
{
    const double days = static_cast<double>(stamp.Date) - DateDelta;
    const double fraction = static_cast<double>(stamp.Time) / MSecsPerDay;
    return days < 0 ? days - fraction : days + fraction;
}

double TimeStampToMSecs(const TTimeStamp& stamp)
{
    return static_cast<double>(stamp.Date) * MSecsPerDay + stamp.Time;
}

TTimeStamp MSecsToTimeStamp(double msecs)
{
    const auto total = static_cast<std::int64_t>(std::llround(msecs));
    TTimeStamp stamp;
    stamp.Date = static_cast<std::int32_t>(total / MSecsPerDay);
    stamp.Time = static_cast<std::int32_t>(total % MSecsPerDay);
    return stamp;
}

QDate DateTimeToQDate(TDateTime value)
{
    return QDate::fromJulianDay(DayZero() + DateTimeToTimeStamp(value).Date);
}

QTime DateTimeToQTime(TDateTime value)
{
    return QTime::fromMSecsSinceStartOfDay(DateTimeToTimeStamp(value).Time);
}

QDateTime DateTimeToQDateTime(TDateTime value)
{
    return QDateTime(DateTimeToQDate(value), DateTimeToQTime(value));
}

TDateTime QDateToDateTime(const QDate& date)
{
    return QDateTimeToDateTime(date, QTime(0, 0));
}

TDateTime QTimeToDateTime(const QTime& time)
{
    return static_cast<double>(time.msecsSinceStartOfDay()) / MSecsPerDay;
}

TDateTime QDateTimeToDateTime(const QDate& date, const QTime& time)
{
    TTimeStamp stamp;
    stamp.Date = static_cast<std::int32_t>(date.toJulianDay() - DayZero());
    stamp.Time = time.isValid() ? time.msecsSinceStartOfDay() : 0;
    return TimeStampToDateTime(stamp);
}
