// A connection through the loopback server whose server dies: the next
// raising call force-closes the connection and reports the interpreted
// status vector; once the server is back, a new connect works. Every call
// that finds the server gone does so, so one reopen is always enough.
#include "ClientFixture.h"

#include "tests/support/LoopbackServer.h"

namespace {

class LostConnection : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!LoopbackServer::Available())
            GTEST_SKIP() << LoopbackServer::SkipMessage().toStdString();
        server = std::make_unique<LoopbackServer>();
        server->CreateDatabase(QStringLiteral("patient.fdb"), FixtureDatabase::kPatient);
        db = std::make_unique<TIBDatabase>(nullptr);
        tr = std::make_unique<TIBTransaction>(nullptr);
        ConfigureAsProgram(*db, server->Remote(QStringLiteral("patient.fdb")));
        ConfigureAsProgram(*tr, *db);
        db->SetDefaultTransaction(tr.get());
    }
    void TearDown() override
    {
        tr.reset();
        db.reset();
        server.reset();
    }
    std::unique_ptr<LoopbackServer> server;
    std::unique_ptr<TIBDatabase> db;
    std::unique_ptr<TIBTransaction> tr;
};

TEST_F(LostConnection, TheNextRaisingCallForceClosesAndAReconnectWorksOnceTheServerIsBack)
{
    db->Open();
    TIBSQL select(nullptr);
    select.SetDatabase(db.get());
    select.SetTransaction(tr.get());
    select.SetSQLText(QStringLiteral("select AUTOID from IMMAGINI"));
    tr->StartTransaction();
    select.ExecQuery();
    ASSERT_NE(select.Next(), nullptr);

    server->Kill();

    // The client library has the five rows already; the next call that goes
    // to the server is the one that finds it gone.
    const auto e = CaughtError<EIBInterBaseError>(
        [&] { Query(*db, *tr, QStringLiteral("select count(*) from IMMAGINI")); });
    EXPECT_EQ(e->ClassName(), QStringLiteral("EIBInterBaseError"));
    EXPECT_EQ(e->IBErrorCode(), isc_net_read_err);
    EXPECT_EQ(e->Message(), QStringLiteral("Error reading data from the connection"));
    EXPECT_FALSE(db->Connected());
    EXPECT_FALSE(tr->InTransaction());
    EXPECT_FALSE(select.Prepared());

    server->Start();
    db->Open();
    EXPECT_EQ(Query(*db, *tr, QStringLiteral("select count(*) from IMMAGINI")), QStringList{QStringLiteral("5")});
    tr->Commit();
    db->Close();
}

// The window's reopen: disconnect (a no-op once force-closed), connect, run.
void ReopenAndCount(TIBDatabase& db, TIBTransaction& tr)
{
    db.Close();
    db.Open();
    EXPECT_EQ(Query(db, tr, QStringLiteral("select count(*) from IMMAGINI")), QStringList{QStringLiteral("5")});
    tr.Commit();
    db.Close();
}

TEST_F(LostConnection, StartingATransactionOnADeadServerForceCloses)
{
    db->Open();
    server->Kill();
    const auto e = CaughtError<EIBInterBaseError>([&] { tr->StartTransaction(); });
    EXPECT_FALSE(e->Message().isEmpty());
    EXPECT_FALSE(db->Connected());
    EXPECT_FALSE(tr->InTransaction());
    server->Start();
    ReopenAndCount(*db, *tr);
}

TEST_F(LostConnection, AskingForTheChangedRowsOnADeadServerForceCloses)
{
    db->Open();
    tr->StartTransaction();
    TIBSQL update(nullptr);
    update.SetDatabase(db.get());
    update.SetTransaction(tr.get());
    update.SetSQLText(QStringLiteral("update IMMAGINI set ZONA = 'z' where AUTOID = 1"));
    update.ExecQuery();
    server->Kill();
    const auto e = CaughtError<EIBInterBaseError>([&] { update.RowsAffected(); });
    EXPECT_FALSE(e->Message().isEmpty());
    EXPECT_FALSE(db->Connected());
    EXPECT_FALSE(tr->InTransaction());
    EXPECT_FALSE(update.Prepared());
    server->Start();
    ReopenAndCount(*db, *tr);
}

TEST_F(LostConnection, ARollbackTheClientLibraryReportsAsDoneStillLeavesOneReopenEnough)
{
    db->Open();
    tr->StartTransaction();
    server->Kill();
    // The client library may answer success here although the server is
    // gone; whatever it answers, the reopen below must work at once.
    try {
        tr->Rollback();
    } catch (const EIBInterBaseError&) {
    }
    EXPECT_FALSE(tr->InTransaction());
    server->Start();
    ReopenAndCount(*db, *tr);
}

} // namespace
