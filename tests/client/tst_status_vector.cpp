// The status vector: finding codes cluster by cluster, and composing the
// error text with the real client library from hand-built vectors and from
// the engine's own errors, whose quoted values are in the connection's code
// page.
#include "ClientFixture.h"

#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/IGDSLibrary.h"
#include "ibclient/binding/StatusVector.h"
#include "ibclient/binding/TCodePage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

ISC_STATUS Address(const char* text)
{
    return reinterpret_cast<ISC_STATUS>(text);
}

struct THasCodeCase {
    const char* what;
    std::vector<ISC_STATUS> vector;
    ISC_STATUS code;
    bool expected;
};

TEST(StatusVector, HasCodeWalksClusterByCluster)
{
    static const char text[] = "isc_lost_db_connection";
    const THasCodeCase cases[] = {
        {"error code in the first cluster", {isc_arg_gds, isc_lost_db_connection, isc_arg_end},
         isc_lost_db_connection, true},
        {"error code after a counted string",
         {isc_arg_gds, isc_network_error, isc_arg_cstring, 5, Address(text), isc_arg_gds, isc_lost_db_connection,
          isc_arg_end},
         isc_lost_db_connection, true},
        {"a counted string's length word is no code",
         {isc_arg_cstring, isc_lost_db_connection, Address(text), isc_arg_end}, isc_lost_db_connection, false},
        {"a string's address word is no code", {isc_arg_string, isc_net_read_err, isc_arg_end}, isc_net_read_err,
         false},
        {"a number cluster's value counts", {isc_arg_number, 42, isc_arg_end}, 42, true},
        {"an OS error number is no code", {isc_arg_gds, isc_io_error, isc_arg_unix, isc_net_write_err, isc_arg_end},
         isc_net_write_err, false},
        {"nothing after the end", {isc_arg_gds, isc_random, isc_arg_end, isc_arg_gds, isc_lost_db_connection},
         isc_lost_db_connection, false},
        {"empty vector", {isc_arg_end}, isc_lost_db_connection, false},
    };
    for (const THasCodeCase& c : cases) {
        ISC_STATUS_ARRAY vector = {};
        std::copy(c.vector.begin(), c.vector.end(), vector);
        EXPECT_EQ(StatusVectorHasCode(vector, {c.code}), c.expected) << c.what;
    }
}

TEST(StatusVector, HasCodeStopsAtTheEndOfAVectorWithoutEndMarker)
{
    // Twenty words of number clusters and no end: the walk must stay inside.
    ISC_STATUS_ARRAY vector;
    for (int i = 0; i < ISC_STATUS_LENGTH; i += 2) {
        vector[i] = isc_arg_number;
        vector[i + 1] = 7;
    }
    EXPECT_FALSE(StatusVectorHasCode(vector, {isc_lost_db_connection}));
    EXPECT_TRUE(StatusVectorHasCode(vector, {7}));
}

// Raises the status-vector error for a hand-built vector in the thread's slot.
template <class E>
E Raised(std::initializer_list<ISC_STATUS> words)
{
    ISC_STATUS* vector = ThreadStatusVector();
    std::fill(vector, vector + ISC_STATUS_LENGTH, 0);
    std::copy(words.begin(), words.end(), vector);
    try {
        RaiseStatusVectorError();
    } catch (const E& e) {
        return e;
    } catch (const Exception& e) {
        ADD_FAILURE() << "raised " << e.ClassName().toStdString();
    }
    return E(0, QString());
}

class StatusVectorText : public ::testing::Test {
protected:
    void SetUp() override { SharedClientLibrary()->CheckIBLoaded(); }
};

