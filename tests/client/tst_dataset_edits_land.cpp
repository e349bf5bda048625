// The buffered record set writes to the row the operator sees or fails and
// says so: columns the posting statement does not write cannot be changed,
// a write that changed no row is an error, a
// refresh that fails after the write leaves the written values in view, rows
// fetched around a new row are neither doubled nor overwritten, a row that
// fails to load does not end the walk, fractions of a second are kept, and
// cells and parameters are matched to their columns by name and number.
#include "ClientFixture.h"

#include "ibclient/dataset/TDataLink.h"
#include "ibclient/dataset/TDataSource.h"

#include "tests/support/PatientDataSet.h"
#include "tests/support/SecondConnection.h"

#include <QTemporaryDir>

#include <algorithm>

namespace {

TField* Field(TDataSet& ds, const char* name)
{
    return ds.FieldByName(QString::fromLatin1(name));
}

// The AUTOID of every row, walking the record set from its first row.
QList<int> Walk(TDataSet& ds)
{
    QList<int> ids;
    for (ds.First(); !ds.Eof(); ds.Next())
        ids.append(Field(ds, "AUTOID")->AsInteger());
    return ids;
}

QList<int> Sorted(QList<int> ids)
{
    std::sort(ids.begin(), ids.end());
    return ids;
}

// A record set of its own over a dialect 3 copy of a fixture database,
// committing after every post.
struct TDialect3Set {
    explicit TDialect3Set(const QString& script)
    {
        path = dir.filePath(QStringLiteral("d3.fdb"));
        FixtureDatabase::Create({script}, path, 3);
        ConfigureAsProgram(db, path);
        db.SetSQLDialect(3);
        ConfigureAsProgram(tr, db);
        db.SetDefaultTransaction(&tr);
        ds.SetDatabase(&db);
        ds.SetTransaction(&tr);
        ds.SetAfterPost([this](TDataSet*) { tr.CommitRetaining(); });
    }
    void Open(const QStringList& select)
    {
        ds.SetSelectSQL(select);
        db.Open();
        ds.Open();
    }
    QTemporaryDir dir;
    QString path;
    TIBDatabase db{nullptr};
    TIBTransaction tr{nullptr};
    TIBDataSet ds{nullptr};
};

struct TWritableCase {
    const char* column;
    bool inEdit;   // the update writes it
    bool inInsert; // the insert writes it
};

TEST(DataSetEditsLand, OnlyTheColumnsThePostingStatementWritesCanBeChanged)
{
    // The window's statements: the update writes EXTFILE, the insert AUTOID and EXTFILE.
    const TWritableCase cases[] = {
        {"CODICE_CLIENTE", false, false},
        {"NUMERO_CARTELLA", false, false},
        {"AUTOID", false, true},
        {"EXTFILE", true, true},
    };
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    for (const TWritableCase& c : cases) {
        SCOPED_TRACE(c.column);
        ASSERT_EQ(ds.State(), dsBrowse);
        // Browse state asks about the update, which an edit would post through.
        EXPECT_EQ(Field(ds, c.column)->CanModify(), c.inEdit);
        ds.Edit();
        EXPECT_EQ(Field(ds, c.column)->CanModify(), c.inEdit);
        if (!c.inEdit) {
            const auto e = CaughtError<EDatabaseError>([&] { Field(ds, c.column)->SetAsInteger(2); });
            EXPECT_EQ(e->Message(), QStringLiteral("Field '%1' cannot be modified").arg(QLatin1String(c.column)));
            EXPECT_FALSE(ds.Modified());
        }
        ds.Cancel();
        ds.Insert();
        EXPECT_EQ(Field(ds, c.column)->CanModify(), c.inInsert);
        if (!c.inInsert) {
            EXPECT_THROW(Field(ds, c.column)->SetAsInteger(2), EDatabaseError);
        }
        ds.Cancel();
    }
}

TEST(DataSetEditsLand, ATypedKeyCannotRedirectALaterEditOrDelete)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit(); // AUTOID 1
    EXPECT_THROW(Field(ds, "AUTOID")->SetAsInteger(2), EDatabaseError);
    Field(ds, "EXTFILE")->SetAsString(QStringLiteral("primo"));
    ds.Post();
    EXPECT_EQ(Field(ds, "AUTOID")->AsInteger(), 1);
    ds.Edit();
    Field(ds, "EXTFILE")->SetAsString(QStringLiteral("ancora primo"));
    ds.Post();
    ds.Delete();
    p.transaction->CommitRetaining();
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(1), QStringLiteral("<no row>"));
    EXPECT_EQ(other.Path(2), QStringLiteral("+\\immagini\\2003\\p0002.jpg"));
}

