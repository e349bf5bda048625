// The database and transaction parameter blocks built from Params lines:
// the bytes for each edge case, every refusal with its message, and what a
// connection or transaction does after a refused block.
#include "ibclient/binding/EIBError.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"
#include "tests/support/FixtureDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray Text(int code, const QByteArray& value)
{
    return Bytes({code, static_cast<int>(value.size())}) + value;
}

struct TBlockCase {
    const char* what;
    QStringList lines;
    QByteArray expected;
};

TEST(DatabaseParameterBlock, BytesOfTheEdgeCases)
{
    const QByteArray program = Bytes({1}) + Text(0x1C, "sysdba") + Text(0x1D, "quietloom");
    const TBlockCase cases[] = {
        {"the program's two lines: 20 bytes", {"user_name=sysdba", "password=quietloom"}, program},
        {"names in capitals", {"USER_NAME=sysdba", "PASSWORD=quietloom"}, program},
        {"names behind the prefix, mixed case", {"isc_dpb_user_name=sysdba", "ISC_DPB_Password=quietloom"}, program},
        {"no lines: the version byte alone", {}, Bytes({1})},
        {"a line without '=' is skipped", {"nowait", "user_name=sysdba"}, Bytes({1}) + Text(0x1C, "sysdba")},
        {"a line beginning with '=' is skipped", {"=sysdba"}, Bytes({1})},
        {"a blank after '=' is part of the value", {"user_name= sysdba"}, Bytes({1}) + Text(0x1C, " sysdba")},
        {"num_buffers carries the low byte", {"num_buffers=300"}, Bytes({1, 0x05, 0x01, 0x2C})},
        {"a hexadecimal number", {"num_buffers=$1F"}, Bytes({1, 0x05, 0x01, 0x1F})},
        {"sweep_interval carries four bytes", {"sweep_interval=20000"}, Bytes({1, 0x16, 0x04, 0x20, 0x4E, 0, 0})},
        {"sweep ignores its value", {"sweep=anything"}, Bytes({1, 0x0A, 0x01, 0x02})},
        {"activate_shadow ignores its value", {"activate_shadow=9"}, Bytes({1, 0x15, 0x01, 0x00})},
        {"sql_dialect lowers its first byte by 48", {"sql_dialect=3"}, Bytes({1, 0x3F, 0x01, 0x03})},
        {"lc_ctype is a text item", {"lc_ctype=WIN1252"}, Bytes({1}) + Text(0x30, "WIN1252")},
        {"a value of 255 bytes fits", {"user_name=" + QString(255, u'x')}, Bytes({1}) + Text(0x1C, QByteArray(255, 'x'))},
    };
    for (const TBlockCase& c : cases)
        EXPECT_EQ(TIBDatabase::BuildDPB(c.lines, nullptr).toHex(' '), c.expected.toHex(' ')) << c.what;
}

TEST(DatabaseParameterBlock, CharacterSetAndItsCodePage)
{
    QString charset;
    TIBDatabase::BuildDPB({QStringLiteral("lc_ctype=WIN1252")}, &charset);
    EXPECT_EQ(charset, QStringLiteral("WIN1252"));
    EXPECT_EQ(TIBDatabase::CodePageOfCharacterSet(charset), 1252);
    EXPECT_EQ(TIBDatabase::CodePageOfCharacterSet(QStringLiteral("win1252")), 0);
    EXPECT_EQ(TIBDatabase::CodePageOfCharacterSet(QStringLiteral("NONE")), 1252);
    EXPECT_EQ(TIBDatabase::CodePageOfCharacterSet(QStringLiteral("UTF8")), 65001);
}

struct TRefusalCase {
    const char* what;
    QStringList lines;
    int code; // client error code, or -1 for EConvertError
    QString message;
};

TEST(DatabaseParameterBlock, EveryMalformedLineIsRefusedWithItsMessage)
{
    const TRefusalCase cases[] = {
        {"a blank before '='", {"user_name =sysdba"}, ceDpbConstantUnknown, "DPB Constant (user_name ) is unknown"},
        {"an unknown name keeps its case", {"User_Nam=x"}, ceDpbConstantUnknown, "DPB Constant (User_Nam) is unknown"},
        {"a refused name", {"page_size=4096"}, ceDpbConstantUnsupported,
         "DPB Constant (isc_dpb_page_size) is unsupported"},
        {"a refused name behind the prefix", {"ISC_DPB_PAGE_SIZE=4096"}, ceDpbConstantUnsupported,
         "DPB Constant (isc_dpb_page_size) is unsupported"},
        {"a number that is not one", {"num_buffers=abc"}, -1, "''abc'' is not a valid integer value"},
        {"a number with a trailing blank", {"num_buffers=7 "}, -1, "''7 '' is not a valid integer value"},
        {"a number beyond 32 bits", {"sweep_interval=4294967296"}, -1,
         "''4294967296'' is not a valid integer value"},
        {"a text value longer than its length byte counts", {"password=" + QString(256, u'p')},
         ceParameterValueTooLong, "The value of password is 256 bytes long; a parameter value can hold at most 255 bytes"},
        {"sql_dialect without a value", {"sql_dialect="}, ceParameterValueMissing,
         "The parameter sql_dialect needs a value"},
    };
    for (const TRefusalCase& c : cases) {
        try {
            TIBDatabase::BuildDPB(c.lines, nullptr);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const EIBClientError& e) {
            EXPECT_EQ(e.SQLCode(), c.code) << c.what;
            EXPECT_EQ(e.Message(), c.message) << c.what;
        } catch (const EConvertError& e) {
            EXPECT_EQ(c.code, -1) << c.what;
            EXPECT_EQ(e.Message(), c.message) << c.what;
        }
    }
}

