// Column and parameter values: every type read through the getters in
// dialects 1 and 3, nulls, the setters and their wire types, the text length
// limit, and text that must reach the database byte for byte.
#include "ClientFixture.h"

#include "ibclient/base/TFormatSettings.h"
#include "ibclient/sql/TSQLVAR.h"

#include <QLocale>

#include <limits>

namespace {

class Values : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        // Italian settings: a comma as decimal separator, day/month/year dates.
        TFormatSettings::SetLocale(QLocale(QLocale::Italian, QLocale::Italy));
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("types.fdb"));
        FixtureDatabase::Create({QStringLiteral("types.sql")}, path, 3);
        db = std::make_unique<TIBDatabase>(nullptr);
        tr = std::make_unique<TIBTransaction>(nullptr);
        ConfigureAsProgram(*db, path);
        db->SetSQLDialect(GetParam());
        ConfigureAsProgram(*tr, *db);
        db->Open();
        tr->StartTransaction();
    }
    void TearDown() override
    {
        tr.reset();
        db.reset();
        TFormatSettings::ResetLocale();
    }
    // Executes a select and stands on its first row.
    std::unique_ptr<TIBSQL> Row(const QString& sql)
    {
        auto q = std::make_unique<TIBSQL>(nullptr);
        q->SetDatabase(db.get());
        q->SetTransaction(tr.get());
        q->SetSQLText(sql);
        q->ExecQuery();
        return q;
    }
    // A statement on the fixture's connection and transaction, not yet prepared.
    std::unique_ptr<TIBSQL> Statement(const QString& sql)
    {
        auto q = std::make_unique<TIBSQL>(nullptr);
        q->SetDatabase(db.get());
        q->SetTransaction(tr.get());
        q->SetGoToFirstRecordOnExecute(false);
        q->SetSQLText(sql);
        return q;
    }
    int Dialect() const { return GetParam(); }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<TIBDatabase> db;
    std::unique_ptr<TIBTransaction> tr;
};

struct TGetterCase {
    const char* column;
    QString text;
    qint64 asInt64;
    double asDouble;
    qint64 currency3, currency1; // ten-thousandths in dialect 3 and in dialect 1
};

