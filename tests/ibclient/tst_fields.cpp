// Field values and their text: integer parsing and ranges, floats and scaled
// numbers by the locale's decimal separator, dates and times in the locale's
// formats, valid characters, null handling and the field classes made from
// the column definitions.
#include "MemoryDataSet.h"

#include "ibclient/dataset/TBlobField.h"
#include "ibclient/dataset/TBooleanField.h"
#include "ibclient/dataset/TDateTimeField.h"
#include "ibclient/dataset/TFMTBCDField.h"
#include "ibclient/dataset/TFloatField.h"
#include "ibclient/base/TFormatSettings.h"
#include "ibclient/ibdataset/TIBBCDField.h"
#include "ibclient/ibdataset/TIBStringField.h"
#include "ibclient/dataset/TIntegerField.h"
#include "ibclient/dataset/TLargeintField.h"
#include "ibclient/base/TTimeStamp.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cmath>

namespace {

// The regional settings for one test, restored afterwards.
struct LocaleScope {
    explicit LocaleScope(const char* name) { TFormatSettings::SetLocale(QLocale(QString::fromLatin1(name))); }
    ~LocaleScope() { TFormatSettings::ResetLocale(); }
};

std::vector<TMemoryDataSet::Column> AllColumns()
{
    return {
        {QStringLiteral("AUTOID"), ftInteger},
        {QStringLiteral("NUMERO"), ftSmallint},
        {QStringLiteral("BIG"), ftLargeint},
        {QStringLiteral("RATIO"), ftFloat},
        {QStringLiteral("PRICE"), ftBCD, 4, false, 0, 9},
        {QStringLiteral("EXACT"), ftFMTBcd, 6, false, 0, 18},
        {QStringLiteral("DAY"), ftDate},
        {QStringLiteral("HOUR"), ftTime},
        {QStringLiteral("STAMP"), ftDateTime},
        {QStringLiteral("EXTFILE"), ftWideString, 10},
        {QStringLiteral("CODE"), ftFixedChar, 4, false, faFixed},
        {QStringLiteral("GRAPHICS"), ftBlob, 8},
        {QStringLiteral("COMMENTO"), ftMemo, 8},
        {QStringLiteral("FLAG"), ftBoolean},
    };
}

// An open record set with one row of values, or of nulls, in edit state.
struct Fixture {
    TComponent owner{nullptr};
    TMemoryDataSet* dataSet = new TMemoryDataSet(&owner, AllColumns());