TEST(TransactionParameterBlock, BytesOfTheEdgeCases)
{
    const QByteArray program = Bytes({3, 0x0F, 0x11, 0x07});
    const TBlockCase cases[] = {
        {"the program's three lines", {"read_committed", "rec_version", "nowait"}, program},
        {"names in capitals", {"READ_COMMITTED", "REC_VERSION", "NOWAIT"}, program},
        {"names behind the prefix", {"isc_tpb_read_committed", "ISC_TPB_Rec_Version", "Isc_Tpb_nowait"}, program},
        {"no lines: no block", {}, QByteArray()},
        {"blank lines add nothing", {"read_committed", "", "   ", "\t"}, Bytes({3, 0x0F})},
        {"a value after a code item is ignored", {"nowait=1"}, Bytes({3, 0x07})},
        {"lock_write carries the table name", {"lock_write=IMMAGINI"}, Bytes({3, 0x0B, 0x08}) + "IMMAGINI"},
        {"lock_read without '=' names no table", {"lock_read"}, Bytes({3, 0x0A, 0x00})},
    };
    for (const TBlockCase& c : cases)
        EXPECT_EQ(TIBTransaction::BuildTPB(c.lines).toHex(' '), c.expected.toHex(' ')) << c.what;
}

TEST(TransactionParameterBlock, EveryMalformedLineIsRefusedWithItsMessage)
{
    const TRefusalCase cases[] = {
        {"a leading blank", {" nowait"}, ceTpbConstantUnknown, "TPB Constant ( nowait) is unknown"},
        {"an unknown name with a value", {"nowaiting=1"}, ceTpbConstantUnknown, "TPB Constant (nowaiting) is unknown"},
        {"autocommit", {"autocommit"}, ceTpbConstantUnsupported, "TPB Constant (isc_tpb_autocommit) is unsupported"},
        {"verb_time", {"isc_tpb_verb_time"}, ceTpbConstantUnsupported,
         "TPB Constant (isc_tpb_verb_time) is unsupported"},
        {"a table name longer than its length byte counts", {"lock_write=" + QString(256, u'T')},
         ceParameterValueTooLong, "The value of lock_write is 256 bytes long; a parameter value can hold at most 255 bytes"},
    };
    for (const TRefusalCase& c : cases) {
        try {
            TIBTransaction::BuildTPB(c.lines);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const EIBClientError& e) {
            EXPECT_EQ(e.SQLCode(), c.code) << c.what;
            EXPECT_EQ(e.Message(), c.message) << c.what;
        }
    }
}

class RefusedBlocks : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("patient.fdb"));
        FixtureDatabase::Create(FixtureDatabase::kPatient, path);
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(RefusedBlocks, AConnectionWithBadParamsStaysDetachedAndRefusesAgainUntilTheyAreMended)
{
    TIBDatabase db(nullptr);
    db.SetDatabaseName(path);
    db.SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("page_size=4096")});
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_THROW(db.SetConnected(true), EIBClientError);
        EXPECT_FALSE(db.Connected());
    }
    db.SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=quietloom")});
    db.SetConnected(true);
    EXPECT_TRUE(db.Connected());
    db.SetConnected(false);
}

TEST_F(RefusedBlocks, ATransactionWithBadParamsStaysInactiveAndRefusesAgainUntilTheyAreMended)
{
    TIBDatabase db(nullptr);
    db.SetDatabaseName(path);
    db.SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=quietloom")});
    db.Open();
    TIBTransaction tr(nullptr);
    tr.SetDefaultDatabase(&db);
    tr.SetParams({QStringLiteral("read_committed"), QStringLiteral("autocommit")});
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_THROW(tr.StartTransaction(), EIBClientError);
        EXPECT_FALSE(tr.InTransaction());
    }
    tr.SetParams({QStringLiteral("read_committed"), QStringLiteral("rec_version"), QStringLiteral("nowait")});
    tr.StartTransaction();
    EXPECT_EQ(tr.TPB().toHex(' '), QByteArray("03 0f 11 07"));
    tr.Commit();
    db.Close();
}

} // namespace
