// The buffered record set, writing side: posts through the update, insert
// and delete statements with the OLD_ values from the edit snapshot, nulls
// and required values, the refresh, cancelling, and what another connection
// sees or prevents.
#include "ClientFixture.h"

#include "tests/support/ClientCalls.h"
#include "tests/support/PatientDataSet.h"
#include "tests/support/SecondConnection.h"

namespace {

TField* Extfile(TDataSet& ds)
{
    return ds.FieldByName(QStringLiteral("EXTFILE"));
}

TEST(DataSetWriting, APostRunsTheUpdateWithTheOldKeysAndTheAfterPostCommitMakesItVisible)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Next(); // AUTOID 2
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    Extfile(ds)->SetAsString(QStringLiteral(":immagini:2003\\p0002.jpg"));
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RowsAffected(), 1);
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(Extfile(ds)->AsString(), QStringLiteral(":immagini:2003\\p0002.jpg"));
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(2), QStringLiteral(":immagini:2003\\p0002.jpg"));
    EXPECT_EQ(other.Path(1), QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
}

TEST(DataSetWriting, AnUnchangedEditStillRunsTheUpdate)
{
    PatientDataSet p;
    p.Open();
    TClientCalls calls;
    p.dataSet->Edit();
    p.dataSet->Post();
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 1);
    EXPECT_EQ(p.dataSet->RowsAffected(), 1);
}

TEST(DataSetWriting, AnEmptyPathIsStoredAsNull)
{
    PatientDataSet p;
    p.Open();
    p.dataSet->Edit();
    Extfile(*p.dataSet)->SetAsString(QString());
    EXPECT_TRUE(Extfile(*p.dataSet)->IsNull());
    p.dataSet->Post();
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Column(QStringLiteral("select EXTFILE is null from IMMAGINI where AUTOID = 1")),
              QStringList{QStringLiteral("True")});
}

TEST(DataSetWriting, WritingOutsideEditStateIsRefused)
{
    PatientDataSet p;
    p.Open();
    const auto e = CaughtError<EIBClientError>([&] { Extfile(*p.dataSet)->SetAsString(QStringLiteral("x")); });
    EXPECT_EQ(e->Message(), QStringLiteral("Not in edit mode"));
}

TEST(DataSetWriting, ARequiredPathLeftEmptyFailsBeforeAnyStatementRuns)
{
    PatientDataSet p({QStringLiteral("patient_required.sql")});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    Extfile(ds)->SetAsString(QString());
    TClientCalls calls;
    const auto e = CaughtError<EDatabaseError>([&] { ds.Post(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Field 'EXTFILE' must have a value"));
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 0);
    EXPECT_EQ(ds.State(), dsEdit);
}

TEST(DataSetWriting, ADefaultValuedColumnMakesEveryPostRefreshItsRow)
{
    PatientDataSet p({QStringLiteral("patient_required.sql")});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    TClientCalls calls;
    ds.Edit();
    Extfile(ds)->SetAsString(QStringLiteral("+\\immagini\\c.jpg"));
    ds.Post();
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 1);
    EXPECT_EQ(calls.Count("isc_dsql_execute2"), 1); // the refresh statement
    EXPECT_EQ(Extfile(ds)->AsString(), QStringLiteral("+\\immagini\\c.jpg"));

    // Without such a column (the patient database) no post refreshes.
    PatientDataSet plain;
    plain.Open();
    TClientCalls plainCalls;
    plain.dataSet->Edit();
    plain.dataSet->Post();
    EXPECT_EQ(plainCalls.Count("isc_dsql_execute2"), 0);
}

TEST(DataSetWriting, ASecondPostSeesTheFirstPostsValuesAsOldValues)
{
    PatientDataSet p;
    p.dataSet->SetModifySQL({QStringLiteral("update IMMAGINI set EXTFILE = :EXTFILE"),
                             QStringLiteral("where AUTOID = :OLD_AUTOID and EXTFILE = :OLD_EXTFILE")});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    Extfile(ds)->SetAsString(QStringLiteral("first"));
    ds.Post();
    EXPECT_EQ(ds.RowsAffected(), 1);
    ds.Edit();
    Extfile(ds)->SetAsString(QStringLiteral("second"));
    ds.Post();
    EXPECT_EQ(ds.RowsAffected(), 1); // matched through OLD_EXTFILE = 'first'
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(1), QStringLiteral("second"));
}

TEST(DataSetWriting, ARowWhoseChartNumberIsNullIsUpdated)
{
    // The key comparison treats null as a value, so such a row is found.
    PatientDataSet p;
    p.Open();
    {
        TSecondConnection setup(p.path);
        setup.Column(QStringLiteral("insert into IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE) "
                                                 "values (105, null, 6, '+\\immagini\\x.jpg')"));
            }
    TIBDataSet& ds = *p.dataSet;
    ds.Close();
    ds.Open();
    ds.Last();
    ASSERT_EQ(ds.FieldByName(QStringLiteral("AUTOID"))->AsInteger(), 6);
    ds.Edit();
    Extfile(ds)->SetAsString(QStringLiteral(":immagini:x.jpg"));
    ds.Post();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RowsAffected(), 1);
    EXPECT_EQ(Extfile(ds)->AsString(), QStringLiteral(":immagini:x.jpg"));
    // The walk goes on: the row before it can still be rewritten.
    ds.Prior();
    ds.Edit();
    Extfile(ds)->SetAsString(QStringLiteral("changed"));
    ds.Post();
    EXPECT_EQ(ds.RowsAffected(), 1);
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(6), QStringLiteral(":immagini:x.jpg"));
    EXPECT_EQ(other.Path(5), QStringLiteral("changed"));
}