TEST(DataSetEditsLand, AnUpdateThatWritesTheKeyIsFollowedByADeleteOfTheNewKey)
{
    PatientDataSet p;
    p.dataSet->SetModifySQL({QStringLiteral("update IMMAGINI set AUTOID = :AUTOID, EXTFILE = :EXTFILE"),
                             QStringLiteral("where AUTOID = :OLD_AUTOID")});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    Field(ds, "AUTOID")->SetAsInteger(60);
    ds.Post();
    ds.Delete(); // the row is now stored under 60
    p.transaction->CommitRetaining();
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Column(QStringLiteral("select AUTOID from IMMAGINI order by AUTOID")),
              (QStringList{"2", "3", "4", "5"}));
}

TEST(DataSetEditsLand, AnUpdateThatChangesNoRowFailsAndKeepsTheEdit)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    int afterPosts = 0;
    ds.SetAfterPost([&](TDataSet*) {
        ++afterPosts;
        p.transaction->CommitRetaining();
    });
    ds.Next(); // AUTOID 2, read as (101, 1)
    {
        TSecondConnection other(p.path);
        other.Column(QStringLiteral("update IMMAGINI set CODICE_CLIENTE = 201 where AUTOID = 2"));
    }
    ds.Edit();
    Field(ds, "EXTFILE")->SetAsString(QStringLiteral("perso?"));
    const auto e = CaughtError<EIBClientError>([&] { ds.Post(); });
    EXPECT_EQ(e->Message(), QStringLiteral("The row with AUTOID = 2, CODICE_CLIENTE = 101, NUMERO_CARTELLA = 1 was not "
                                           "updated: another user has changed or deleted it"));
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_TRUE(ds.Modified());
    EXPECT_EQ(Field(ds, "EXTFILE")->AsString(), QStringLiteral("perso?"));
    EXPECT_EQ(afterPosts, 0);
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(2), QStringLiteral("+\\immagini\\2003\\p0002.jpg"));
    // The row before it is written as before.
    ds.Cancel();
    ds.Prior();
    ds.Edit();
    Field(ds, "EXTFILE")->SetAsString(QStringLiteral("scritto"));
    ds.Post();
    EXPECT_EQ(afterPosts, 1);
    EXPECT_EQ(other.Path(1), QStringLiteral("scritto"));
}

TEST(DataSetEditsLand, ADeleteThatRemovesNoRowFailsAndKeepsTheRow)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Next(); // AUTOID 2
    {
        TSecondConnection other(p.path);
        other.Column(QStringLiteral("update IMMAGINI set AUTOID = 20 where AUTOID = 2"));
    }
    const int before = ds.RecordCount();
    const auto e = CaughtError<EIBClientError>([&] { ds.Delete(); });
    EXPECT_EQ(e->Message(),
              QStringLiteral("The row with AUTOID = 2 was not deleted: another user has changed or deleted it"));
    EXPECT_EQ(ds.RecordCount(), before);
    EXPECT_EQ(Field(ds, "AUTOID")->AsInteger(), 2);
    p.transaction->CommitRetaining();
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(20), QStringLiteral("+\\immagini\\2003\\p0002.jpg"));
}

TEST(DataSetEditsLand, ARefreshThatFailsAfterTheWriteLeavesTheWrittenRowInView)
{
    PatientDataSet p;
    // The refresh fails while its row is fetched, after the write went through.
    p.dataSet->SetRefreshSQL({QStringLiteral("select AUTOID, EXTFILE, 1 / (AUTOID - AUTOID) as BAD"),
                              QStringLiteral("from IMMAGINI where AUTOID = :AUTOID")});
    p.dataSet->SetForcedRefresh(true);
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    Field(ds, "EXTFILE")->SetAsString(QStringLiteral("nuovo percorso"));
    EXPECT_THROW(ds.Post(), EIBInterBaseError);
    ds.Next();
    ds.Prior();
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(Field(ds, "EXTFILE")->AsString(), QStringLiteral("nuovo percorso"));
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Path(1), QStringLiteral("nuovo percorso"));

    // An inserted row stays in view likewise.
    ds.Append();
    Field(ds, "AUTOID")->SetAsInteger(70);
    Field(ds, "EXTFILE")->SetAsString(QStringLiteral("aggiunto"));
    EXPECT_THROW(ds.Post(), EIBInterBaseError);
    ds.Prior();
    ds.Next();
    EXPECT_EQ(Field(ds, "AUTOID")->AsInteger(), 70);
    EXPECT_EQ(Field(ds, "EXTFILE")->AsString(), QStringLiteral("aggiunto"));
    EXPECT_EQ(other.Path(70), QStringLiteral("aggiunto"));
}

