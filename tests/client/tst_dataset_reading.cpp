// The buffered record set over IMMAGINI, reading side: opening, fetching on
// demand into the row cache, the walk, the cache's growth, text as stored,
// a failing write statement at open, and closing and reopening.
#include "ClientFixture.h"

#include "ibclient/ibdataset/TIBStringField.h"
#include "tests/support/ClientCalls.h"
#include "tests/support/PatientDataSet.h"

namespace {

QStringList Walk(TDataSet& ds)
{
    QStringList paths;
    ds.First();
    while (!ds.Eof()) {
        paths.append(ds.FieldByName(QStringLiteral("EXTFILE"))->AsString());
        ds.Next();
    }
    return paths;
}

TEST(DataSetReading, OpeningDescribesTheFourColumns)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_TRUE(p.transaction->InTransaction());
    ASSERT_EQ(ds.FieldCount(), 4);
    const QStringList names = {"CODICE_CLIENTE", "NUMERO_CARTELLA", "AUTOID", "EXTFILE"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ds.Fields()[i]->FieldName(), names[i]);
    EXPECT_EQ(ds.Fields()[0]->DataType(), ftInteger);
    EXPECT_FALSE(ds.Fields()[0]->Required());
    EXPECT_TRUE(ds.Fields()[2]->Required()); // AUTOID is declared not null
    EXPECT_EQ(ds.Fields()[3]->DataType(), ftWideString);
    EXPECT_EQ(ds.Fields()[3]->Size(), 255);
    EXPECT_EQ(ds.Fields()[2]->Alignment(), taRightJustify);
    EXPECT_EQ(ds.LiveMode(), unsigned(lmInsert | lmModify | lmDelete | lmRefresh));
    EXPECT_TRUE(ds.CanModify());
    EXPECT_EQ(ds.FieldByName(QStringLiteral("extfile")), ds.Fields()[3]);
}

TEST(DataSetReading, AnEmptyTableOpensWithBofAndEof)
{
    PatientDataSet p({QStringLiteral("patient_schema.sql")});
    p.Open();
    EXPECT_TRUE(p.dataSet->Bof());
    EXPECT_TRUE(p.dataSet->Eof());
    EXPECT_TRUE(p.dataSet->IsEmpty());
    EXPECT_EQ(Walk(*p.dataSet), QStringList());
    EXPECT_EQ(p.dataSet->RecordCount(), 0);
    EXPECT_TRUE(p.dataSet->IsSequenced());
}

TEST(DataSetReading, TheWalkFetchesEachRowOnceAndFirstReadsTheCacheAgain)
{
    PatientDataSet p({QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                      QStringLiteral("many_rows.sql")});
    p.Open(); // the first open also reads the schema of IMMAGINI
    p.dataSet->Close();
    TClientCalls calls;
    p.dataSet->Open();
    EXPECT_EQ(calls.Count("isc_dsql_fetch"), 1); // the window of one buffer
    EXPECT_FALSE(p.dataSet->IsSequenced());
    const QStringList paths = Walk(*p.dataSet);
    EXPECT_EQ(paths.size(), 1505);
    EXPECT_EQ(paths.first(), QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
    EXPECT_EQ(paths.last(), QStringLiteral("+\\immagini\\serie\\1599.jpg"));
    EXPECT_EQ(calls.Count("isc_dsql_fetch"), 1506); // every row once, and the end once
    EXPECT_TRUE(p.dataSet->IsSequenced());
    EXPECT_EQ(p.dataSet->RecordCount(), 1505);
    calls.Reset();
    p.dataSet->First();
    EXPECT_EQ(p.dataSet->RecNo(), 1);
    EXPECT_EQ(Walk(*p.dataSet).size(), 1505);
    EXPECT_EQ(calls.Count("isc_dsql_fetch"), 0);
}

TEST(DataSetReading, TheThousandthRowGrowsTheCacheAtOnce)
{
    PatientDataSet p({QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                      QStringLiteral("many_rows.sql")});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    const std::size_t slot = static_cast<std::size_t>(ds.RecordBufferSize());
    EXPECT_EQ(ds.CacheSize(), 1000 * slot);
    ds.MoveBy(998); // record number 998 is the 999th row
    EXPECT_EQ(ds.CachedRecordCount(), 999);
    EXPECT_EQ(ds.CacheSize(), 1000 * slot);
    ds.Next(); // record number 999
    EXPECT_EQ(ds.CachedRecordCount(), 1000);
    EXPECT_EQ(ds.CacheSize(), 2000 * slot);
}

TEST(DataSetReading, TextReadsAsStoredAndNullAsEmptyText)
{
    PatientDataSet p({QStringLiteral("texts.sql")});
    p.dataSet->SetSelectSQL({QStringLiteral("select ID, C, V from TESTI order by ID")});
    p.dataSet->SetModifySQL({});
    p.dataSet->SetInsertSQL({});
    p.dataSet->SetDeleteSQL({});
    p.dataSet->SetRefreshSQL({});
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    EXPECT_EQ(ds.LiveMode(), 0u);
    EXPECT_FALSE(ds.CanModify());
    auto* c = dynamic_cast<TIBStringField*>(ds.FieldByName(QStringLiteral("C")));
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->FixedChar());
    EXPECT_EQ(c->AsString(), QStringLiteral("ab        "));
    EXPECT_EQ(ds.FieldByName(QStringLiteral("V"))->AsString(), QStringLiteral("ab  "));
    ds.Next();
    EXPECT_TRUE(ds.FieldByName(QStringLiteral("C"))->IsNull());
    EXPECT_EQ(ds.FieldByName(QStringLiteral("C"))->AsString(), QString());
    EXPECT_EQ(ds.FieldByName(QStringLiteral("V"))->AsString(), QString());
    const auto e = CaughtError<EDatabaseError>([&] { ds.Edit(); });
    EXPECT_EQ(e->Message(), QStringLiteral("IBDataSet1: Cannot modify a read-only dataset"));
    // A stored text with a character 0 inside is refused rather than cut short.
    ds.Next();
    const auto nul = CaughtError<EIBClientError>([&] { ds.FieldByName(QStringLiteral("V"))->AsString(); });
    EXPECT_EQ(nul->SQLCode(), ceTextHoldsNulCharacter);
    EXPECT_TRUE(nul->Message().contains(QStringLiteral("field V holds a character 0")));
}

