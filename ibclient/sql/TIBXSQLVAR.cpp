#include "ibclient/sql/TIBXSQLVAR.h"

#include "ibclient/base/TFormatSettings.h"
#include "ibclient/base/TNumberFormat.h"
#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/IGDSLibrary.h"
#include "ibclient/binding/TCodePage.h"
#include "ibclient/sql/TIBBlobStream.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TSQLVAR_V1.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

namespace {

[[noreturn]] void InvalidConversion()
{
    RaiseClientError(ceInvalidDataConversion);
}

template <class T>
T Load(const char* data)
{
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

template <class T>
void Save(char* data, T value)
{
    std::memcpy(data, &value, sizeof value);
}

// 10 to the power n (0 <= n <= 18) as an exact integer.
std::int64_t Pow10(int n)
{
    std::int64_t p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// The stored integer times 10^scale, in extended precision.
long double Scaled(std::int64_t value, int scale)
{
    long double v = static_cast<long double>(value);
    for (int i = 0; i < scale; ++i)
        v *= 10;
    for (int i = 0; i > scale; --i)
        v /= 10;
    return v;
}

// A double brought to the decimal it stands for at this scale: formatted
// with 15 significant digits and |scale| decimals, then read back, so that a
// stored 12345 with scale -2 reads as exactly what "123.45" parses to.
double AtScale(double value, int scale)
{
    if (scale == 0 || !std::isfinite(value))
        return value;
    char buffer[64];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    double rounded = 0;
    std::from_chars(buffer, r.ptr, rounded);
    const int decimals = scale < 0 ? -scale : 0;
    r = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return rounded;
    double result = 0;
    std::from_chars(buffer, r.ptr, result);
    return result;
}

QString DateTimeToStr(TDateTime value)
{
    const QLocale locale = TFormatSettings::Locale();
    const QDate date = DateTimeToQDate(value);
    const QTime time = DateTimeToQTime(value);
    QString text = locale.toString(date, TFormatSettings::ShortDateFormat());
    if (time != QTime(0, 0))
        text += u' ' + locale.toString(time, TFormatSettings::LongTimeFormat());
    return text;
}

QString TimeToStr(TDateTime value)
{
    return TFormatSettings::Locale().toString(DateTimeToQTime(value), TFormatSettings::LongTimeFormat());
}

QString DateToStr(TDateTime value)
{
    return TFormatSettings::Locale().toString(DateTimeToQDate(value), TFormatSettings::ShortDateFormat());
}

// Text in the locale's date and time formats: date and time, date alone or time alone.
std::optional<TDateTime> StrToDateTime(const QString& text)
{
    const QLocale locale = TFormatSettings::Locale();
    const QString trimmed = text.trimmed();
    const QString date = TFormatSettings::ShortDateFormat();
    for (const QString& timeFormat : {TFormatSettings::LongTimeFormat(), TFormatSettings::ShortTimeFormat()}) {
        const QDateTime both = locale.toDateTime(trimmed, date + u' ' + timeFormat);
        if (both.isValid())
            return QDateTimeToDateTime(both.date(), both.time());
    }
    const QDate d = locale.toDate(trimmed, date);
    if (d.isValid())
        return QDateToDateTime(d);
    for (const QString& timeFormat : {TFormatSettings::LongTimeFormat(), TFormatSettings::ShortTimeFormat()}) {
        const QTime t = locale.toTime(trimmed, timeFormat);
        if (t.isValid())
            return QTimeToDateTime(t);
    }
    return std::nullopt;
}

std::optional<TDateTime> StrToDate(const QString& text)
{
    const QDate d = TFormatSettings::Locale().toDate(text.trimmed(), TFormatSettings::ShortDateFormat());
    if (!d.isValid())
        return std::nullopt;
    return QDateToDateTime(d);
}

// The server's dates run from the year 1 to 9999. Outside them the day
// number wraps into a valid but wrong date, and far enough out (or NaN) it
// cannot be computed at all; such a value is refused before anything is
// stored or converted.
void CheckServerRange(TDateTime value)
{
    if (!(value > -693594.0 && value < 2958466.0))
        InvalidConversion();
}

// The calendar structure of the client library's date encoders and
// decoders: the platform's struct tm, which they fill as a whole.
std::tm ToTm(TDateTime value)
{
    CheckServerRange(value);
    const QDate date = DateTimeToQDate(value);
    if (date.year() < 1 || date.year() > 9999)
        InvalidConversion();
    const QTime time = DateTimeToQTime(value);
    std::tm t{};
    t.tm_sec = time.second();
    t.tm_min = time.minute();
    t.tm_hour = time.hour();
    t.tm_mday = date.day();
    t.tm_mon = date.month() - 1;
    t.tm_year = date.year() - 1900;
    return t;
}

// Firebird keeps times to the ten-thousandth of a second, which struct tm
// cannot hold: a value cut to its whole second (for ToTm, which then has no
// fraction to round up into the next second or day) and the ticks beyond it.
struct TWholeSeconds {
    TDateTime Whole;
    ISC_TIME Ticks;
};

TWholeSeconds SplitSeconds(TDateTime value)
{
    CheckServerRange(value); // before the value is scaled to ticks
    const std::int64_t magnitude = std::llabs(std::llround(value * 864'000'000.0));
    const auto ticks = static_cast<ISC_TIME>(magnitude % 10000);
    const double whole = static_cast<double>(magnitude - ticks) / 864'000'000.0;
    return {value < 0 ? -whole : whole, ticks};
}

// A value plus the sub-second ticks a decoder left out; before 1899-12-30
// the time of day counts away from zero, as in the date-time value itself.
TDateTime WithTicks(TDateTime value, ISC_TIME ticks)
{
    const double fraction = static_cast<double>(ticks % 10000) / 864'000'000.0;
    return value < 0 ? value - fraction : value + fraction;
}

} // namespace

TIBXSQLVAR::TIBXSQLVAR(TIBXSQLDA* Parent, TIBSQL* Query, XSQLVAR* Entry)
    : FParent(Parent), FSQL(Query), FXSQLVAR(std::make_unique<TSQLVAR_V1>(Entry)), FGDSLibrary(SharedClientLibrary())
{
}

TIBXSQLVAR::~TIBXSQLVAR() = default;

int TIBXSQLVAR::Size() const
{
    return FXSQLVAR->SqlLen();
}

int TIBXSQLVAR::SQLType() const
{
    return FXSQLVAR->SqlDef();
}

const TCodePage& TIBXSQLVAR::Codec() const
{
    static const TCodePage systemDefault(0);
    TIBDatabase* database = FSQL->Database();
    return database && database->CharacterSetCodePage() != 0 ? database->Codec() : systemDefault;
}

int TIBXSQLVAR::Dialect() const
{
    return FSQL->SQLDialect();
}

int TIBXSQLVAR::CharSetSize() const
{
    switch (FXSQLVAR->SqlSubtype() & 0xFF) {
    case 3:
        return FXSQLVAR->RelName().startsWith("RDB$") ? 1 : 3;
    case 5: case 6: case 8: case 44: case 56: case 57: case 64:
        return 2;
    case 59:
        return 4;
    default:
        return 1;
    }
}

template <class Fn>
void TIBXSQLVAR::ForEachNamesake(Fn fn)
{
    if (FName.isEmpty() || FIndex >= FParent->Count()) {
        fn(this);
        return;
    }
    for (int i : FParent->Namesakes(FIndex))
        fn(FParent->Vars(i));
}

// ---------------------------------------------------------------- null state

bool TIBXSQLVAR::IsNullable() const
{
    return (FXSQLVAR->SqlType() & 1) != 0;
}

bool TIBXSQLVAR::IsNull() const
{
    return IsNullable() && FXSQLVAR->SqlInd() && *FXSQLVAR->SqlInd() == -1;
}

void TIBXSQLVAR::SetIsNullable(bool Value)
{
    ForEachNamesake([Value](TIBXSQLVAR* var) {
        TSQLVAR* v = var->FXSQLVAR.get();
        if (((v->SqlType() & 1) != 0) == Value)
            return;
        if (Value) {
            v->SetSqlType(static_cast<short>(v->SqlType() | 1));
            v->SetIndSize(0, 2);
        } else {
            v->SetSqlType(static_cast<short>(v->SqlType() & ~1));
            v->SetIndSize(2, 0);
        }
    });
}

void TIBXSQLVAR::SetIsNull(bool Value)
{
    if (Value) {
        if (!IsNullable())
            SetIsNullable(true);
    } else if (!IsNullable()) {
        return;
    }
    const short indicator = Value ? -1 : 0;
    ForEachNamesake([indicator](TIBXSQLVAR* var) {
        if (short* ind = var->FXSQLVAR->SqlInd()) {
            *ind = indicator;
            var->FModified = true;
        }
    });
}

// ---------------------------------------------------------------- getters

std::int64_t TIBXSQLVAR::StoredInteger() const
{
    const char* data = FXSQLVAR->SqlData();
    switch (SQLType()) {
    case SQL_SHORT: return Load<std::int16_t>(data);
    case SQL_LONG: return Load<std::int32_t>(data);
    case SQL_INT64: return Load<std::int64_t>(data);
    default: InvalidConversion();
    }
}

QString TIBXSQLVAR::AsString() const
{
    if (IsNull())
        return QString();
    const char* data = FXSQLVAR->SqlData();
    const int scale = FXSQLVAR->SqlScale();
    switch (SQLType()) {
    case SQL_VARYING: {
        const int length = static_cast<int>(FGDSLibrary->isc_vax_integer(data, 2));
        // Never read past the buffer, whatever the length word says.
        const int usable = std::clamp(length, 0, FXSQLVAR->DataSize() - 2);
        return Codec().Decode(data + 2, usable);
    }
    case SQL_TEXT:
        return Codec().Decode(data, std::min(FXSQLVAR->SqlLen(), FXSQLVAR->DataSize()));
    case SQL_DOUBLE: case SQL_FLOAT: case SQL_D_FLOAT:
        return TNumberFormat::FloatToStrGeneral(AsDouble());
    case SQL_LONG: case SQL_SHORT: case SQL_INT64:
        if (scale == 0)
            return QString::number(AsInt64());
        if (scale >= -4)
            return TNumberFormat::CurrToStr(AsCurrency());
        return TNumberFormat::FloatToStrGeneral(AsDouble());
    case SQL_TIMESTAMP:
        return DateTimeToStr(AsDateTime());
    case SQL_TYPE_TIME:
        return TimeToStr(AsDateTime());
    case SQL_TYPE_DATE:
        if (Dialect() == 1)
            return DateTimeToStr(AsDateTime());
        if (Dialect() == 2)
            return QString();
        return DateToStr(AsDateTime());
    case SQL_BLOB:
        return Codec().Decode(TIBBlobStream(FSQL).Read(AsQuad()));
    case SQL_ARRAY:
        return QStringLiteral("(Array)");
    case SQL_BOOLEAN:
        return AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        InvalidConversion();
    }
}

int TIBXSQLVAR::AsStringInto(char16_t* Out, int Room) const
{
    if (IsNull())
        return 0;
    const char* data = FXSQLVAR->SqlData();
    switch (SQLType()) {
    case SQL_VARYING: {
        const int length = std::clamp(static_cast<int>(Load<std::uint16_t>(data)), 0, FXSQLVAR->DataSize() - 2);
        return static_cast<int>(Codec().DecodeInto(data + 2, length, Out, Room));
    }
    case SQL_TEXT:
        return static_cast<int>(
            Codec().DecodeInto(data, std::min(FXSQLVAR->SqlLen(), FXSQLVAR->DataSize()), Out, Room));
    default: {
        const QString text = AsString();
        const int chars = static_cast<int>(std::min<qsizetype>(text.size(), Room));
        std::copy(text.utf16(), text.utf16() + chars, Out);
        return chars;
    }
    }
}

QString TIBXSQLVAR::AsTrimString() const
{
    QString text = AsString();
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1).unicode() <= 32)
        --n;
    text.truncate(n);
    return text;
}

