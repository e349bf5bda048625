// The connection and the transaction against the real engine: attach and
// detach, dialects, the server's error texts, a permission error, commit
// with and without retaining, and a disconnect that ends a running
// transaction.
#include "ClientFixture.h"

#include "ibclient/binding/TDynamicLibrary.h"
#include "tests/support/ClientCalls.h"
#include "tests/support/LoopbackServer.h"

#include <QEventLoop>
#include <QTimer>

namespace {

using Connection = ClientTest;

TEST_F(Connection, AttachReadsTheDialectAndDetachResetsIt)
{
    int before = 0, after = 0;
    db->SetBeforeConnect([&](TCustomConnection*) { ++before; });
    db->SetAfterDisconnect([&](TCustomConnection*) { ++after; });
    db->SetConnected(true);
    EXPECT_TRUE(db->Connected());
    EXPECT_NE(db->Handle(), 0u);
    EXPECT_EQ(db->DBSQLDialect(), 1);
    EXPECT_EQ(db->SQLDialect(), 1);
    EXPECT_EQ(db->CharacterSet(), QStringLiteral("NONE"));
    EXPECT_EQ(db->CharacterSetCodePage(), 1252);
    db->SetConnected(false);
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(db->Handle(), 0u);
    EXPECT_EQ(db->DBSQLDialect(), 1);
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 1);
    db->SetBeforeConnect(nullptr);
    db->SetAfterDisconnect(nullptr);
}

TEST_F(Connection, AssigningTheCurrentStateMakesNoCallAndFiresNoEvent)
{
    int events = 0;
    db->SetBeforeDisconnect([&](TCustomConnection*) { ++events; });
    db->SetBeforeConnect([&](TCustomConnection*) { ++events; });
    {
        TClientCalls calls;
        db->SetConnected(false);
        EXPECT_EQ(calls.Total(), 0);
    }
    db->Open();
    events = 0;
    {
        TClientCalls calls;
        db->SetConnected(true);
        EXPECT_EQ(calls.Total(), 0);
    }
    EXPECT_EQ(events, 0);
    db->SetBeforeDisconnect(nullptr);
    db->SetBeforeConnect(nullptr);
}

TEST_F(Connection, ADialect3DatabaseIsSpokenToInDialect1)
{
    const QString path3 = dir.filePath(QStringLiteral("items.fdb"));
    FixtureDatabase::Create({QStringLiteral("dialect3.sql")}, path3, 3);
    TIBDatabase db3(nullptr);
    ConfigureAsProgram(db3, path3);
    EXPECT_EQ(db3.DBSQLDialect(), 3); // before any connect
    db3.Open();
    EXPECT_EQ(db3.DBSQLDialect(), 3);
    EXPECT_EQ(db3.SQLDialect(), 1);
    // Above the database's own dialect while attached: refused.
    const auto e = CaughtError<EIBClientError>([&] { db3.SetSQLDialect(4); });
    EXPECT_EQ(e->SQLCode(), ceSQLDialectInvalid);
    EXPECT_EQ(e->Message(), QStringLiteral("SQL Dialect Invalid"));
    db3.Close();
    EXPECT_EQ(db3.DBSQLDialect(), 1);
}

TEST_F(Connection, NameAndParamsCannotChangeWhileAttached)
{
    db->Open();
    db->SetDatabaseName(path); // the same name: nothing happens
    auto e = CaughtError<EIBClientError>([&] { db->SetDatabaseName(path + QStringLiteral("x")); });
    EXPECT_EQ(e->Message(), QStringLiteral("Cannot perform operation -- DB is currently open"));
    EXPECT_EQ(db->DatabaseName(), path);
    e = CaughtError<EIBClientError>([&] { db->Params().Add(QStringLiteral("num_buffers=100")); });
    EXPECT_EQ(e->SQLCode(), ceDatabaseOpen);
    EXPECT_EQ(db->Params().Count(), 2);
}

struct TAttachFailure {
    const char* what;
    QString name;
    QString message;
};

TEST_F(Connection, AFailedAttachLeavesTheConnectionDetachedWithTheServersText)
{
    const QString missing = dir.filePath(QStringLiteral("missing.fdb"));
    const TAttachFailure cases[] = {
        {"an empty name", QString(), QStringLiteral("Database name is missing")},
        {"a missing file",
         missing,
         QStringLiteral("I/O error during \"open\" operation for file \"%1\"\r\n"
                        "Error while trying to open file\r\n"
                        "No such file or directory")
             .arg(missing)},
        // The last line names the resolver's answer, which depends on the machine.
        {"the program's default path: the host C", QStringLiteral("C:\\Ostra\\Palvena\\Database\\Pazienti.GDB"),
         QStringLiteral("Unable to complete network request to host \"C\".\r\n"
                        "Failed to locate host machine.\r\n")},
    };
    for (const TAttachFailure& c : cases) {
        TIBDatabase other(nullptr);
        ConfigureAsProgram(other, c.name);
        try {
            other.Open();
            ADD_FAILURE() << c.what << ": attached";
        } catch (const EIBError& e) {
            if (c.message.endsWith(u'\n')) {
                EXPECT_TRUE(e.Message().startsWith(c.message)) << c.what << ": " << e.Message().toStdString();
                EXPECT_FALSE(e.Message().endsWith(u'.')) << c.what;
            } else {
                EXPECT_EQ(e.Message(), c.message) << c.what;
            }
        }
        EXPECT_FALSE(other.Connected()) << c.what;
        EXPECT_EQ(other.Handle(), 0u) << c.what;
    }
}

