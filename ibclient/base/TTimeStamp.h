// TTimeStamp: a moment as a day number (0001-01-01 is day 1) and the
// milliseconds since midnight, the form in which date and time cells are kept
// in record buffers; and the conversions between it, the date-time value
// (days since 1899-12-30 as a double, the fraction being the time of day) and
// Qt's date and time types.
//
// For days before 1899-12-30 the date-time value subtracts the time from the
// day number instead of adding it: -1.25 is 1899-12-29 06:00.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstdint>

using TDateTime = double;

struct TTimeStamp {
    std::int32_t Time = 0; // milliseconds since midnight
    std::int32_t Date = 0; // day number, 0001-01-01 = 1
};

constexpr std::int32_t MSecsPerDay = 86'400'000;
// The day number of 1899-12-30, day 0 of the date-time value.
constexpr std::int32_t DateDelta = 693'594;

TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);

// A time stamp as one count of milliseconds (day number × 86 400 000 + time),
// the form of date-and-time cells.
double TimeStampToMSecs(const TTimeStamp& stamp);
TTimeStamp MSecsToTimeStamp(double msecs);

QDate DateTimeToQDate(TDateTime value);
QTime DateTimeToQTime(TDateTime value);
QDateTime DateTimeToQDateTime(TDateTime value);
TDateTime QDateToDateTime(const QDate& date);
TDateTime QTimeToDateTime(const QTime& time);
TDateTime QDateTimeToDateTime(const QDate& date, const QTime& time);