int TIBXSQLVAR::AsLong() const
{
    if (IsNull())
        return 0;
    switch (SQLType()) {
    case SQL_VARYING: case SQL_TEXT: {
        const auto n = TNumberFormat::ParseInteger(AsString(), 32);
        if (!n)
            InvalidConversion();
        return static_cast<int>(*n);
    }
    case SQL_DOUBLE: case SQL_FLOAT: case SQL_D_FLOAT: {
        const double v = std::trunc(AsDouble());
        if (!(v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()))
            InvalidConversion();
        return static_cast<int>(v);
    }
    case SQL_LONG: case SQL_SHORT: case SQL_INT64: {
        const long double v = std::trunc(Scaled(StoredInteger(), FXSQLVAR->SqlScale()));
        if (!(v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()))
            InvalidConversion();
        return static_cast<int>(v);
    }
    case SQL_BOOLEAN:
        return AsBoolean() ? 1 : 0;
    default:
        InvalidConversion();
    }
}

short TIBXSQLVAR::AsShort() const
{
    try {
        return static_cast<short>(static_cast<std::uint32_t>(AsLong()) & 0xFFFF);
    } catch (const EIBClientError&) {
        InvalidConversion();
    }
}

std::int64_t TIBXSQLVAR::AsInt64() const
{
    if (IsNull())
        return 0;
    switch (SQLType()) {
    case SQL_VARYING: case SQL_TEXT: {
        const auto n = TNumberFormat::ParseInteger(AsString(), 64);
        if (!n)
            InvalidConversion();
        return *n;
    }
    case SQL_DOUBLE: case SQL_FLOAT: case SQL_D_FLOAT: {
        const double v = std::trunc(AsDouble());
        if (!(v >= -9.2233720368547758e18 && v < 9.2233720368547758e18))
            InvalidConversion();
        return static_cast<std::int64_t>(v);
    }
    case SQL_LONG: case SQL_SHORT: case SQL_INT64: {
        const std::int64_t stored = StoredInteger();
        const int scale = FXSQLVAR->SqlScale();
        if (scale == 0)
            return stored;
        if (scale < 0)
            return -scale > 18 ? 0 : stored / Pow10(-scale);
        std::int64_t result = stored;
        for (int i = 0; i < scale; ++i)
            if (__builtin_mul_overflow(result, 10, &result))
                InvalidConversion();
        return result;
    }
    case SQL_BOOLEAN:
        return AsBoolean() ? 1 : 0;
    default:
        InvalidConversion();
    }
}