TEST(DataSetReading, AWriteStatementNamingAnUnknownColumnFailsTheOpen)
{
    PatientDataSet p;
    QStringList modify = PatientSQL::kModify;
    modify[2] = QStringLiteral("  PERCORSO = :EXTFILE");
    p.dataSet->SetModifySQL(modify);
    p.database->Open();
    const auto e = CaughtError<EIBInterBaseError>([&] { p.dataSet->Open(); });
    EXPECT_TRUE(e->Message().contains(QStringLiteral("Column unknown\r\nPERCORSO"))) << e->Message().toStdString();
    EXPECT_FALSE(p.dataSet->Active());
    EXPECT_EQ(p.dataSet->FieldCount(), 0);
}

TEST(DataSetReading, ClosingAndReopeningShowsTheStoredValuesWithoutPreparingAgain)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    ds.FieldByName(QStringLiteral("EXTFILE"))->SetAsString(QStringLiteral(":immagini:nuovo.jpg"));
    ds.Post();
    TClientCalls calls;
    ds.Close();
    ds.Open();
    EXPECT_EQ(calls.Count("isc_dsql_prepare"), 0);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("EXTFILE"))->AsString(), QStringLiteral(":immagini:nuovo.jpg"));
    EXPECT_EQ(ds.RecNo(), 1);
}

TEST(DataSetReading, ClosingDuringAnEditDropsItAndAClosedSetRefusesToMove)
{
    PatientDataSet p;
    p.Open();
    TIBDataSet& ds = *p.dataSet;
    ds.Edit();
    ds.FieldByName(QStringLiteral("EXTFILE"))->SetAsString(QStringLiteral("dropped"));
    ds.Close();
    ds.Open();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("EXTFILE"))->AsString(), QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
    ds.Close();
    const auto e = CaughtError<EDatabaseError>([&] { ds.First(); });
    EXPECT_EQ(e->Message(), QStringLiteral("IBDataSet1: Cannot perform this operation on a closed dataset"));
}

TEST(DataSetReading, DisconnectingClosesTheRecordSetAndCommitsHard)
{
    PatientDataSet p;
    p.Open();
    p.database->SetConnected(false);
    EXPECT_FALSE(p.dataSet->Active());
    EXPECT_FALSE(p.transaction->InTransaction());
    EXPECT_FALSE(p.dataSet->Prepared());
    p.Open(); // prepares everything anew on the new attachment
    EXPECT_EQ(p.dataSet->RecordCount(), 1);
}

} // namespace
