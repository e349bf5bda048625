// Statements against the patient database: the program's five statements
// prepare, an unknown column fails with the server's text, and the cursor
// behaves around commits, failing fetches and its end. What reaches the
// server is what the caller wrote: markers the server does not see are no
// parameters, a text cut by a character 0 is refused, and a cursor whose
// handle is gone is closed.
#include "ClientFixture.h"

#include "tests/support/ClientCalls.h"

namespace {

const QStringList kModifySQL = {"update IMMAGINI", "set", "  EXTFILE = :EXTFILE", "where",
                                "  AUTOID = :OLD_AUTOID and", "  CODICE_CLIENTE = :OLD_CODICE_CLIENTE and",
                                "  NUMERO_CARTELLA = :OLD_NUMERO_CARTELLA"};

class Statements : public ClientTest {
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        db->Open();
        tr->StartTransaction();
    }
    std::unique_ptr<TIBSQL> Statement(const QStringList& lines)
    {
        auto q = std::make_unique<TIBSQL>(nullptr);
        q->SetDatabase(db.get());
        q->SetTransaction(tr.get());
        q->SetGoToFirstRecordOnExecute(false);
        q->SetSQL(lines);
        return q;
    }
};

TEST_F(Statements, TheProgramsFiveStatementsPrepare)
{
    struct TCase {
        QStringList lines;
        TIBSQLTypes type;
        QStringList params;
        int columns;
    };
    const TCase cases[] = {
        {{"select CODICE_CLIENTE,NUMERO_CARTELLA, AUTOID,EXTFILE from IMMAGINI"}, SQLSelect, {}, 4},
        {{"delete from IMMAGINI", "where", "  AUTOID = :OLD_AUTOID"}, SQLDelete, {"OLD_AUTOID"}, 0},
        {{"insert into IMMAGINI", "  (AUTOID, EXTFILE)", "values", "  (:AUTOID, :EXTFILE)"},
         SQLInsert,
         {"AUTOID", "EXTFILE"},
         0},
        {kModifySQL, SQLUpdate, {"EXTFILE", "OLD_AUTOID", "OLD_CODICE_CLIENTE", "OLD_NUMERO_CARTELLA"}, 0},
        {{"Select ", "  CODICE_CLIENTE,", "  NUMERO_CARTELLA,", "  AUTOID,", "  ZONA,", "  DATA,", "  EXTFILE,",
          "  GRAPHICS,", "  COMMENTO,", "  MISURE", "from IMMAGINI ", "where", "  AUTOID = :AUTOID"},
         SQLSelect,
         {"AUTOID"},
         9},
    };
    for (const TCase& c : cases) {
        auto q = Statement(c.lines);
        q->Prepare();
        EXPECT_TRUE(q->Prepared()) << c.lines.first().toStdString();
        EXPECT_EQ(q->SQLType(), c.type) << c.lines.first().toStdString();
        QStringList names;
        for (int i = 0; i < q->Params()->Count(); ++i)
            names.append(q->Params()->Vars(i)->Name());
        EXPECT_EQ(names, c.params) << c.lines.first().toStdString();
        EXPECT_EQ(q->FieldCount(), c.columns) << c.lines.first().toStdString();
    }
    // The update reaches the server as its seven lines, each ended by CR LF, with four markers.
    auto modify = Statement(kModifySQL);
    modify->Prepare();
    EXPECT_EQ(modify->ProcessedSQL(),
              QStringLiteral("update IMMAGINI\r\nset\r\n  EXTFILE = ?\r\nwhere\r\n  AUTOID = ? and\r\n"
                             "  CODICE_CLIENTE = ? and\r\n  NUMERO_CARTELLA = ?\r\n"));
    EXPECT_EQ(modify->ParamByName(QStringLiteral("old_autoid"))->Index(), 1);
    const auto e = CaughtError<EIBClientError>([&] { modify->ParamByName(QStringLiteral("old_zona")); });
    EXPECT_EQ(e->Message(), QStringLiteral("Field \"old_zona\" not found"));
}