double TIBXSQLVAR::AsDouble() const
{
    if (IsNull())
        return 0.0;
    const char* data = FXSQLVAR->SqlData();
    double result = 0;
    switch (SQLType()) {
    case SQL_VARYING: case SQL_TEXT: {
        const auto v = TNumberFormat::ParseFloat(AsString());
        if (!v)
            InvalidConversion();
        result = *v;
        break;
    }
    case SQL_DOUBLE: case SQL_D_FLOAT:
        result = Load<double>(data);
        break;
    case SQL_FLOAT:
        result = Load<float>(data);
        break;
    case SQL_LONG: case SQL_SHORT: case SQL_INT64:
        result = static_cast<double>(Scaled(StoredInteger(), FXSQLVAR->SqlScale()));
        break;
    case SQL_BOOLEAN:
        result = AsBoolean() ? 1.0 : 0.0;
        break;
    default:
        InvalidConversion();
    }
    return AtScale(result, FXSQLVAR->SqlScale());
}

float TIBXSQLVAR::AsFloat() const
{
    const double v = AsDouble();
    if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<float>::max())
        InvalidConversion();
    return static_cast<float>(v);
}

std::int64_t TIBXSQLVAR::AsCurrency() const
{
    if (IsNull())
        return 0;
    auto fromDouble = [](double v) {
        const double count = std::nearbyint(v * 10000.0); // ties to even
        if (!(count >= -9.2233720368547758e18 && count < 9.2233720368547758e18))
            InvalidConversion();
        return static_cast<std::int64_t>(count);
    };
    if (Dialect() < 3)
        return fromDouble(AsDouble());
    switch (SQLType()) {
    case SQL_VARYING: case SQL_TEXT: {
        const auto v = TNumberFormat::ParseCurrency(AsString());
        if (!v)
            InvalidConversion();
        return *v;
    }
    case SQL_DOUBLE: case SQL_FLOAT: case SQL_D_FLOAT:
        return fromDouble(AsDouble());
    case SQL_LONG: case SQL_SHORT: case SQL_INT64: {
        // Exact decimal arithmetic: more than four decimals round half away
        // from zero at the fifth, as parsing the decimal text would.
        const std::int64_t stored = StoredInteger();
        const int shift = 4 + FXSQLVAR->SqlScale();
        std::int64_t result = stored;
        if (shift >= 0) {
            for (int i = 0; i < shift; ++i)
                if (__builtin_mul_overflow(result, 10, &result))
                    InvalidConversion();
            return result;
        }
        if (-shift > 18)
            return 0;
        const std::int64_t divisor = Pow10(-shift);
        std::int64_t quotient = stored / divisor;
        const std::int64_t remainder = stored % divisor;
        if (2 * (remainder < 0 ? -remainder : remainder) >= divisor)
            quotient += stored < 0 ? -1 : 1;
        return quotient;
    }
    case SQL_BOOLEAN:
        return AsBoolean() ? 10000 : 0;
    default:
        InvalidConversion();
    }
}