TEST(DataSetEditsLand, ARowInsertedBeforeTheCursorEndsIsNotFetchedAgain)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Insert(); // only the first row is fetched so far
    Field(ds, "AUTOID")->SetAsInteger(50);
    Field(ds, "EXTFILE")->SetAsString(QStringLiteral("nuovo"));
    ds.Post();
    EXPECT_EQ(Sorted(Walk(ds)), (QList<int>{1, 2, 3, 4, 5, 50}));
    EXPECT_EQ(ds.RecordCount(), 6);
}

TEST(DataSetEditsLand, RowsFetchedWhileANewRowIsPendingStayInTheSet)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Append();
    Field(ds, "AUTOID")->SetAsInteger(50);
    ds.FetchAll(); // rows 2 to 5 arrive while the new row is pending
    Field(ds, "EXTFILE")->SetAsString(QStringLiteral("nuovo"));
    ds.Post();
    EXPECT_EQ(Sorted(Walk(ds)), (QList<int>{1, 2, 3, 4, 5, 50}));
    EXPECT_EQ(ds.RecordCount(), 6);
}

TEST(DataSetEditsLand, AGrowingWindowShowsTheRowANewRowPushedOut)
{
    PatientDataSet p;
    TDataSource source(nullptr);
    source.SetDataSet(p.dataSet.get());
    TDataLink view;
    view.SetDataSource(&source);
    view.SetBufferCount(2);
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Next(); // AUTOID 2 at the view's last place
    ds.Insert(); // the new row takes that place and pushes row 2 out
    view.SetBufferCount(4);
    QList<int> shown;
    for (int i = 0; i < view.RecordCount(); ++i) {
        view.SetActiveRecord(i);
        shown.append(Field(ds, "AUTOID")->IsNull() ? 0 : Field(ds, "AUTOID")->AsInteger());
    }
    EXPECT_EQ(shown, (QList<int>{1, 0, 2, 3}));
    view.SetActiveRecord(1);
    ds.Cancel();
    view.SetDataSource(nullptr);
}

TEST(DataSetEditsLand, ARowThatFailsToLoadLeavesTheLaterRowsReachable)
{
    // The second amount does not fit the cell its column is read into.
    TDialect3Set set(QStringLiteral("load_failure.sql"));
    set.Open({QStringLiteral("select ID, IMPORTO from CONTI order by ID")});
    TIBDataSet& ds = set.ds;
    EXPECT_EQ(Field(ds, "ID")->AsInteger(), 1);
    const auto e = CaughtError<EIBClientError>([&] { ds.Next(); });
    EXPECT_EQ(e->Message(), QStringLiteral("Invalid data conversion"));
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(Field(ds, "ID")->AsInteger(), 1);
    QList<int> after;
    for (ds.Next(); !ds.Eof(); ds.Next())
        after.append(Field(ds, "ID")->AsInteger());
    EXPECT_EQ(after, (QList<int>{3, 4}));
}