    explicit Fixture(bool nulls = false)
    {
        if (nulls)
            dataSet->AddRow({});
        else
            dataSet->AddRow({42, 7, qlonglong{9'000'000'000}, 0.1 + 0.2, qlonglong{12345}, QVariant(), QDate(2024, 4, 3),
                             QTime(14, 5, 9), QDateTime(QDate(2024, 4, 3), QTime(14, 5, 9)),
                             QStringLiteral("a.jpg  "), QStringLiteral("AB"), QStringLiteral("blob"),
                             QStringLiteral("memo"), true});
        dataSet->Open();
        dataSet->Edit();
    }
    TField* Field(const char* name) { return dataSet->FieldByName(QString::fromLatin1(name)); }
};

// Sets the text and answers the text read back, or the error message.
QString Store(TField* field, const QString& text)
{
    try {
        field->SetText(text);
    } catch (const Exception& e) {
        return QStringLiteral("error: ") + e.Message();
    }
    return field->IsNull() ? QStringLiteral("null") : field->AsString();
}

TEST(Fields, IntegerTextParsesDecimalAndHexadecimalDigitsWithNothingAfter)
{
    struct Case {
        const char* field;
        const char* text;
        const char* result;
    };
    const Case cases[] = {
        {"AUTOID", "$1F", "31"},
        {"AUTOID", " 7", "7"},
        {"AUTOID", "7 ", "error: '7 ' is not a valid integer value for field 'AUTOID'"},
        {"AUTOID", "12a", "error: '12a' is not a valid integer value for field 'AUTOID'"},
        {"AUTOID", "+5", "5"},
        {"AUTOID", "-5", "-5"},
        {"AUTOID", "0x10", "16"},
        {"AUTOID", "X1f", "31"},
        {"AUTOID", "-$10", "-16"},
        {"AUTOID", "$FFFFFFFF", "-1"},
        {"AUTOID", "$100000000", "error: '$100000000' is not a valid integer value for field 'AUTOID'"},
        {"AUTOID", "2147483647", "2147483647"},
        {"AUTOID", "-2147483648", "-2147483648"},
        {"AUTOID", "2147483648", "error: '2147483648' is not a valid integer value for field 'AUTOID'"},
        {"AUTOID", "-", "error: '-' is not a valid integer value for field 'AUTOID'"},
        {"AUTOID", "$", "error: '$' is not a valid integer value for field 'AUTOID'"},
        {"AUTOID", "1 2", "error: '1 2' is not a valid integer value for field 'AUTOID'"},
        {"AUTOID", "1.0", "error: '1.0' is not a valid integer value for field 'AUTOID'"},
        {"AUTOID", "", "null"},
        {"NUMERO", "40000", "error: 40000 is not a valid value for field 'NUMERO'. The allowed range is -32768 to 32767"},
        {"NUMERO", "-32769", "error: -32769 is not a valid value for field 'NUMERO'. The allowed range is -32768 to 32767"},
        {"NUMERO", "-32768", "-32768"},
        {"NUMERO", "32767", "32767"},
        {"NUMERO", "$7FFF", "32767"},
        {"BIG", "9223372036854775807", "9223372036854775807"},
        {"BIG", "-9223372036854775808", "-9223372036854775808"},
        {"BIG", "9223372036854775808", "error: '9223372036854775808' is not a valid integer value for field 'BIG'"},
        {"BIG", "$FFFFFFFFFFFFFFFF", "-1"},
        {"BIG", " 12", "12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.field << " <- '" << c.text << "'");
        Fixture f;
        EXPECT_EQ(Store(f.Field(c.field), QString::fromLatin1(c.text)), QString::fromLatin1(c.result));
    }
}

TEST(Fields, AFailedConversionKeepsThePreviousValueAndTheState)
{
    Fixture f;
    TField* id = f.Field("AUTOID");
    EXPECT_THROW(id->SetAsString(QStringLiteral("12a")), EConvertError);
    EXPECT_THROW(f.Field("NUMERO")->SetAsString(QStringLiteral("40000")), EDatabaseError);
    EXPECT_EQ(id->AsInteger(), 42);
    EXPECT_EQ(f.Field("NUMERO")->AsInteger(), 7);
    EXPECT_EQ(f.dataSet->State(), dsEdit);
    EXPECT_FALSE(f.dataSet->Modified());
}

TEST(Fields, TheFieldsOwnRangeReplacesTheClassRange)
{
    Fixture f;
    auto* id = static_cast<TIntegerField*>(f.Field("AUTOID"));
    id->SetDisplayLabel(QStringLiteral("Id"));
    id->SetMinValue(1);
    id->SetMaxValue(100);
    EXPECT_EQ(Store(id, QStringLiteral("101")), QStringLiteral("error: 101 is not a valid value for field 'Id'. The allowed range is 1 to 100"));
    EXPECT_EQ(Store(id, QStringLiteral("0")), QStringLiteral("error: 0 is not a valid value for field 'Id'. The allowed range is 1 to 100"));
    EXPECT_EQ(Store(id, QStringLiteral("100")), QStringLiteral("100"));

    auto* big = static_cast<TLargeintField*>(f.Field("BIG"));
    big->SetMaxValue(10);
    EXPECT_EQ(Store(big, QStringLiteral("11")), QStringLiteral("error: 11 is not a valid value for field 'BIG'. The allowed range is 0 to 10"));
}

TEST(Fields, IntegerDisplayAndEditTextsAgreeWithoutPatterns)
{
    LocaleScope locale("en_US");
    Fixture f;
    auto* id = static_cast<TIntegerField*>(f.Field("AUTOID"));
    id->SetAsInteger(1234567);
    EXPECT_EQ(id->DisplayText(), QStringLiteral("1234567"));
    EXPECT_EQ(id->Text(), id->DisplayText());
    id->SetDisplayFormat(QStringLiteral("#,##0"));
    EXPECT_EQ(id->DisplayText(), QStringLiteral("1,234,567"));
    EXPECT_EQ(id->Text(), QStringLiteral("1,234,567")); // the edit text falls back to the display format
    id->SetEditFormat(QStringLiteral("0"));
    EXPECT_EQ(id->Text(), QStringLiteral("1234567"));
    EXPECT_EQ(id->AsString(), QStringLiteral("1234567"));
    id->Clear();
    EXPECT_EQ(id->DisplayText(), QString());
    EXPECT_EQ(id->AsString(), QString());
}

TEST(Fields, FloatsUseTheLocalesDecimalSeparator)
{
    struct Case {
        const char* locale;
        double value;
        const char* text;
    };
    const Case shown[] = {
        {"C", 0.1 + 0.2, "0.3"},
        {"de_DE", 0.1 + 0.2, "0,3"},
        {"C", 123.456, "123.456"},
        {"de_DE", -123.456, "-123,456"},
        {"C", 1e20, "1E20"},
        {"C", 1.5e-7, "1.5E-7"},
        {"de_DE", 1.5e-7, "1,5E-7"},
        {"C", 123456789012345.0, "123456789012345"},
        {"C", 1234567890123456.0, "1.23456789012346E15"},
        {"C", 0.00001, "0.00001"},
        {"C", 0.000001, "1E-6"},
        {"C", 0.0001, "0.0001"},
        {"C", 2.0, "2"},
    };
    for (const Case& c : shown) {
        SCOPED_TRACE(testing::Message() << c.locale << " " << c.value);
        LocaleScope locale(c.locale);
        Fixture f;
        TField* ratio = f.Field("RATIO");
        ratio->SetAsFloat(c.value);
        EXPECT_EQ(ratio->AsString(), QString::fromLatin1(c.text));
        EXPECT_EQ(ratio->DisplayText(), QString::fromLatin1(c.text));
    }

    struct ParseCase {
        const char* locale;
        const char* text;
        const char* result;
    };
    const ParseCase parsed[] = {
        {"C", "1.5", "1.5"},
        {"C", " 2.5e3 ", "2500"},
        {"C", "-.5", "-0.5"},
        {"C", "1,5", "error: '1,5' is not a valid floating point value for field 'RATIO'"},
        {"de_DE", "1,5", "1,5"},
        {"de_DE", "1,5E3", "1500"},
        {"de_DE", "1.5", "error: '1.5' is not a valid floating point value for field 'RATIO'"},
        {"de_DE", "abc", "error: 'abc' is not a valid floating point value for field 'RATIO'"},
        {"C", "1e", "error: '1e' is not a valid floating point value for field 'RATIO'"},
        {"C", "1e999", "error: '1e999' is not a valid floating point value for field 'RATIO'"},
        {"C", "", "null"},
    };
    for (const ParseCase& c : parsed) {
        SCOPED_TRACE(testing::Message() << c.locale << " '" << c.text << "'");
        LocaleScope locale(c.locale);
        Fixture f;
        EXPECT_EQ(Store(f.Field("RATIO"), QString::fromLatin1(c.text)), QString::fromLatin1(c.result));
    }
}

TEST(Fields, FloatRangeAndPatterns)
{
    LocaleScope locale("de_DE");
    Fixture f;
    auto* ratio = static_cast<TFloatField*>(f.Field("RATIO"));
    ratio->SetMinValue(0);
    ratio->SetMaxValue(1.5);
    EXPECT_EQ(Store(ratio, QStringLiteral("2,5")), QStringLiteral("error: 2,5 is not a valid value for field 'RATIO'. The allowed range is 0 to 1,5"));
    EXPECT_EQ(Store(ratio, QStringLiteral("1,25")), QStringLiteral("1,25"));
    ratio->SetMaxValue(0);
    ratio->SetAsFloat(-1234.5);
    ratio->SetDisplayFormat(QStringLiteral("#,##0.00;(#,##0.00)"));
    EXPECT_EQ(ratio->DisplayText(), QStringLiteral("(1.234,50)"));
    ratio->SetDisplayFormat(QStringLiteral("0.00E+00"));
    EXPECT_EQ(ratio->DisplayText(), QStringLiteral("-1,23E+03"));
    ratio->SetDisplayFormat(QStringLiteral("#.## 'mm'"));
    ratio->SetAsFloat(0.5);
    EXPECT_EQ(ratio->DisplayText(), QStringLiteral(",5 mm"));
    ratio->SetDisplayFormat(QString());
    ratio->SetPrecision(3);
    ratio->SetAsFloat(3.14159);
    EXPECT_EQ(ratio->DisplayText(), QStringLiteral("3,14"));
    EXPECT_EQ(ratio->AsString(), QStringLiteral("3,14159"));
}

TEST(Fields, ScaledNumbersShowUpToFourDecimalsWithoutTrailingZeros)
{
    struct Case {
        const char* locale;
        qlonglong value; // ten-thousandths
        const char* text;
    };
    const Case shown[] = {
        {"C", 12345, "1.2345"},
        {"C", 10000, "1"},
        {"C", 15000, "1.5"},
        {"C", -5, "-0.0005"},
        {"C", 0, "0"},
        {"de_DE", 12345, "1,2345"},
        {"C", 9223372036854775807LL, "922337203685477.5807"},
        {"C", -9223372036854775807LL - 1, "-922337203685477.5808"},
    };
    for (const Case& c : shown) {
        SCOPED_TRACE(testing::Message() << c.locale << " " << c.value);
        LocaleScope locale(c.locale);
        Fixture f;
        TField* price = f.Field("PRICE");
        price->SetAsCurrency(c.value);
        EXPECT_EQ(price->AsString(), QString::fromLatin1(c.text));
        EXPECT_EQ(price->DisplayText(), QString::fromLatin1(c.text));
        EXPECT_EQ(price->AsCurrency(), c.value);
    }

    struct ParseCase {
        const char* locale;
        const char* text;
        qlonglong value;
        const char* error;
    };
    const ParseCase parsed[] = {
        {"C", "1.2345", 12345, nullptr},
        {"C", "1.23456", 12346, nullptr},
        {"C", "1.23454", 12345, nullptr},
        {"C", "-1.23455", -12346, nullptr},
        {"C", "12", 120000, nullptr},
        {"C", "1.5E2", 1500000, nullptr},
        {"de_DE", "1,5", 15000, nullptr},
        {"de_DE", "1.5", 0, "'1.5' is not a valid floating point value for field 'PRICE'"},
        {"C", "922337203685477.5807", 9223372036854775807LL, nullptr},
        {"C", "922337203685477.5808", 0, "'922337203685477.5808' is not a valid floating point value for field 'PRICE'"},
        {"C", "abc", 0, "'abc' is not a valid floating point value for field 'PRICE'"},
    };
    for (const ParseCase& c : parsed) {
        SCOPED_TRACE(testing::Message() << c.locale << " '" << c.text << "'");
        LocaleScope locale(c.locale);
        Fixture f;
        TField* price = f.Field("PRICE");
        try {
            price->SetAsString(QString::fromLatin1(c.text));
            EXPECT_EQ(c.error, nullptr);
            EXPECT_EQ(price->AsCurrency(), c.value);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), QString::fromLatin1(c.error ? c.error : ""));
        }
    }