TDateTime TIBXSQLVAR::DecodeDateTime() const
{
    const char* data = FXSQLVAR->SqlData();
    std::tm t{};
    switch (SQLType()) {
    case SQL_VARYING: case SQL_TEXT: {
        const auto v = StrToDate(AsString());
        if (!v)
            InvalidConversion();
        return *v;
    }
    case SQL_TIMESTAMP: {
        const ISC_QUAD stamp = Load<ISC_QUAD>(data);
        FGDSLibrary->isc_decode_date(&stamp, &t);
        const QDate date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
        const QTime time(t.tm_hour, t.tm_min, t.tm_sec);
        if (!date.isValid() || !time.isValid())
            InvalidConversion();
        return WithTicks(QDateTimeToDateTime(date, time), stamp.gds_quad_low);
    }
    case SQL_TYPE_TIME: {
        const ISC_TIME value = Load<ISC_TIME>(data);
        FGDSLibrary->isc_decode_sql_time(&value, &t);
        const QTime time(t.tm_hour, t.tm_min, t.tm_sec);
        if (!time.isValid())
            InvalidConversion();
        return WithTicks(QTimeToDateTime(time), value);
    }
    case SQL_TYPE_DATE: {
        const ISC_DATE value = Load<ISC_DATE>(data);
        FGDSLibrary->isc_decode_sql_date(&value, &t);
        const QDate date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
        if (!date.isValid())
            InvalidConversion();
        return QDateToDateTime(date);
    }
    default:
        InvalidConversion();
    }
}

