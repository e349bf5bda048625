// The schema cache: which columns are computed, have a default or belong to
// the primary key, read once per table in the connection's internal
// transaction.
#include "ClientFixture.h"

#include "ibclient/sql/TSchema.h"
#include "tests/support/ClientCalls.h"

namespace {

class Schema : public ClientTest {
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        schemaPath = dir.filePath(QStringLiteral("schema.fdb"));
        FixtureDatabase::Create({QStringLiteral("schema.sql")}, schemaPath);
        db->SetDatabaseName(schemaPath);
        db->Open();
    }
    QString schemaPath;
};

struct TColumnFacts {
    const char* column;
    bool computed, defaulted, key;
};

TEST_F(Schema, FactsOfEveryKindOfColumn)
{
    const TColumnFacts cases[] = {
        {"CLIENTE", false, false, true},   {"NUMERO", false, true, true}, {"STATO", false, true, false},
        {"NOTA", false, false, false},     {"CREATA", false, true, false}, {"ETICHETTA", true, false, false},
        {"NO_SUCH_COLUMN", false, false, false},
    };
    // The first question loads the table; the answers are the same in any order.
    for (const TColumnFacts& c : cases) {
        const QString column = QLatin1String(c.column);
        EXPECT_EQ(db->Has_COMPUTED_BLR(QStringLiteral("VISITE"), column), c.computed) << c.column;
        EXPECT_EQ(db->Has_DEFAULT_VALUE(QStringLiteral("VISITE"), column), c.defaulted) << c.column;
        EXPECT_EQ(db->In_Key(QStringLiteral("VISITE"), column), c.key) << c.column;
    }
}

TEST_F(Schema, ATableIsQueriedOnceAndTheInternalTransactionIsLeftAsItWas)
{
    TIBTransaction* internal = db->InternalTransaction();
    ASSERT_FALSE(internal->InTransaction());
    {
        TClientCalls calls;
        EXPECT_FALSE(db->Has_DEFAULT_VALUE(QStringLiteral("SEMPLICE"), QStringLiteral("A")));
        EXPECT_EQ(calls.Count("isc_dsql_execute2"), 2);
    }
    EXPECT_FALSE(internal->InTransaction());
    EXPECT_FALSE(tr->InTransaction());
    TClientCalls calls;
    EXPECT_FALSE(db->In_Key(QStringLiteral("SEMPLICE"), QStringLiteral("B")));
    EXPECT_FALSE(db->Has_COMPUTED_BLR(QStringLiteral("semplice"), QStringLiteral("a")));
    EXPECT_EQ(calls.Count("isc_dsql_execute2"), 0);
}

TEST_F(Schema, TheFirstQuestionIsExactAndLaterOnesIgnoreCase)
{
    // The load takes its answer by an exact match of the column name...
    EXPECT_FALSE(db->In_Key(QStringLiteral("VISITE"), QStringLiteral("cliente")));
    // ...later questions are answered by the case-ignoring lookup.
    EXPECT_TRUE(db->In_Key(QStringLiteral("VISITE"), QStringLiteral("cliente")));
}

TEST_F(Schema, ReconnectingKeepsTheCacheAndAnotherNameEmptiesIt)
{
    EXPECT_TRUE(db->In_Key(QStringLiteral("VISITE"), QStringLiteral("NUMERO")));
    db->Close();
    db->SetDatabaseName(schemaPath); // the same name
    db->Open();
    {
        TClientCalls calls;
        EXPECT_TRUE(db->In_Key(QStringLiteral("VISITE"), QStringLiteral("NUMERO")));
        EXPECT_EQ(calls.Count("isc_dsql_execute2"), 0);
    }
    db->Close();
    db->SetDatabaseName(path); // the patient database
    db->Open();
    TClientCalls calls;
    EXPECT_FALSE(db->In_Key(QStringLiteral("VISITE"), QStringLiteral("NUMERO")));
    EXPECT_EQ(calls.Count("isc_dsql_execute2"), 2);
    EXPECT_TRUE(db->In_Key(QStringLiteral("IMMAGINI"), QStringLiteral("AUTOID")));
}

TEST_F(Schema, AFailedLoadLeavesNoEntryAndEndsItsTransaction)
{
    db->Close();
    // Detached: the load fails and leaves nothing cached.
    EXPECT_THROW(db->In_Key(QStringLiteral("VISITE"), QStringLiteral("NUMERO")), EIBClientError);
    EXPECT_FALSE(db->InternalTransaction()->InTransaction());
    db->Open();
    EXPECT_TRUE(db->In_Key(QStringLiteral("VISITE"), QStringLiteral("NUMERO")));
}

} // namespace