TEST_F(Connection, CommitRetainingKeepsTheHandleAndCommitEndsTheTransaction)
{
    db->Open();
    tr->StartTransaction();
    const isc_tr_handle handle = tr->Handle();
    const int id = tr->TransactionID();
    EXPECT_GT(id, 0);
    tr->CommitRetaining();
    EXPECT_TRUE(tr->InTransaction());
    EXPECT_EQ(tr->Handle(), handle);
    tr->Commit();
    EXPECT_FALSE(tr->InTransaction());
    auto e = CaughtError<EIBClientError>([&] { tr->Commit(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Transaction is not active"));
    tr->StartTransaction();
    e = CaughtError<EIBClientError>([&] { tr->StartTransaction(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Transaction is active"));
    e = CaughtError<EIBClientError>([&] { tr->Params().Add(QStringLiteral("wait")); });
    EXPECT_EQ(e->Message(), QStringLiteral("Transaction is active"));
    EXPECT_EQ(tr->Params().Count(), 3);
    tr->Rollback();
}

TEST_F(Connection, DisconnectingWithAnActiveTransactionCommitsItHard)
{
    db->Open();
    Query(*db, *tr, QStringLiteral("update IMMAGINI set EXTFILE = 'changed' where AUTOID = 1"));
    ASSERT_TRUE(tr->InTransaction());
    db->Close();
    EXPECT_FALSE(tr->InTransaction());
    db->Open();
    EXPECT_EQ(Query(*db, *tr, QStringLiteral("select EXTFILE from IMMAGINI where AUTOID = 1")),
              QStringList{QStringLiteral("changed")});
    tr->Commit();
}

TEST_F(Connection, StartingNeedsAnAttachedDatabase)
{
    const auto e = CaughtError<EIBClientError>([&] { tr->StartTransaction(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Cannot perform operation -- DB is not open"));
    TIBTransaction lonely(nullptr);
    const auto none = CaughtError<EIBClientError>([&] { lonely.StartTransaction(); });
    EXPECT_EQ(none->Message(), QStringLiteral("No databases are listed in transaction component"));
}

TEST_F(Connection, DestroyingTheTransactionFirstLeavesTheConnectionClean)
{
    db->Open();
    tr->StartTransaction();
    tr.reset();
    EXPECT_EQ(db->DefaultTransaction(), nullptr);
    EXPECT_EQ(db->TransactionCount(), 1); // the internal transaction
    db->Close();
}

// Runs the event loop for a while, so that timers tick.
void Wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST_F(Connection, IdleTimersEndTheTransactionAndDetachAfterAnIntervalWithoutCalls)
{
    db->Open();
    tr->SetDefaultAction(TACommit); // the idle end uses the action as it is: a hard commit here
    tr->StartTransaction();
    int transactionIdle = 0, databaseIdle = 0;
    tr->SetOnIdleTimer([&](TIBTransaction*) { ++transactionIdle; });
    db->SetOnIdleTimer([&](TIBDatabase*) { ++databaseIdle; });
    EXPECT_THROW(tr->SetIdleTimer(-1), EIBClientError);
    tr->SetIdleTimer(20);
    Wait(100);
    EXPECT_FALSE(tr->InTransaction());
    EXPECT_EQ(transactionIdle, 1);
    EXPECT_TRUE(db->Connected());
    db->SetIdleTimer(20);
    Wait(100);
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(databaseIdle, 1);
    tr->SetOnIdleTimer(nullptr);
    db->SetOnIdleTimer(nullptr);
}

// Through the loopback server: a wrong password and a missing permission.
class ServerConnection : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (LoopbackServer::Available()) {
            server = new LoopbackServer();
            server->CreateDatabase(QStringLiteral("patient.fdb"), FixtureDatabase::kPatient);
        }
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        if (!server)
            GTEST_SKIP() << LoopbackServer::SkipMessage().toStdString();
    }
    static LoopbackServer* server;
};

LoopbackServer* ServerConnection::server = nullptr;

TEST_F(ServerConnection, AttachAndDetachThroughTheServer)
{
    TIBDatabase db(nullptr);
    ConfigureAsProgram(db, server->Remote(QStringLiteral("patient.fdb")));
    db.Open();
    EXPECT_EQ(db.DBSQLDialect(), 1);
    db.Close();
    EXPECT_FALSE(db.Connected());
}

TEST_F(ServerConnection, AWrongPasswordGivesTheServersText)
{
    TIBDatabase db(nullptr);
    ConfigureAsProgram(db, server->Remote(QStringLiteral("patient.fdb")));
    db.SetParams({QStringLiteral("user_name=sysdba"), QStringLiteral("password=wrong")});
    const auto e = CaughtError<EIBInterBaseError>([&] { db.Open(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Your user name and password are not defined. "
                                           "Ask your database administrator to set up a Firebird login"));
    EXPECT_EQ(e->IBErrorCode(), isc_login);
    EXPECT_EQ(e->SQLCode(), -902);
    EXPECT_FALSE(db.Connected());
}

TEST_F(ServerConnection, ReadingATableWithoutAGrantIsARoleError)
{
    TIBDatabase db(nullptr);
    ConfigureAsProgram(db, server->Remote(QStringLiteral("patient.fdb")));
    db.SetParams({QStringLiteral("user_name=") + QLatin1String(LoopbackServer::kClerkUser),
                  QStringLiteral("password=") + QLatin1String(LoopbackServer::kClerkPassword)});
    TIBTransaction tr(nullptr);
    ConfigureAsProgram(tr, db);
    db.Open();
    const auto e = CaughtError<EIBInterBaseRoleError>(
        [&] { Query(db, tr, QStringLiteral("select EXTFILE from IMMAGINI")); });
    EXPECT_EQ(e->SQLCode(), -551);
    EXPECT_EQ(e->Message(), QStringLiteral("no permission for SELECT access to TABLE IMMAGINI"));
    tr.Commit();
    db.Close();
}

} // namespace