TEST(DataSetEditsLand, FractionsOfASecondSurviveReadingAndWritingBack)
{
    TDialect3Set set(QStringLiteral("fractions.sql"));
    TIBDataSet& ds = set.ds;
    // Every moment is written back, and the row is found by its moments.
    ds.SetModifySQL({QStringLiteral("update ORARI set MOMENTO = :MOMENTO, ORA = :ORA, NOTA = :NOTA"),
                     QStringLiteral("where ID = :OLD_ID and MOMENTO = :OLD_MOMENTO and ORA = :OLD_ORA")});
    set.Open({QStringLiteral("select ID, MOMENTO, ORA, NOTA from ORARI order by ID")});
    EXPECT_EQ(DateTimeToQDateTime(Field(ds, "MOMENTO")->AsDateTime()).time(), QTime(13, 45, 10, 123));
    EXPECT_EQ(DateTimeToQTime(Field(ds, "ORA")->AsDateTime()), QTime(8, 30, 15, 567));
    for (; !ds.Eof(); ds.Next()) {
        ds.Edit();
        Field(ds, "NOTA")->SetAsString(QStringLiteral("scritto"));
        ds.Post();
        EXPECT_EQ(ds.RowsAffected(), 1);
    }
    // The field shows whole milliseconds, cut: the last moment of a day stays on it.
    EXPECT_EQ(DateTimeToQDateTime(Field(ds, "MOMENTO")->AsDateTime()),
              QDateTime(QDate(1850, 6, 1), QTime(23, 59, 59, 999)));
    TSecondConnection other(set.path);
    EXPECT_EQ(other.Column(QStringLiteral("select cast(MOMENTO as varchar(30)) || ' ' || cast(ORA as varchar(20)) "
                                          "|| ' ' || NOTA from ORARI order by ID")),
              (QStringList{QStringLiteral("31-JAN-2024 13:45:10.1234 08:30:15.5678 scritto"),
                           QStringLiteral("01-JUN-1850 23:59:59.9999 23:59:59.9999 scritto")}));

    // A value read from a column finds its row again as a parameter.
    TIBSQL read(nullptr);
    read.SetDatabase(&set.db);
    read.SetTransaction(&set.tr);
    read.SetSQLText(QStringLiteral("select MOMENTO, ORA from ORARI where ID = 2"));
    read.ExecQuery();
    const TDateTime moment = read.Fields(0)->AsDateTime();
    const TDateTime time = read.Fields(1)->AsDateTime();
    read.Close();
    TIBSQL find(nullptr);
    find.SetDatabase(&set.db);
    find.SetTransaction(&set.tr);
    find.SetSQLText(QStringLiteral("select ID from ORARI where MOMENTO = :M and ORA = :O"));
    find.Prepare();
    find.Params()->ByName(QStringLiteral("M"))->SetAsDateTime(moment);
    find.Params()->ByName(QStringLiteral("O"))->SetAsTime(time);
    find.ExecQuery();
    EXPECT_FALSE(find.Eof());
    EXPECT_EQ(find.Fields(0)->AsLong(), 2);
    find.Close();
}

TEST(DataSetEditsLand, AFloatFieldAfterAColumnWithoutAFieldReadsAndWritesItsOwnCell)
{
    PatientDataSet p({QStringLiteral("edge_columns.sql")});
    p.dataSet->SetSelectSQL({QStringLiteral("select ID, SERIE, VALORE from MISURE")});
    p.dataSet->SetModifySQL({QStringLiteral("update MISURE set VALORE = :VALORE where ID = :OLD_ID")});
    p.dataSet->SetInsertSQL({});
    p.dataSet->SetDeleteSQL({});
    p.dataSet->SetRefreshSQL({});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ASSERT_EQ(ds.FieldCount(), 2); // the array column has no field
    EXPECT_DOUBLE_EQ(Field(ds, "VALORE")->AsFloat(), 1.25);
    ds.Edit();
    Field(ds, "VALORE")->SetAsFloat(2.5);
    ds.Post();
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Column(QStringLiteral("select cast(VALORE * 1000 as integer) from MISURE")),
              QStringList{QStringLiteral("2500")});
}

TEST(DataSetEditsLand, ColumnsNamedOldOrNewAreWrittenAndUnsetParametersSendNull)
{
    PatientDataSet p({QStringLiteral("edge_columns.sql")});
    p.dataSet->SetSelectSQL({QStringLiteral("select ID, OLD_CODE, NEW_CODE from NOTE")});
    p.dataSet->SetModifySQL({QStringLiteral("update NOTE set OLD_CODE = :OLD_CODE, NEW_CODE = :NEW_CODE"),
                             QStringLiteral("where ID = :OLD_ID")});
    // NESSUNO names no column, and nothing gives it a value.
    p.dataSet->SetInsertSQL({QStringLiteral("insert into NOTE (ID, OLD_CODE, NEW_CODE) values (:ID, :NESSUNO, :NEW_CODE)")});
    p.dataSet->SetDeleteSQL({});
    p.dataSet->SetRefreshSQL({});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    Field(ds, "OLD_CODE")->SetAsString(QStringLiteral("vecchio"));
    Field(ds, "NEW_CODE")->SetAsString(QStringLiteral("nuovo"));
    ds.Post();
    ds.Append();
    Field(ds, "ID")->SetAsInteger(2);
    Field(ds, "NEW_CODE")->SetAsString(QStringLiteral("due"));
    ds.Post();
    TSecondConnection other(p.path);
    EXPECT_EQ(other.Column(QStringLiteral("select OLD_CODE from NOTE order by ID")),
              (QStringList{QStringLiteral("vecchio"), QStringLiteral("<null>")}));
    EXPECT_EQ(other.Column(QStringLiteral("select NEW_CODE from NOTE order by ID")),
              (QStringList{QStringLiteral("nuovo"), QStringLiteral("due")}));
}

} // namespace