TEST_P(Values, EveryNumericAndTextColumnThroughTheGetters)
{
    const TGetterCase cases[] = {
        {"V_VARCHAR", "abc", 0, 0, 0, 0},
        {"V_CHAR", "abc  ", 0, 0, 0, 0},
        {"V_DOUBLE", "-2,7", -2, -2.7, -27000, -27000},
        {"V_FLOAT", "1,5", 1, 1.5, 15000, 15000},
        {"V_SMALL", "-12", -12, -12, -120000, -120000},
        {"V_INT", "123456", 123456, 123456, 1234560000, 1234560000},
        {"V_BIG", "9007199254740993", 9007199254740993LL, 9007199254740992.0, 0, 0},
        {"V_SMALL2", "12,34", 12, 12.34, 123400, 123400},
        {"V_INT2", "12345,67", 12345, 12345.67, 123456700, 123456700},
        {"V_BIG2", "-123456789012,34", -123456789012LL, -123456789012.34, -1234567890123400LL, -1234567890123400LL},
        {"V_INT6", "1,234567", 1, 1.234567, 12346, 12346},
        {"V_BIG6", "123456,123456", 123456, 123456.123456, 1234561235, 1234561235},
    };
    auto q = Row(QStringLiteral("select * from TIPI where ID = 1"));
    for (const TGetterCase& c : cases) {
        TIBXSQLVAR* v = q->FieldByName(QLatin1String(c.column));
        EXPECT_EQ(v->AsString(), c.text) << c.column;
        if (v->SQLType() == SQL_VARYING || v->SQLType() == SQL_TEXT)
            continue;
        EXPECT_EQ(v->AsInt64(), c.asInt64) << c.column;
        EXPECT_EQ(v->AsDouble(), c.asDouble) << c.column;
        if (std::string(c.column) != "V_BIG") {
            EXPECT_EQ(v->AsCurrency(), Dialect() == 3 ? c.currency3 : c.currency1) << c.column;
        }
    }
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_CHAR"))->AsTrimString(), QStringLiteral("abc"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_DOUBLE"))->AsLong(), -2);
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_SMALL2"))->AsLong(), 12);
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_SMALL"))->AsShort(), -12);
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_FLOAT"))->AsFloat(), 1.5f);
    // Text parses as a number when it is one.
    const auto e = CaughtError<EIBClientError>([&] { q->FieldByName(QStringLiteral("V_VARCHAR"))->AsLong(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Invalid data conversion"));
}

TEST_P(Values, DatesTimesBlobsAndBooleans)
{
    auto q = Row(QStringLiteral("select * from TIPI where ID = 1"));
    // The stored fraction of a second is kept.
    EXPECT_EQ(DateTimeToQDateTime(q->FieldByName(QStringLiteral("V_STAMP"))->AsDateTime()),
              QDateTime(QDate(2003, 3, 12), QTime(14, 5, 9, 750)));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_STAMP"))->AsString(), QStringLiteral("12/03/2003 14:05:09"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_DATE"))->AsDate(), QDateToDateTime(QDate(2004, 2, 29)));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_DATE"))->AsString(), QStringLiteral("29/02/2004"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_TIME"))->AsTime(), QTimeToDateTime(QTime(23, 59, 58)));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_TIME"))->AsString(), QStringLiteral("23:59:58"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_TEXT"))->AsString(), QStringLiteral("testo lungo"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_BINARY"))->AsString(), QString::fromUtf16(u"\u0000\u00FF\u0010", 3));
    EXPECT_TRUE(q->FieldByName(QStringLiteral("V_BOOL"))->AsBoolean());
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_BOOL"))->AsString(), QStringLiteral("True"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_BOOL"))->AsLong(), 1);
    const auto e = CaughtError<EIBClientError>([&] { q->FieldByName(QStringLiteral("V_BOOL"))->AsDateTime(); });
    EXPECT_EQ(e->SQLCode(), ceInvalidDataConversion);
}

TEST_P(Values, ANullColumnReadsAsTheZeroOfEveryGetter)
{
    auto q = Row(QStringLiteral("select * from TIPI where ID = 2"));
    for (int i = 1; i < q->FieldCount(); ++i) {
        TIBXSQLVAR* v = q->Fields(i);
        EXPECT_TRUE(v->IsNull()) << v->Name().toStdString();
        EXPECT_EQ(v->AsString(), QString()) << v->Name().toStdString();
        EXPECT_EQ(v->AsLong(), 0) << v->Name().toStdString();
        EXPECT_EQ(v->AsDouble(), 0.0) << v->Name().toStdString();
        EXPECT_EQ(v->AsDateTime(), 0.0) << v->Name().toStdString();
        EXPECT_FALSE(v->AsBoolean()) << v->Name().toStdString();
    }
}