TDateTime TIBXSQLVAR::AsDateTime() const
{
    if (IsNull())
        return 0.0;
    return DecodeDateTime();
}

ISC_QUAD TIBXSQLVAR::AsQuad() const
{
    if (IsNull())
        return ISC_QUAD{};
    switch (SQLType()) {
    case SQL_BLOB: case SQL_ARRAY: case SQL_QUAD:
        return Load<ISC_QUAD>(FXSQLVAR->SqlData());
    default:
        InvalidConversion();
    }
}

bool TIBXSQLVAR::AsBoolean() const
{
    if (IsNull())
        return false;
    if (SQLType() != SQL_BOOLEAN)
        InvalidConversion();
    // The server's boolean is one byte; a two-byte buffer holds a 16-bit word.
    const char* data = FXSQLVAR->SqlData();
    if (FXSQLVAR->DataSize() >= 2)
        return Load<std::int16_t>(data) == 1;
    return static_cast<unsigned char>(data[0]) == 1;
}

const char* TIBXSQLVAR::AsPointer() const
{
    return IsNull() ? nullptr : FXSQLVAR->SqlData();
}

QByteArray TIBXSQLVAR::AsBytes() const
{
    if (IsNull())
        return QByteArray();
    if (SQLType() == SQL_VARYING) {
        const int length = std::clamp(static_cast<int>(FGDSLibrary->isc_vax_integer(FXSQLVAR->SqlData(), 2)), 0,
                                      FXSQLVAR->DataSize() - 2);
        return QByteArray(FXSQLVAR->SqlData() + 2, length);
    }
    return QByteArray(FXSQLVAR->SqlData(), std::min(FXSQLVAR->SqlLen(), FXSQLVAR->DataSize()));
}