TEST(DataSetWriting, AnInsertedRowFollowsEveryFetchedRow)
{
    PatientDataSet p({QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                      QStringLiteral("many_rows.sql")});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.MoveBy(2);
    const int before = ds.RecordCount();
    EXPECT_EQ(before, 3);
    ds.Insert();
    EXPECT_EQ(ds.State(), dsInsert);
    ds.FieldByName(QStringLiteral("AUTOID"))->SetAsInteger(5000);
    Extfile(ds)->SetAsString(QStringLiteral("nuovo"));
    ds.Post();
    EXPECT_EQ(ds.RecNo(), before + 1);
    EXPECT_EQ(ds.RecordCount(), before + 1);
    EXPECT_EQ(Extfile(ds)->AsString(), QStringLiteral("nuovo"));
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(5000), QStringLiteral("nuovo"));
}

TEST(DataSetWriting, AnInsertWithoutItsKeyFailsAsRequired)
{
    PatientDataSet p;
    p.Open();
    p.dataSet->Append();
    Extfile(*p.dataSet)->SetAsString(QStringLiteral("senza chiave"));
    const auto e = CaughtError<EDatabaseError>([&] { p.dataSet->Post(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Field 'AUTOID' must have a value"));
    EXPECT_EQ(p.dataSet->State(), dsInsert);
    p.dataSet->Cancel();
}

TEST(DataSetWriting, CancellingAnInsertBeforeAnyValueReturnsToTheRowItBeganOn)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.MoveBy(2); // AUTOID 3
    ds.Insert();
    ds.Cancel();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("AUTOID"))->AsInteger(), 3);
}

TEST(DataSetWriting, CancellingAnInsertAfterAValueMovesToTheNextRowNotFetchedYet)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.MoveBy(2); // AUTOID 3; rows 4 and 5 are not fetched yet
    ds.Insert();
    Extfile(ds)->SetAsString(QStringLiteral("x"));
    ds.Cancel();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("AUTOID"))->AsInteger(), 4);
    EXPECT_EQ(ds.RecordCount(), 4);
}

TEST(DataSetWriting, CancellingAnEditRestoresThePathAlsoAfterMovingAway)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    Extfile(ds)->SetAsString(QStringLiteral("not kept"));
    ds.Cancel();
    EXPECT_EQ(Extfile(ds)->AsString(), QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
    ds.Next();
    ds.Prior();
    EXPECT_EQ(Extfile(ds)->AsString(), QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
}

TEST(DataSetWriting, DeletingTheOnlyRowLeavesAnEmptySet)
{
    PatientDataSet p;
    p.Open();
    {
        TSecondConnection setup(p.path);
        setup.Column(QStringLiteral("delete from IMMAGINI where AUTOID > 1"));
            }
    TIBDataSet& ds = *p.dataSet;
    ds.Close();
    ds.Open();
    ds.Delete();
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.IsEmpty());
    p.transaction->CommitRetaining(); // a deletion is committed by the next commit
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(1), QStringLiteral("<no row>"));
}

TEST(DataSetWriting, ARowLockedByAnotherTransactionFailsThePostAtOnce)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    Extfile(ds)->SetAsString(QStringLiteral("committed first"));
    ds.Post();
    ds.Next();

    TSecondConnection locker(p.path);
    locker.Transaction().StartTransaction();
    locker.Column(QStringLiteral("update IMMAGINI set ZONA = 'occupata' where AUTOID = 2"));
    ds.Edit();
    Extfile(ds)->SetAsString(QStringLiteral("blocked"));
    const auto e = CaughtError<EIBInterBaseError>([&] { ds.Post(); });
    EXPECT_TRUE(e->Message().startsWith(QStringLiteral("deadlock\r\nupdate conflicts with concurrent update")))
        << e->Message().toStdString();
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_EQ(Extfile(ds)->AsString(), QStringLiteral("blocked"));
    locker.Transaction().Rollback();

    TSecondConnection third(p.path);
    EXPECT_EQ(third.Path(1), QStringLiteral("committed first"));
    EXPECT_EQ(third.Path(2), QStringLiteral("+\\immagini\\2003\\p0002.jpg"));
    // Once the lock is gone, the same post goes through.
    ds.Post();
    EXPECT_EQ(third.Path(2), QStringLiteral("blocked"));
}

TEST(DataSetWriting, APathLongerThanTheColumnFailsThePostAndKeepsTheEdit)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    Extfile(ds)->SetAsString(QString(300, u'x'));
    const auto e = CaughtError<EIBClientError>([&] { ds.Post(); });
    EXPECT_EQ(e->Message(),
              QStringLiteral("Trying to store a string of length 256 into a field that can only contain 255"));
    EXPECT_EQ(ds.State(), dsEdit);
    // The pending text reads as it stands, up to one character beyond the column.
    EXPECT_EQ(Extfile(ds)->AsString(), QString(256, u'x'));
    // Exactly the column's length is fine.
    Extfile(ds)->SetAsString(QString(255, u'y'));
    ds.Post();
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(1), QString(255, u'y'));
}

} // namespace