TEST_P(Values, SettersWriteWhatTheGettersReadBack)
{
    auto insert = std::make_unique<TIBSQL>(nullptr);
    insert->SetDatabase(db.get());
    insert->SetTransaction(tr.get());
    insert->SetSQLText(QStringLiteral(
        "insert into TIPI (ID, V_VARCHAR, V_DOUBLE, V_SMALL, V_INT2, V_BIG2, V_STAMP, V_DATE, V_TIME, V_TEXT, "
        "V_BOOL, V_INT) values (:ID, :V_VARCHAR, :V_DOUBLE, :V_SMALL, :V_INT2, :V_BIG2, :V_STAMP, :V_DATE, "
        ":V_TIME, :V_TEXT, :V_BOOL, :V_INT)"));
    const TDateTime stamp = QDateTimeToDateTime(QDate(1999, 12, 31), QTime(23, 59, 59));
    insert->ParamByName(QStringLiteral("ID"))->SetAsLong(3);
    insert->ParamByName(QStringLiteral("V_VARCHAR"))->SetAsString(QStringLiteral("è € ü"));
    insert->ParamByName(QStringLiteral("V_DOUBLE"))->SetAsDouble(0.125);
    insert->ParamByName(QStringLiteral("V_SMALL"))->SetAsShort(-7);
    insert->ParamByName(QStringLiteral("V_INT2"))->SetAsCurrency(123456700);
    insert->ParamByName(QStringLiteral("V_BIG2"))->SetAsInt64(-5);
    insert->ParamByName(QStringLiteral("V_STAMP"))->SetAsDateTime(stamp);
    insert->ParamByName(QStringLiteral("V_DATE"))->SetAsDate(QDateToDateTime(QDate(2024, 1, 31)));
    insert->ParamByName(QStringLiteral("V_TIME"))->SetAsTime(QTimeToDateTime(QTime(7, 8, 9)));
    insert->ParamByName(QStringLiteral("V_TEXT"))->SetAsString(QStringLiteral("un testo più lungo"));
    insert->ParamByName(QStringLiteral("V_BOOL"))->SetAsBoolean(false);
    insert->ParamByName(QStringLiteral("V_INT"))->SetAsString(QString()); // empty text to a number: null
    EXPECT_EQ(insert->ParamByName(QStringLiteral("V_VARCHAR"))->SQLType(), SQL_TEXT);
    insert->ExecQuery();

    auto q = Row(QStringLiteral("select * from TIPI where ID = 3"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_VARCHAR"))->AsString(), QStringLiteral("è € ü"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_DOUBLE"))->AsDouble(), 0.125);
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_SMALL"))->AsLong(), -7);
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_INT2"))->AsString(), QStringLiteral("12345,67"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_BIG2"))->AsString(), QStringLiteral("-5"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_STAMP"))->AsDateTime(), stamp);
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_DATE"))->AsDate(), QDateToDateTime(QDate(2024, 1, 31)));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_TIME"))->AsTime(), QTimeToDateTime(QTime(7, 8, 9)));
    EXPECT_EQ(q->FieldByName(QStringLiteral("V_TEXT"))->AsString(), QStringLiteral("un testo più lungo"));
    EXPECT_FALSE(q->FieldByName(QStringLiteral("V_BOOL"))->IsNull());
    EXPECT_FALSE(q->FieldByName(QStringLiteral("V_BOOL"))->AsBoolean());
    EXPECT_TRUE(q->FieldByName(QStringLiteral("V_INT"))->IsNull());
}

TEST_P(Values, EmptyTextIsAnEmptyStringForTextAndNullForNumbers)
{
    auto insert = std::make_unique<TIBSQL>(nullptr);
    insert->SetDatabase(db.get());
    insert->SetTransaction(tr.get());
    insert->SetSQLText(QStringLiteral("insert into TIPI (ID, V_VARCHAR, V_INT) values (4, :V, :N)"));
    insert->ParamByName(QStringLiteral("V"))->SetAsString(QString());
    insert->ParamByName(QStringLiteral("N"))->SetAsString(QString());
    insert->ExecQuery();
    EXPECT_EQ(Query(*db, *tr, QStringLiteral("select V_VARCHAR is null from TIPI where ID = 4")),
              QStringList{QStringLiteral("False")});
    EXPECT_EQ(Query(*db, *tr, QStringLiteral("select V_INT is null from TIPI where ID = 4")),
              QStringList{QStringLiteral("True")});
}

TEST_P(Values, AParameterUsedTwiceGetsTheValueInBothPlaces)
{
    auto q = std::make_unique<TIBSQL>(nullptr);
    q->SetDatabase(db.get());
    q->SetTransaction(tr.get());
    q->SetSQLText(QStringLiteral("select count(*) from TIPI where ID = :P or ID = :P + 1"));
    q->ParamByName(QStringLiteral("P"))->SetAsLong(1);
    EXPECT_EQ(q->Params()->Vars(0)->AsLong(), 1);
    EXPECT_EQ(q->Params()->Vars(1)->AsLong(), 1);
    q->ExecQuery();
    EXPECT_EQ(q->Current()->Vars(0)->AsLong(), 2);
}