QVariant TIBXSQLVAR::AsVariant() const
{
    if (IsNull())
        return QVariant();
    switch (SQLType()) {
    case SQL_SHORT: case SQL_LONG: case SQL_INT64:
        if (FXSQLVAR->SqlScale() == 0)
            return QVariant::fromValue<qlonglong>(AsInt64());
        return AsDouble();
    case SQL_DOUBLE: case SQL_FLOAT: case SQL_D_FLOAT:
        return AsDouble();
    case SQL_BOOLEAN:
        return AsBoolean();
    case SQL_TIMESTAMP: case SQL_TYPE_DATE: case SQL_TYPE_TIME:
        return AsDateTime();
    default:
        return AsString();
    }
}

// ---------------------------------------------------------------- setters

void TIBXSQLVAR::SetNotNull()
{
    // Every entry bearing the name that has an indicator: entries the
    // server described as not nullable have none, and keep it that way.
    ForEachNamesake([](TIBXSQLVAR* var) {
        if (short* ind = var->FXSQLVAR->SqlInd()) {
            *ind = 0;
            var->FModified = true;
        }
    });
}

template <class Fn>
void TIBXSQLVAR::Store(short Type, short Scale, int Length, Fn writeValue)
{
    SetNotNull();
    ForEachNamesake([&](TIBXSQLVAR* var) {
        TSQLVAR* v = var->FXSQLVAR.get();
        v->SetSqlType(static_cast<short>(Type | (v->SqlType() & 1)));
        v->SetSqlScale(Scale);
        v->SetSqlLen(Length);
        v->SetDataSize(0, Length > 0 ? Length : 1);
        writeValue(v->SqlData());
        var->FModified = true;
    });
}

void TIBXSQLVAR::SetAsShort(short Value)
{
    Store(SQL_SHORT, 0, 2, [Value](char* data) { Save<std::int16_t>(data, Value); });
}

void TIBXSQLVAR::SetAsLong(int Value)
{
    Store(SQL_LONG, 0, 4, [Value](char* data) { Save<std::int32_t>(data, Value); });
}

void TIBXSQLVAR::SetAsInt64(std::int64_t Value)
{
    Store(SQL_INT64, 0, 8, [Value](char* data) { Save<std::int64_t>(data, Value); });
}

void TIBXSQLVAR::SetAsFloat(float Value)
{
    Store(SQL_FLOAT, 0, 4, [Value](char* data) { Save<float>(data, Value); });
}

void TIBXSQLVAR::SetAsDouble(double Value)
{
    Store(SQL_DOUBLE, 0, 8, [Value](char* data) { Save<double>(data, Value); });
}

void TIBXSQLVAR::SetAsCurrency(std::int64_t Value)
{
    if (Dialect() < 3) {
        SetAsDouble(static_cast<double>(Value) / 10000.0);
        return;
    }
    Store(SQL_INT64, -4, 8, [Value](char* data) { Save<std::int64_t>(data, Value); });
}

void TIBXSQLVAR::SetAsBcd(std::int64_t ScaledValue, int Places)
{
    if (Dialect() < 3) {
        SetAsDouble(static_cast<double>(Scaled(ScaledValue, -Places)));
        return;
    }
    Store(SQL_INT64, static_cast<short>(-Places), 8, [ScaledValue](char* data) { Save<std::int64_t>(data, ScaledValue); });
}

void TIBXSQLVAR::SetAsDateTime(TDateTime Value)
{
    const TWholeSeconds split = SplitSeconds(Value);
    std::tm t = ToTm(split.Whole);
    ISC_QUAD stamp{};
    FGDSLibrary->isc_encode_date(&t, &stamp);
    stamp.gds_quad_low += split.Ticks;
    const short scale = FXSQLVAR->SqlScale();
    Store(SQL_TIMESTAMP, scale, 8, [&](char* data) { Save<ISC_QUAD>(data, stamp); });
}

void TIBXSQLVAR::SetAsDate(TDateTime Value)
{
    if (Dialect() < 3) {
        SetAsDateTime(Value);
        return;
    }
    std::tm t = ToTm(Value);
    t.tm_sec = t.tm_min = t.tm_hour = 0;
    ISC_DATE date = 0;
    FGDSLibrary->isc_encode_sql_date(&t, &date);
    const short scale = FXSQLVAR->SqlScale();
    Store(SQL_TYPE_DATE, scale, 4, [&](char* data) { Save<ISC_DATE>(data, date); });
}