TEST_F(StatusVectorText, LinesAreJoinedByCrLfAndTheFinalFullStopIsDropped)
{
    static const char host[] = "C";
    const EIBInterBaseError e = Raised<EIBInterBaseError>(
        {isc_arg_gds, isc_network_error, isc_arg_string, Address(host), isc_arg_gds, isc_random, isc_arg_string,
         Address("second line"), isc_arg_gds, isc_random, isc_arg_string, Address("third line."), isc_arg_end});
    EXPECT_EQ(e.Message(), QStringLiteral("Unable to complete network request to host \"C\".\r\n"
                                          "second line\r\n"
                                          "third line"));
    EXPECT_EQ(e.IBErrorCode(), isc_network_error);
    EXPECT_EQ(e.SQLCode(), -902);
}

TEST_F(StatusVectorText, ALineEndingInALineFeedIsFollowedDirectly)
{
    const EIBInterBaseError e = Raised<EIBInterBaseError>({isc_arg_gds, isc_random, isc_arg_string,
                                                           Address("first\n"), isc_arg_gds, isc_random,
                                                           isc_arg_string, Address("second"), isc_arg_end});
    EXPECT_EQ(e.Message(), QStringLiteral("first\nsecond"));
}

TEST_F(StatusVectorText, NoPermissionIsARoleError)
{
    const EIBInterBaseRoleError e = Raised<EIBInterBaseRoleError>(
        {isc_arg_gds, isc_no_priv, isc_arg_string, Address("SELECT"), isc_arg_string, Address("TABLE"),
         isc_arg_string, Address("IMMAGINI"), isc_arg_end});
    EXPECT_EQ(e.SQLCode(), -551);
    EXPECT_EQ(e.IBErrorCode(), isc_no_priv);
    EXPECT_EQ(e.Message(), QStringLiteral("no permission for SELECT access to TABLE IMMAGINI"));
}

TEST_F(StatusVectorText, StringsAreReadInTheGivenCodePage)
{
    static const char value[] = "citt\xE0";
    const ISC_STATUS words[] = {isc_arg_gds, isc_random, isc_arg_string, Address(value), isc_arg_end};
    ISC_STATUS_ARRAY vector = {};
    std::copy(std::begin(words), std::end(words), vector);
    const TCodePage cp1252(1252);
    EXPECT_EQ(InterpretStatusVector(*SharedClientLibrary(), vector, &cp1252), QStringLiteral("citt\u00E0"));
    // A counted string likewise, and the vector itself is left as it was.
    const ISC_STATUS counted[] = {isc_arg_gds, isc_random, isc_arg_cstring, 4, Address(value), isc_arg_end};
    std::copy(std::begin(counted), std::end(counted), vector);
    EXPECT_EQ(InterpretStatusVector(*SharedClientLibrary(), vector, &cp1252), QStringLiteral("citt"));
    EXPECT_EQ(vector[4], Address(value));
}

// Errors of the engine through a connection with character set NONE (code page 1252).
class EngineMessages : public ClientTest {};

TEST_F(EngineMessages, AQuotedStoredValueShowsTheLettersTypedAndAFileNameKeepsItsOwn)
{
    db->Open();
    Query(*db, *tr, QStringLiteral("create table CITTA (NOME varchar(20) not null primary key)"));
    tr->Commit();
    Query(*db, *tr, QStringLiteral("insert into CITTA values ('citt\u00E0')"));
    const auto e = CaughtError<EIBInterBaseError>(
        [&] { Query(*db, *tr, QStringLiteral("insert into CITTA values ('citt\u00E0')")); });
    EXPECT_TRUE(e->Message().contains(QStringLiteral("'citt\u00E0'"))) << e->Message().toStdString();
    EXPECT_FALSE(e->Message().contains(QChar(0xFFFD))) << e->Message().toStdString();
    tr->Rollback();
    db->Close();

    // The file name of a failed attach is the system's text, not the connection's.
    const QString missing = dir.filePath(QStringLiteral("citt\u00E0/nessuno.fdb"));
    db->SetDatabaseName(missing);
    const auto attach = CaughtError<EIBInterBaseError>([&] { db->Open(); });
    EXPECT_TRUE(attach->Message().contains(missing)) << attach->Message().toStdString();
}

} // namespace