TEST_P(Values, ATextParameterUsedTwiceKeepsEachOccurrencesNullHandling)
{
    Query(*db, *tr, QStringLiteral("create table PAIRS (S varchar(20) not null, N varchar(20))"));
    tr->Commit();
    Query(*db, *tr, QStringLiteral("insert into PAIRS (S) values ('a')"));
    Query(*db, *tr, QStringLiteral("insert into PAIRS (S) values ('b')"));

    // The server describes the occurrence beside the NOT NULL column as not nullable.
    auto update = Statement(QStringLiteral("update PAIRS set N = :V where S = :V"));
    ASSERT_TRUE(update->Params()->Vars(0)->IsNullable());
    ASSERT_FALSE(update->Params()->Vars(1)->IsNullable());
    update->ParamByName(QStringLiteral("V"))->SetAsString(QStringLiteral("a"));
    EXPECT_TRUE(update->Params()->Vars(0)->IsNullable());
    EXPECT_FALSE(update->Params()->Vars(1)->IsNullable());
    update->ExecQuery();
    EXPECT_EQ(update->RowsAffected(), 1);

    // The other order, the nullable occurrence set null before: the text
    // assigned through the first occurrence reaches the second too.
    auto count = Statement(QStringLiteral("select count(*) from PAIRS where S = :V and N = :V"));
    ASSERT_FALSE(count->Params()->Vars(0)->IsNullable());
    count->Params()->Vars(1)->SetIsNull(true);
    count->ParamByName(QStringLiteral("V"))->SetAsString(QStringLiteral("a"));
    EXPECT_TRUE(count->Params()->Vars(1)->IsNullable());
    EXPECT_FALSE(count->Params()->Vars(1)->IsNull());
    count->ExecQuery();
    ASSERT_NE(count->Next(), nullptr);
    EXPECT_EQ(count->Current()->Vars(0)->AsLong(), 1);
    count->Close();
}

TEST_P(Values, ADateTimeOutsideTheYears1To9999IsRefusedAndNothingIsStored)
{
    auto insert = Statement(QStringLiteral("insert into TIPI (ID, V_STAMP, V_DATE, V_TIME) values (:ID, :S, :D, :T)"));
    const double outside[] = {
        4295273702.0, // wrapped into 28-NOV-2738
        1e12,
        -1e12,
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        QDateToDateTime(QDate(10000, 1, 1)),
        QDateToDateTime(QDate(-1, 12, 31)), // the day before 0001-01-01
        2958465.9999999999,                 // 9999-12-31 rounded up to the next day
    };
    for (const char* name : {"S", "D", "T"}) {
        TIBXSQLVAR* v = insert->ParamByName(QLatin1String(name));
        const int type = v->SqlVar()->SqlType();
        for (double value : outside) {
            const auto e = CaughtError<EIBClientError>([&] {
                if (name[0] == 'S')
                    v->SetAsDateTime(value);
                else if (name[0] == 'D')
                    v->SetAsDate(value);
                else
                    v->SetAsTime(value);
            });
            EXPECT_EQ(e->SQLCode(), ceInvalidDataConversion) << name << " " << value;
            EXPECT_EQ(e->Message(), QStringLiteral("Invalid data conversion")) << name << " " << value;
        }
        EXPECT_FALSE(v->Modified()) << name;
        EXPECT_EQ(v->SqlVar()->SqlType(), type) << name;
    }

    // The first and the last second of the range are stored as they are.
    const TDateTime first = QDateTimeToDateTime(QDate(1, 1, 1), QTime(0, 0));
    const TDateTime last = QDateTimeToDateTime(QDate(9999, 12, 31), QTime(23, 59, 59));
    insert->ParamByName(QStringLiteral("ID"))->SetAsLong(5);
    insert->ParamByName(QStringLiteral("S"))->SetAsDateTime(first);
    insert->ParamByName(QStringLiteral("D"))->SetAsDate(QDateToDateTime(QDate(9999, 12, 31)));
    insert->ParamByName(QStringLiteral("T"))->SetIsNull(true);
    insert->ExecQuery();
    insert->ParamByName(QStringLiteral("ID"))->SetAsLong(6);
    insert->ParamByName(QStringLiteral("S"))->SetAsDateTime(last);
    insert->ExecQuery();
    auto q = Row(QStringLiteral("select V_STAMP from TIPI where ID in (5, 6) order by ID"));
    EXPECT_EQ(q->Current()->Vars(0)->AsDateTime(), first);
    ASSERT_NE(q->Next(), nullptr);
    EXPECT_EQ(q->Current()->Vars(0)->AsDateTime(), last);
    q->Close();
}