void TIBXSQLVAR::SetAsTime(TDateTime Value)
{
    if (Dialect() < 3) {
        SetAsDateTime(Value);
        return;
    }
    const TWholeSeconds split = SplitSeconds(Value);
    std::tm t = ToTm(split.Whole);
    t.tm_mday = t.tm_mon = t.tm_year = 0;
    ISC_TIME time = 0;
    FGDSLibrary->isc_encode_sql_time(&t, &time);
    time += split.Ticks;
    const short scale = FXSQLVAR->SqlScale();
    Store(SQL_TYPE_TIME, scale, 4, [&](char* data) { Save<ISC_TIME>(data, time); });
}

void TIBXSQLVAR::SetAsQuad(const ISC_QUAD& Value)
{
    ForEachNamesake([](TIBXSQLVAR* var) {
        const int type = var->SQLType();
        if (type != SQL_BLOB && type != SQL_ARRAY)
            InvalidConversion();
    });
    if (IsNullable())
        SetIsNull(false);
    ForEachNamesake([&](TIBXSQLVAR* var) {
        TSQLVAR* v = var->FXSQLVAR.get();
        v->SetSqlLen(8);
        v->SetDataSize(0, 8);
        Save<ISC_QUAD>(v->SqlData(), Value);
        var->FModified = true;
    });
}

void TIBXSQLVAR::SetAsBoolean(bool Value)
{
    char* data = FXSQLVAR->SqlData();
    if (!data)
        return;
    if (FXSQLVAR->DataSize() >= 2)
        Save<std::int16_t>(data, Value ? 1 : 0);
    else
        data[0] = Value ? 1 : 0;
}

void TIBXSQLVAR::StoreBytes(const QByteArray& Bytes)
{
    // The server describes how many bytes the column holds; more would be
    // cut by the server or refused late, so the text is refused here.
    const int count = static_cast<int>(Bytes.size());
    if (FMaxLen > 0 && count > FMaxLen)
        RaiseClientError(ceStringTooLarge, {count, static_cast<int>(FMaxLen)});
    if (count > std::numeric_limits<ISC_SHORT>::max())
        RaiseClientError(ceStringTooLarge, {count, static_cast<int>(std::numeric_limits<ISC_SHORT>::max())});
    ForEachNamesake([&](TIBXSQLVAR* var) {
        TSQLVAR* v = var->FXSQLVAR.get();
        // Each entry keeps its own nullable bit: one without an indicator
        // marked nullable is refused by the server.
        v->SetSqlType(static_cast<short>(SQL_TEXT | (v->SqlType() & 1)));
        v->SetSqlLen(count);
        v->SetDataSize(0, count + 1);
        if (count > 0)
            std::memcpy(v->SqlData(), Bytes.constData(), static_cast<std::size_t>(count));
        var->FModified = true;
    });
}

void TIBXSQLVAR::SetBlobText(const QString& Value)
{
    const ISC_QUAD id = TIBBlobStream(FSQL).Write(Codec().Encode(Value));
    SetAsQuad(id);
}

void TIBXSQLVAR::SetAsString(const QString& Value)
{
    SetNotNull();
    switch (SQLType()) {
    case SQL_VARYING: case SQL_TEXT:
        StoreBytes(Codec().Encode(Value));
        return;
    case SQL_BLOB:
        SetBlobText(Value);
        return;
    default:
        break;
    }
    if (Value.isEmpty()) {
        SetIsNull(true);
        return;
    }
    switch (SQLType()) {
    case SQL_TIMESTAMP: case SQL_TYPE_TIME: case SQL_TYPE_DATE: {
        const auto v = StrToDateTime(Value);
        if (!v)
            InvalidConversion();
        SetAsDateTime(*v);
        return;
    }
    default:
        StoreBytes(TCodePage::EncodeSystem(Value));
        return;
    }
}

void TIBXSQLVAR::SetAsTrimString(const QString& Value)
{
    qsizetype n = Value.size();
    while (n > 0 && Value.at(n - 1).unicode() <= 32)
        --n;
    SetAsString(Value.left(n));
}