    Fixture f;
    f.Field("PRICE")->SetAsString(QString());
    EXPECT_TRUE(f.Field("PRICE")->IsNull());
    EXPECT_EQ(f.Field("PRICE")->AsCurrency(), 0);
    EXPECT_EQ(f.Field("PRICE")->AsString(), QString());
}

TEST(Fields, TheScaledNumbersCellTakesItsCountOfTenThousandthsUnchanged)
{
    Fixture f;
    TField* price = f.Field("PRICE");
    price->SetAsString(QStringLiteral("3.25"));
    std::int64_t native = 0;
    ASSERT_TRUE(price->GetData(&native, true));
    EXPECT_EQ(native, 32500);
    std::int64_t nonNative = 0;
    ASSERT_TRUE(price->GetData(&nonNative, false));
    EXPECT_EQ(nonNative, 32500);
}

TEST(Fields, WideDecimalsKeepTheirDigitsExactly)
{
    LocaleScope locale("de_DE");
    Fixture f;
    TField* exact = f.Field("EXACT");
    EXPECT_EQ(Store(exact, QStringLiteral("123,456789")), QStringLiteral("123,456789"));
    EXPECT_EQ(Store(exact, QStringLiteral("1,23456789")), QStringLiteral("1,234568"));
    EXPECT_EQ(Store(exact, QStringLiteral("-0,5")), QStringLiteral("-0,5"));
    EXPECT_EQ(Store(exact, QStringLiteral("123456789012345678901234,5")), QStringLiteral("123456789012345678901234,5"));
    EXPECT_EQ(Store(exact, QStringLiteral("x")), QStringLiteral("error: 'x' is not a valid floating point value for field 'EXACT'"));
    TBcd bcd{};
    ASSERT_TRUE(TFMTBCDField::DecimalTextToBcd(QStringLiteral("-12.5"), 2, bcd));
    EXPECT_EQ(bcd[0], 4);    // digits 1250
    EXPECT_EQ(bcd[1], 0x82); // negative, two places
    EXPECT_EQ(bcd[2], 0x12);
    EXPECT_EQ(bcd[3], 0x50);
    EXPECT_EQ(TFMTBCDField::BcdToDecimalText(bcd), QStringLiteral("-12.5"));
}

TEST(Fields, DatesAndTimesUseTheLocalesFormats)
{
    struct Case {
        const char* locale;
        const char* field;
        const char* text;   // typed
        const char* result; // read back, or the error
    };
    const Case cases[] = {
        {"en_GB", "DAY", "03/04/2024", "03/04/2024"},
        {"en_GB", "DAY", "3/4/2024", "03/04/2024"},
        {"en_GB", "DAY", " 3/4/2024 ", "03/04/2024"},
        {"en_GB", "DAY", "31/02/2024", "error: ''31/02/2024'' is not a valid date"},
        {"en_GB", "DAY", "tomorrow", "error: ''tomorrow'' is not a valid date"},
        // The database holds the years 1 to 9999; a day before day 1 would
        // not even keep its value in a cell.
        {"en_GB", "DAY", "01/01/0001", "01/01/0001"},
        {"en_GB", "DAY", "31/12/9999", "31/12/9999"},
        {"en_GB", "DAY", "31/12/0000", "error: ''31/12/0000'' is not a valid date"},
        {"en_GB", "DAY", "03/04/-2024", "error: ''03/04/-2024'' is not a valid date"},
        {"en_US", "STAMP", "4/3/-2024 2:05:0 PM", "error: ''4/3/-2024 2:05:0 PM'' is not a valid date and time"},
        {"de_DE", "DAY", "03.04.2024", "03.04.2024"},
        {"de_DE", "DAY", "3.4.24", "03.04.2024"},  // two digits: 1950 to 2049
        {"de_DE", "DAY", "3.4.87", "03.04.1987"},
        {"en_US", "DAY", "4/3/2024", "4/3/2024"},
        {"en_GB", "HOUR", "14:05:09", "14:05:09"},
        {"en_GB", "HOUR", "9:05", "09:05:00"},
        {"en_GB", "HOUR", "25:00", "error: ''25:00'' is not a valid time"},
        {"en_US", "HOUR", "2:05:09 PM", "2:05:09 PM"},
        {"en_GB", "STAMP", "03/04/2024 14:05:09", "03/04/2024 14:05:09"},
        {"en_GB", "STAMP", "03/04/2024", "03/04/2024"},       // midnight: no time shown
        {"en_GB", "STAMP", "03/04/2024 00:00:01", "03/04/2024 00:00:01"},
        {"en_GB", "STAMP", "03/04/2024 xx", "error: ''03/04/2024 xx'' is not a valid date and time"},
        {"C", "STAMP", "3 Apr 2024 10:30:00", "3 Apr 2024 10:30:00"},
        {"en_GB", "DAY", "", "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.locale << " " << c.field << " <- '" << c.text << "'");
        LocaleScope locale(c.locale);
        Fixture f;
        TField* field = f.Field(c.field);
        EXPECT_EQ(Store(field, QString::fromLatin1(c.text)), QString::fromLatin1(c.result));
        if (!field->IsNull()) {
            EXPECT_EQ(field->DisplayText(), field->AsString());
        }
    }
}

TEST(Fields, DateCellsHoldDayNumbersAndMilliseconds)
{
    Fixture f;
    const qint64 dayNumber = QDate(2024, 4, 3).toJulianDay() - QDate(1, 1, 1).toJulianDay() + 1;
    std::int32_t day = 0;
    ASSERT_TRUE(f.Field("DAY")->GetData(&day, true));
    EXPECT_EQ(day, dayNumber);
    std::int32_t msecs = 0;
    ASSERT_TRUE(f.Field("HOUR")->GetData(&msecs, true));
    EXPECT_EQ(msecs, (14 * 3600 + 5 * 60 + 9) * 1000);
    double stamp = 0;
    ASSERT_TRUE(f.Field("STAMP")->GetData(&stamp, true));
    EXPECT_EQ(stamp, static_cast<double>(dayNumber) * 86'400'000.0 + msecs);

    // The date-time value counts days from 1899-12-30.
    EXPECT_EQ(f.Field("DAY")->AsDateTime(), QDate(1899, 12, 30).daysTo(QDate(2024, 4, 3)));
    f.Field("DAY")->SetAsDateTime(2.75); // the time of day is dropped
    EXPECT_EQ(f.Field("DAY")->AsDateTime(), 2.0);
    f.Field("DAY")->SetAsDateTime(-1.25);
    EXPECT_EQ(f.Field("DAY")->AsVariant().toDate(), QDate(1899, 12, 29));
    f.Field("STAMP")->SetAsDateTime(-1.25); // before day 0 the time counts the other way
    EXPECT_EQ(f.Field("STAMP")->AsVariant().toDateTime(), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(f.Field("STAMP")->AsDateTime(), -1.25);
    f.Field("HOUR")->SetAsDateTime(0.5);
    ASSERT_TRUE(f.Field("HOUR")->GetData(&msecs, true));
    EXPECT_EQ(msecs, 12 * 3600 * 1000);

    const struct {
        double value;
        std::int32_t date, time;
    } stamps[] = {{0.0, DateDelta, 0}, {1.5, DateDelta + 1, MSecsPerDay / 2}, {-0.25, DateDelta, MSecsPerDay / 4},
                  {-2.5, DateDelta - 2, MSecsPerDay / 2}};
    for (const auto& s : stamps) {
        const TTimeStamp t = DateTimeToTimeStamp(s.value);
        EXPECT_EQ(t.Date, s.date) << s.value;
        EXPECT_EQ(t.Time, s.time) << s.value;
    }
}

TEST(Fields, ValidCharactersFollowTheClassAndTheSeparatorInForceAtCreation)
{
    struct Case {
        const char* locale;
        const char* field;
        const char* accepted;
        const char* refused;
    };
    const Case cases[] = {
        {"C", "AUTOID", "0123456789+-", "a. e$\xe9"},
        {"C", "NUMERO", "0123456789+-", "aE."},
        {"C", "BIG", "0123456789+-", "x,"},
        {"C", "RATIO", "0123456789+-Ee.", ", a"},
        {"de_DE", "RATIO", "0123456789+-Ee,", ". a"},
        {"C", "PRICE", "0123456789+-.", "Ee,"},
        {"de_DE", "PRICE", "0123456789+-,", "Ee."},
        {"C", "EXTFILE", "aZ\\:.+ \xe9", ""},
        {"C", "DAY", "0/. a", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.locale << " " << c.field);
        LocaleScope locale(c.locale);
        Fixture f;
        TField* field = f.Field(c.field);
        for (QChar ch : QString::fromLatin1(c.accepted))
            EXPECT_TRUE(field->IsValidChar(ch)) << ch.toLatin1();
        for (QChar ch : QString::fromLatin1(c.refused))
            EXPECT_FALSE(field->IsValidChar(ch)) << ch.toLatin1();
    }
    // Above code 255 a restricted field refuses everything; text takes all.
    Fixture f;
    EXPECT_FALSE(f.Field("AUTOID")->IsValidChar(QChar(0x0661))); // ARABIC-INDIC DIGIT ONE
    EXPECT_TRUE(f.Field("EXTFILE")->IsValidChar(QChar(0x20AC)));

    // The separator is the one in force when the field was made.
    TFormatSettings::SetLocale(QLocale(QStringLiteral("de_DE")));
    EXPECT_TRUE(f.Field("RATIO")->IsValidChar(u'.'));
    EXPECT_FALSE(f.Field("RATIO")->IsValidChar(u','));
    TFormatSettings::ResetLocale();
}

TEST(Fields, TextFieldsStoreEmptyTextAsNullUnderEmptyAsNull)
{
    Fixture f;
    auto* path = static_cast<TIBStringField*>(f.Field("EXTFILE"));
    EXPECT_EQ(path->AsString(), QStringLiteral("a.jpg  ")); // trailing blanks kept
    EXPECT_TRUE(path->EmptyAsNull());
    path->SetAsString(QString());
    EXPECT_TRUE(path->IsNull());
    EXPECT_EQ(path->AsString(), QString());
    EXPECT_FALSE(path->AsVariant().isValid());
    path->SetEmptyAsNull(false);
    path->SetAsString(QString());
    EXPECT_FALSE(path->IsNull());
    EXPECT_EQ(path->AsString(), QString());
    EXPECT_EQ(path->AsVariant(), QVariant(QString()));
    path->SetAsString(QStringLiteral("abc"));
    path->Clear();
    EXPECT_TRUE(path->IsNull());

    // Text up to its first character 0; at most Size + 1 characters reach the
    // record set, which then refuses to read them back.
    path->SetAsString(QStringLiteral("ab") + QChar(0) + QStringLiteral("cd"));
    EXPECT_EQ(path->AsString(), QStringLiteral("ab"));
    path->SetAsString(QStringLiteral("0123456789"));
    EXPECT_EQ(path->AsString(), QStringLiteral("0123456789"));
    path->SetAsString(QStringLiteral("0123456789ABC"));
    EXPECT_THROW(path->AsString(), EDatabaseError);
}

TEST(Fields, FieldClassesFollowTheColumnTypes)
{
    Fixture f;
    struct Case {
        const char* field;
        bool (*is)(TField*);
        TFieldType type;
        int dataSize;
        int displayWidth;
        TAlignment alignment;
    };
    const Case cases[] = {
        {"AUTOID", [](TField* x) { return dynamic_cast<TIntegerField*>(x) && !dynamic_cast<TSmallintField*>(x); }, ftInteger, 4, 10, taRightJustify},
        {"NUMERO", [](TField* x) { return dynamic_cast<TSmallintField*>(x) != nullptr; }, ftSmallint, 2, 10, taRightJustify},
        {"BIG", [](TField* x) { return dynamic_cast<TLargeintField*>(x) != nullptr; }, ftLargeint, 8, 15, taRightJustify},
        {"RATIO", [](TField* x) { return dynamic_cast<TFloatField*>(x) != nullptr; }, ftFloat, 8, 10, taRightJustify},
        {"PRICE", [](TField* x) { return dynamic_cast<TIBBCDField*>(x) != nullptr; }, ftBCD, 8, 10, taRightJustify},
        {"EXACT", [](TField* x) { return dynamic_cast<TFMTBCDField*>(x) != nullptr; }, ftFMTBcd, 34, 19, taRightJustify},
        {"DAY", [](TField* x) { return dynamic_cast<TDateField*>(x) != nullptr; }, ftDate, 4, 10, taLeftJustify},
        {"HOUR", [](TField* x) { return dynamic_cast<TTimeField*>(x) != nullptr; }, ftTime, 4, 10, taLeftJustify},
        {"STAMP", [](TField* x) { return dynamic_cast<TDateTimeField*>(x) && !dynamic_cast<TDateField*>(x); }, ftDateTime, 8, 18, taLeftJustify},
        {"EXTFILE", [](TField* x) { return dynamic_cast<TIBStringField*>(x) != nullptr; }, ftWideString, 22, 10, taLeftJustify},
        {"CODE", [](TField* x) { return static_cast<TIBStringField*>(x)->FixedChar(); }, ftFixedChar, 10, 4, taLeftJustify},
        {"GRAPHICS", [](TField* x) { return dynamic_cast<TBlobField*>(x) && !dynamic_cast<TWideMemoField*>(x); }, ftBlob, 0, 10, taLeftJustify},
        {"COMMENTO", [](TField* x) { return dynamic_cast<TWideMemoField*>(x) != nullptr; }, ftMemo, 0, 10, taLeftJustify},
        {"FLAG", [](TField* x) { return dynamic_cast<TBooleanField*>(x) != nullptr; }, ftBoolean, 2, 5, taLeftJustify},
    };
    ASSERT_EQ(f.dataSet->FieldCount(), static_cast<int>(std::size(cases)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        TField* field = f.Field(c.field);
        EXPECT_TRUE(c.is(field));
        EXPECT_EQ(field->DataType(), c.type);
        EXPECT_EQ(field->DataSize(), c.dataSize);
        EXPECT_EQ(field->DisplayWidth(), c.displayWidth);
        EXPECT_EQ(field->Alignment(), c.alignment);
        EXPECT_EQ(field->DisplayName(), QString::fromLatin1(c.field));
        EXPECT_TRUE(field->Visible());
    }
    EXPECT_FALSE(static_cast<TIBStringField*>(f.Field("EXTFILE"))->FixedChar());
    EXPECT_EQ(f.Field("CODE")->AsString(), QStringLiteral("AB"));
}

TEST(Fields, BlobBooleanAndLabelTexts)
{
    Fixture f;
    EXPECT_EQ(f.Field("GRAPHICS")->DisplayText(), QStringLiteral("(BLOB)"));
    EXPECT_EQ(f.Field("COMMENTO")->Text(), QStringLiteral("(MEMO)"));
    Fixture nulls(true);
    EXPECT_EQ(nulls.Field("GRAPHICS")->DisplayText(), QStringLiteral("(Blob)"));
    EXPECT_EQ(nulls.Field("COMMENTO")->DisplayText(), QStringLiteral("(Memo)"));

    TField* flag = f.Field("FLAG");
    EXPECT_EQ(flag->AsString(), QStringLiteral("True"));
    EXPECT_EQ(Store(flag, QStringLiteral("f")), QStringLiteral("False"));
    EXPECT_EQ(Store(flag, QStringLiteral("TRUE")), QStringLiteral("True"));
    EXPECT_EQ(Store(flag, QStringLiteral("maybe")), QStringLiteral("error: 'maybe' is not a valid boolean value for field 'FLAG'"));
    static_cast<TBooleanField*>(flag)->SetDisplayValues(QStringLiteral("Sì;No"));
    EXPECT_EQ(flag->AsString(), QStringLiteral("Sì"));
    EXPECT_EQ(flag->DisplayWidth(), 2);
    std::uint16_t word = 0;
    ASSERT_TRUE(flag->GetData(&word));
    EXPECT_EQ(word, 1);

    TField* id = f.Field("AUTOID");
    EXPECT_EQ(id->DisplayName(), QStringLiteral("AUTOID"));
    id->SetDisplayLabel(QStringLiteral("Chiave"));
    EXPECT_EQ(id->DisplayName(), QStringLiteral("Chiave"));
    id->SetDisplayWidth(4);
    EXPECT_EQ(id->DisplayWidth(), 4);
}

TEST(Fields, NullsReadAsEmptyTextAndZero)
{
    Fixture f(true);
    for (TField* field : f.dataSet->Fields()) {
        SCOPED_TRACE(field->FieldName().toStdString());
        EXPECT_TRUE(field->IsNull());
        if (!field->IsBlob() && field->DataType() != ftMemo && field->DataType() != ftBlob) {
            EXPECT_EQ(field->AsString(), QString());
            EXPECT_EQ(field->DisplayText(), QString());
            EXPECT_FALSE(field->AsVariant().isValid());
        }
    }
    EXPECT_EQ(f.Field("AUTOID")->AsInteger(), 0);
    EXPECT_EQ(f.Field("RATIO")->AsFloat(), 0.0);
    EXPECT_EQ(f.Field("PRICE")->AsCurrency(), 0);
}

TEST(Fields, CanModifyNeedsABoundWritableFieldOfAModifiableRecordSet)
{
    Fixture f;
    TField* id = f.Field("AUTOID");
    EXPECT_TRUE(id->CanModify());
    id->SetReadOnly(true);
    EXPECT_FALSE(id->CanModify());
    id->SetReadOnly(false);
    f.dataSet->Modifiable = false;
    EXPECT_FALSE(id->CanModify());
    f.dataSet->Modifiable = true;

    TComponent owner(nullptr);
    TIntegerField loose(&owner);
    loose.SetFieldName(QStringLiteral("LOOSE"));
    EXPECT_FALSE(loose.CanModify());
    try {
        loose.IsNull();
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Field 'LOOSE' has no dataset"));
    }
    EXPECT_THROW(loose.SetAsInteger(1), EDatabaseError);
    TIBStringField text(&owner);
    try {
        text.SetSize(-1);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid field size"));
    }
}

TEST(Fields, ValidationSeesTheNewValueAndCanRefuseIt)
{
    Fixture f;
    TField* day = f.Field("DAY");
    TField* id = f.Field("AUTOID");
    QDate seen;
    int seenId = 0;
    day->SetOnValidate([&](TField* field) { seen = field->AsVariant().toDate(); });
    id->SetOnValidate([&](TField* field) {
        seenId = field->AsInteger();
        if (seenId < 0)
            throw EDatabaseError(QStringLiteral("negative"));
    });
    int changes = 0;
    id->SetOnChange([&](TField*) { ++changes; });
    day->SetAsVariant(QDate(2020, 2, 29));
    EXPECT_EQ(seen, QDate(2020, 2, 29));
    id->SetAsInteger(5);
    EXPECT_EQ(seenId, 5);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(f.dataSet->Modified());
    EXPECT_THROW(id->SetAsInteger(-1), EDatabaseError);
    EXPECT_EQ(seenId, -1);
    EXPECT_EQ(id->AsInteger(), 5);
    EXPECT_EQ(changes, 1);
}

TEST(Fields, TextHooksReplaceTheClassConversions)
{
    Fixture f;
    TField* id = f.Field("AUTOID");
    id->SetOnGetText([](TField* field, QString& text, bool display) {
        text = (display ? QStringLiteral("#") : QStringLiteral("=")) + field->AsString();
    });
    id->SetOnSetText([](TField* field, const QString& text) { field->SetAsString(text.mid(1)); });
    EXPECT_EQ(id->DisplayText(), QStringLiteral("#42"));
    EXPECT_EQ(id->Text(), QStringLiteral("=42"));
    id->SetText(QStringLiteral("=17"));
    EXPECT_EQ(id->AsInteger(), 17);
}

} // namespace