TEST_P(Values, TextLongerThanTheColumnIsRefusedBeforeItIsSent)
{
    auto update = std::make_unique<TIBSQL>(nullptr);
    update->SetDatabase(db.get());
    update->SetTransaction(tr.get());
    update->SetSQLText(QStringLiteral("update TIPI set V_VARCHAR = :V where ID = 1"));
    TIBXSQLVAR* v = update->ParamByName(QStringLiteral("V"));
    v->SetAsString(QString(20, u'x'));
    const auto e = CaughtError<EIBClientError>([&] { v->SetAsString(QString(21, u'x')); });
    EXPECT_EQ(e->SQLCode(), ceStringTooLarge);
    EXPECT_EQ(e->Message(), QStringLiteral("Trying to store a string of length 21 into a field that can only contain 20"));
}

TEST_P(Values, ACharacterTheCodePageCannotHoldIsRefusedNamingIt)
{
    auto update = std::make_unique<TIBSQL>(nullptr);
    update->SetDatabase(db.get());
    update->SetTransaction(tr.get());
    update->SetSQLText(QStringLiteral("update TIPI set V_VARCHAR = :V where ID = 1"));
    const auto e = CaughtError<EIBClientError>(
        [&] { update->ParamByName(QStringLiteral("V"))->SetAsString(QStringLiteral("foto\u4E16.jpg")); });
    EXPECT_EQ(e->SQLCode(), ceCharacterNotInCodePage);
    EXPECT_TRUE(e->Message().contains(QStringLiteral("\"\u4E16\" (U+4E16)"))) << e->Message().toStdString();
    EXPECT_TRUE(e->Message().contains(QStringLiteral("code page 1252")));
}

INSTANTIATE_TEST_SUITE_P(Dialects, Values, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& info) { return "Dialect" + std::to_string(info.param); });

// Every byte of code page 1252 survives a read and a write back, through a
// VARCHAR and a CHAR column.
class ByteForByte : public ClientTest {};

TEST_F(ByteForByte, EveryByteValueRoundTripsThroughVarcharAndChar)
{
    db->Open();
    Query(*db, *tr, QStringLiteral("create table OCTETS (ID integer, V varchar(256), C char(256))"));
    tr->Commit();
    QString hex;
    for (int b = 0; b < 256; ++b)
        hex += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    Query(*db, *tr, QStringLiteral("insert into OCTETS values (1, x'%1', x'%1')").arg(hex));

    auto select = std::make_unique<TIBSQL>(nullptr);
    select->SetDatabase(db.get());
    select->SetTransaction(tr.get());
    select->SetSQLText(QStringLiteral("select V, C from OCTETS where ID = 1"));
    select->ExecQuery();
    const QString v = select->Current()->Vars(0)->AsString();
    const QString c = select->Current()->Vars(1)->AsString();
    select->Close();
    ASSERT_EQ(v.size(), 256);
    EXPECT_EQ(v.at(0x81), QChar(0x81)); // undefined in 1252: kept as the control character
    EXPECT_EQ(v.at(0x80), QChar(0x20AC));

    auto insert = std::make_unique<TIBSQL>(nullptr);
    insert->SetDatabase(db.get());
    insert->SetTransaction(tr.get());
    insert->SetSQLText(QStringLiteral("insert into OCTETS values (2, :V, :C)"));
    insert->ParamByName(QStringLiteral("V"))->SetAsString(v);
    insert->ParamByName(QStringLiteral("C"))->SetAsString(c);
    insert->ExecQuery();
    EXPECT_EQ(Query(*db, *tr,
                    QStringLiteral("select count(*) from OCTETS where ID = 2 and V = x'%1' and C = x'%1'").arg(hex)),
              QStringList{QStringLiteral("1")});
}

} // namespace