TEST_F(Statements, AnUnknownColumnFailsWithTheServersTextAndLeavesNoHandle)
{
    QStringList lines = kModifySQL;
    lines[2] = QStringLiteral("  EXTFILEX = :EXTFILE");
    auto q = Statement(lines);
    const auto e = CaughtError<EIBInterBaseError>([&] { q->Prepare(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Dynamic SQL Error\r\nSQL error code = -206\r\nColumn unknown\r\n"
                                           "EXTFILEX\r\nAt line 3, column 3"));
    EXPECT_EQ(e->SQLCode(), -206);
    EXPECT_FALSE(q->Prepared());
    EXPECT_EQ(q->Handle(), 0u);
}

TEST_F(Statements, ResultColumnsWithoutOrWithTheSameAliasGetNumbers)
{
    auto q = Statement({"select 1, 2, AUTOID, AUTOID from IMMAGINI"});
    q->Prepare();
    QStringList names;
    for (int i = 0; i < q->FieldCount(); ++i)
        names.append(q->Fields(i)->Name());
    EXPECT_EQ(names, (QStringList{"CONSTANT", "CONSTANT1", "AUTOID", "AUTOID1"}));
    auto unnamed = Statement({"select 1 + 1, 2 + 2 from RDB$DATABASE"});
    unnamed->Prepare();
    EXPECT_EQ(unnamed->Fields(0)->Name(), QStringLiteral("ADD"));
    const auto e = CaughtError<EIBClientError>([&] { unnamed->Fields(7); });
    EXPECT_EQ(e->Message(), QStringLiteral("Field \"7\" not found"));
}

TEST_F(Statements, TheCursorSurvivesCommitRetainingAndAHardCommitClosesIt)
{
    // More rows than one network packet holds, so that fetching goes back to the server.
    Query(*db, *tr, QStringLiteral("execute block as declare i integer = 100; begin "
                                   "while (i < 3100) do begin "
                                   "insert into IMMAGINI (AUTOID, EXTFILE) values (:i, 'p' || :i); i = i + 1; end end"),
          false); // the block's own variables are no parameters
    tr->Commit();
    tr->StartTransaction();
    auto q = Statement({"select AUTOID from IMMAGINI order by AUTOID"});
    q->ExecQuery();
    int seen = 0;
    for (; seen < 1500; ++seen)
        ASSERT_NE(q->Next(), nullptr);
    const isc_tr_handle handle = tr->Handle();
    tr->CommitRetaining();
    EXPECT_EQ(tr->Handle(), handle);
    EXPECT_TRUE(q->Open());
    while (q->Next())
        ++seen;
    EXPECT_EQ(seen, 3005);
    EXPECT_TRUE(q->Eof());
    {
        TClientCalls calls;
        EXPECT_EQ(q->Next(), nullptr); // after the end: no server call
        EXPECT_EQ(calls.Count("isc_dsql_fetch"), 0);
    }
    q->Close();
    q->ExecQuery();
    ASSERT_NE(q->Next(), nullptr);
    tr->Commit();
    EXPECT_FALSE(q->Open());
    EXPECT_TRUE(q->Prepared());
    const auto e = CaughtError<EIBClientError>([&] { q->Next(); });
    EXPECT_EQ(e->Message(), QStringLiteral("IBSQL Closed"));
}

TEST_F(Statements, AFailingFetchClosesTheCursor)
{
    auto q = Statement({"select 10 / (AUTOID - 3) from IMMAGINI order by AUTOID"});
    q->ExecQuery();
    EXPECT_NE(q->Next(), nullptr);
    EXPECT_NE(q->Next(), nullptr);
    const auto e = CaughtError<EIBInterBaseError>([&] { q->Next(); });
    EXPECT_TRUE(e->Message().contains(QStringLiteral("divide by zero"))) << e->Message().toStdString();
    EXPECT_FALSE(q->Open());
    // Still prepared: it can run again.
    q->ExecQuery();
    EXPECT_NE(q->Next(), nullptr);
    q->Close();
}

TEST_F(Statements, RowsAffectedByKind)
{
    auto update = Statement({"update IMMAGINI set ZONA = 'z' where AUTOID <= :N"});
    update->ParamByName(QStringLiteral("N"))->SetAsLong(3);
    update->ExecQuery();
    EXPECT_EQ(update->RowsAffected(), 3);
    auto insert = Statement({"insert into IMMAGINI (AUTOID) values (:A)"});
    insert->ParamByName(QStringLiteral("A"))->SetAsLong(77);
    insert->ExecQuery();
    EXPECT_EQ(insert->RowsAffected(), 1);
    auto del = Statement({"delete from IMMAGINI where AUTOID >= :A"});
    del->ParamByName(QStringLiteral("A"))->SetAsLong(4);
    del->ExecQuery();
    EXPECT_EQ(del->RowsAffected(), 3);
    auto none = Statement({"update IMMAGINI set ZONA = 'z' where AUTOID = -1"});
    none->ExecQuery();
    EXPECT_EQ(none->RowsAffected(), 0);
    auto select = Statement({"select AUTOID from IMMAGINI"});
    select->ExecQuery();
    EXPECT_EQ(select->RowsAffected(), -1);
    select->Close();
    EXPECT_EQ(Statement({"select 1 from RDB$DATABASE"})->RowsAffected(), -1); // not prepared
}

TEST_F(Statements, StatementsNeedTheirLinkAndRefuseMisuse)
{
    TIBSQL lonely(nullptr);
    lonely.SetSQLText(QStringLiteral("select 1 from RDB$DATABASE"));
    auto e = CaughtError<EIBClientError>([&] { lonely.Prepare(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Database not assigned"));
    auto empty = Statement({});
    e = CaughtError<EIBClientError>([&] { empty->Prepare(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Empty query"));
    auto q = Statement({"select AUTOID from IMMAGINI"});
    q->ExecQuery();
    e = CaughtError<EIBClientError>([&] { q->ExecQuery(); });
    EXPECT_EQ(e->Message(), QStringLiteral("IBSQL Open"));
    q->Close();
    tr->Commit();
    e = CaughtError<EIBClientError>([&] { q->ExecQuery(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Transaction is not active"));
}

TEST_F(Statements, ChangingTheTextUnpreparesAndDisconnectingFreesTheHandle)
{
    auto q = Statement({"select AUTOID from IMMAGINI"});
    int changing = 0;
    q->SetOnSQLChanging([&](TIBSQL*) { ++changing; });
    q->Prepare();
    q->SetSQL({"select AUTOID from IMMAGINI"}); // the same text: nothing happens
    EXPECT_TRUE(q->Prepared());
    EXPECT_EQ(changing, 0);
    q->SetSQL({"select EXTFILE from IMMAGINI"});
    EXPECT_FALSE(q->Prepared());
    EXPECT_EQ(changing, 1);
    q->Prepare();
    q->ExecQuery();
    db->Close();
    EXPECT_FALSE(q->Open());
    EXPECT_FALSE(q->Prepared());
    EXPECT_EQ(q->Handle(), 0u);
}

TEST_F(Statements, ColonsInCommentsAndStringsAreNoParametersAndTheRightRowChanges)
{
    auto update = Statement({"update IMMAGINI set ZONA = :Z -- was :OLD_ZONA",
                             "where AUTOID = :ID/* :NOT_A_PARAMETER */ and EXTFILE <> 'x:y'"});
    update->Prepare();
    ASSERT_EQ(update->Params()->Count(), 2);
    EXPECT_EQ(update->Params()->Vars(1)->Name(), QStringLiteral("ID"));
    // A reused statement: each run changes the row it names and no other.
    for (int id : {2, 3}) {
        update->ParamByName(QStringLiteral("Z"))->SetAsString(QStringLiteral("zona %1").arg(id));
        update->ParamByName(QStringLiteral("ID"))->SetAsLong(id);
        update->ExecQuery();
        EXPECT_EQ(update->RowsAffected(), 1);
    }
    EXPECT_EQ(Query(*db, *tr, QStringLiteral("select AUTOID || '=' || coalesce(ZONA, '-') from IMMAGINI order by AUTOID")),
              (QStringList{"1=Arcata superiore", "2=zona 2", "3=zona 3", "4=-", "5=-"}));
}

TEST_F(Statements, AParameterCountTheServerDoesNotShareFailsThePrepare)
{
    // The area keeps the one entry of the earlier text; the new text, taken
    // as it is, has two markers. Running it would send one value for two.
    auto q = Statement({"select AUTOID from IMMAGINI where AUTOID = :A"});
    q->Prepare();
    q->SetParamCheck(false);
    q->SetSQL({"select AUTOID from IMMAGINI where AUTOID = ? or AUTOID = ?"});
    TClientCalls calls;
    const auto e = CaughtError<EIBClientError>([&] { q->ExecQuery(); });
    EXPECT_EQ(e->SQLCode(), ceParameterCountMismatch);
    EXPECT_EQ(e->Message(), QStringLiteral("The statement has 1 parameters but the server sees 2 markers; it was "
                                           "not prepared, since values would reach the wrong markers"));
    EXPECT_EQ(calls.Count("isc_dsql_execute2"), 0);
    EXPECT_FALSE(q->Prepared());
    EXPECT_EQ(q->Handle(), 0u);
}

TEST_F(Statements, SQLTextWithACharacter0IsRefusedAndNothingRuns)
{
    for (bool paramCheck : {true, false}) {
        auto del = Statement({QStringLiteral("delete from IMMAGINI") + QChar(0) + QStringLiteral(" where AUTOID = 2")});
        del->SetParamCheck(paramCheck);
        TClientCalls calls;
        const auto e = CaughtError<EIBClientError>([&] { del->ExecQuery(); });
        EXPECT_EQ(e->SQLCode(), ceSQLHoldsNulCharacter) << paramCheck;
        EXPECT_EQ(e->Message(), QStringLiteral("The SQL text holds a character 0 at position 21; it was not sent, "
                                               "since the server would read only the text before it"))
            << paramCheck;
        EXPECT_EQ(calls.Total(), 0) << paramCheck;
        EXPECT_FALSE(del->Prepared()) << paramCheck;
    }
    EXPECT_EQ(Query(*db, *tr, QStringLiteral("select count(*) from IMMAGINI")), QStringList{QStringLiteral("5")});
}

TEST_F(Statements, ACursorWhoseHandleIsGoneIsClosed)
{
    // The transaction taken away while the cursor is open.
    auto q = Statement({"select AUTOID from IMMAGINI order by AUTOID"});
    q->ExecQuery();
    ASSERT_NE(q->Next(), nullptr);
    q->SetTransaction(nullptr);
    EXPECT_FALSE(q->Open());
    EXPECT_TRUE(q->Eof());
    const auto e = CaughtError<EIBClientError>([&] { q->Next(); });
    EXPECT_EQ(e->Message(), QStringLiteral("IBSQL Closed"));
    q->SetTransaction(tr.get());
    q->ExecQuery();
    ASSERT_NE(q->Next(), nullptr);
    EXPECT_EQ(q->Current()->Vars(0)->AsLong(), 1);

    // The text changed while the cursor is open: the new text runs.
    q->SetSQL({"select EXTFILE from IMMAGINI order by AUTOID"});
    EXPECT_FALSE(q->Open());
    q->ExecQuery();
    ASSERT_NE(q->Next(), nullptr);
    EXPECT_EQ(q->Current()->Vars(0)->AsString(), QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
    q->Close();
}

} // namespace
