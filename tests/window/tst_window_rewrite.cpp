// The two rewrite commands driven through the window: which rows they
// touch, what each path becomes, one update and one commit per changed
// row, and where a failing row stops the walk.
#include "WindowFixture.h"

#include "tests/support/ClientCalls.h"

namespace {

const QStringList kRewrite = {QStringLiteral("patient_schema.sql"), QStringLiteral("rewrite_rows.sql")};

class WindowRewrite : public WindowTest {
protected:
    void OpenRewriteRows(const QStringList& scripts = kRewrite)
    {
        path = Database(scripts);
        Open(path);
        ASSERT_TRUE(DataSet().Active());
    }
    QStringList Stored()
    {
        TSecondConnection second(path);
        return second.Paths();
    }
    QString path;
};

const QStringList kOriginal = {"+\\immagini\\2003\\p.jpg", "+\\immagini\\a\\+\\immagini\\b.jpg", "x+\\immagini\\c.jpg",
                               "D:\\Archivio\\immagini\\d.jpg", "<null>", "", "+\\IMMAGINI\\e.jpg",
                               "E:\\fotoimmagini2\\f.jpg"};

TEST_F(WindowRewrite, TheDefaultsRewriteThePathsThatBeginWithTheSearchText)
{
    OpenRewriteRows();
    TClientCalls calls;
    EXPECT_EQ(Press(form->Button2), Completed());
    QStringList expected = kOriginal;
    expected[0] = ":immagini:2003\\p.jpg";
    expected[1] = ":immagini:a\\:immagini:b.jpg"; // both occurrences
    EXPECT_EQ(Stored(), expected);
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 2);
    EXPECT_EQ(calls.Count("isc_commit_retaining"), 2);
    // Reopened on the first row, showing the paths as stored.
    EXPECT_TRUE(DataSet().Active());
    EXPECT_EQ(DataSet().RecNo(), 1);
    EXPECT_EQ(DataSet().FieldByName(QStringLiteral("EXTFILE"))->AsString(), QStringLiteral(":immagini:2003\\p.jpg"));
}

TEST_F(WindowRewrite, PressingTwiceChangesNothingTheSecondTimeButStillFinishes)
{
    OpenRewriteRows();
    Press(form->Button2);
    const QStringList once = Stored();
    TClientCalls calls;
    EXPECT_EQ(Press(form->Button2), Completed());
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 0);
    EXPECT_EQ(Stored(), once);
}

TEST_F(WindowRewrite, AnsweringNoReadsNoRow)
{
    OpenRewriteRows();
    DataSet().MoveBy(2);
    TClientCalls calls;
    const auto shown = Press(form->Button2, Qt::Key_N);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(calls.Count("isc_dsql_fetch"), 0);
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 0);
    EXPECT_EQ(DataSet().RecNo(), 3);
    EXPECT_EQ(Stored(), kOriginal);
}

TEST_F(WindowRewrite, TheSearchTextIsCaseSensitive)
{
    OpenRewriteRows();
    form->Edit2->setText(QStringLiteral("+\\IMMAGINI\\"));
    Press(form->Button2);
    QStringList expected = kOriginal;
    expected[6] = ":immagini:e.jpg"; // only the row stored in capitals
    EXPECT_EQ(Stored(), expected);
}

TEST_F(WindowRewrite, AnEmptySearchTextPostsEveryRowUnchanged)
{
    OpenRewriteRows();
    form->Edit2->clear();
    TClientCalls calls;
    Press(form->Button2);
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 8);
    EXPECT_EQ(calls.Count("isc_commit_retaining"), 8);
    QStringList expected = kOriginal;
    expected[5] = "<null>"; // an empty path is written back as null
    EXPECT_EQ(Stored(), expected);
}

TEST_F(WindowRewrite, AReplacementEqualToTheSearchTextPostsTheMatchingRowsUnchanged)
{
    OpenRewriteRows();
    form->Edit3->setText(form->Edit2->text());
    TClientCalls calls;
    Press(form->Button2);
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 2);
    EXPECT_EQ(Stored(), kOriginal);
}

TEST_F(WindowRewrite, APathThatBecomesEmptyIsStoredAsNull)
{
    OpenRewriteRows();
    form->Edit2->setText(QStringLiteral("+\\immagini\\2003\\p.jpg"));
    form->Edit3->clear();
    Press(form->Button2);
    EXPECT_EQ(Stored().value(0), QStringLiteral("<null>"));
}

TEST_F(WindowRewrite, APathThatBecomesEmptyInARequiredColumnStopsTheWalk)
{
    OpenRewriteRows({QStringLiteral("patient_required.sql")});
    form->Edit2->setText(QStringLiteral("+\\immagini\\a.jpg"));
    form->Edit3->clear();
    const auto shown = Press(form->Button2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, QStringLiteral("Field 'EXTFILE' must have a value."));
    EXPECT_EQ(DataSet().State(), dsEdit);
    EXPECT_EQ(Stored(), (QStringList{"+\\immagini\\a.jpg", "+\\immagini\\b.jpg"}));
}

TEST_F(WindowRewrite, APathTooLongForTheColumnStopsTheWalkAtThatRow)
{
    OpenRewriteRows();
    form->Edit3->setText(QString(125, u'r'));
    const auto shown = Press(form->Button2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text,
              QStringLiteral("Trying to store a string of length 256 into a field that can only contain 255."));
    // The first row is committed; the second stays in edit state with its new path pending.
    QStringList expected = kOriginal;
    expected[0] = QString(125, u'r') + QStringLiteral("2003\\p.jpg");
    EXPECT_EQ(Stored(), expected);
    EXPECT_EQ(DataSet().State(), dsEdit);
    EXPECT_EQ(DataSet().FieldByName(QStringLiteral("AUTOID"))->AsInteger(), 2);
    // The grid's text of the failing row is its pending path, not a blank.
    const QString pending = QString(125, u'r') + QStringLiteral("a\\") + QString(125, u'r') + QStringLiteral("b.jpg");
    EXPECT_EQ(DataSet().FieldByName(QStringLiteral("EXTFILE"))->DisplayText(), pending.left(256));
}

TEST_F(WindowRewrite, ARowLockedByAnotherConnectionStopsTheWalkThere)
{
    OpenRewriteRows();
    TSecondConnection locker(path);
    locker.Transaction().StartTransaction();
    locker.Column(QStringLiteral("update IMMAGINI set ZONA = 'in uso' where AUTOID = 2"));
    const auto shown = Press(form->Button2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].text.startsWith(QStringLiteral("deadlock\nupdate conflicts with concurrent update")))
        << shown[1].text.toStdString();
    EXPECT_EQ(DataSet().State(), dsEdit);
    locker.Transaction().Rollback();
    QStringList expected = kOriginal;
    expected[0] = ":immagini:2003\\p.jpg";
    EXPECT_EQ(Stored(), expected);
}

TEST_F(WindowRewrite, ARowWithNullKeyColumnsIsRewritten)
{
    path = Database(kRewrite);
    {
        TSecondConnection setup(path);
        setup.Column(QStringLiteral("insert into IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE) "
                                    "values (null, null, 9, '+\\immagini\\n.jpg')"));
    }
    Open(path);
    EXPECT_EQ(Press(form->Button2), Completed());
    QStringList expected = kOriginal;
    expected[0] = ":immagini:2003\\p.jpg";
    expected[1] = ":immagini:a\\:immagini:b.jpg";
    expected.append(QStringLiteral(":immagini:n.jpg"));
    EXPECT_EQ(Stored(), expected);
}

TEST_F(WindowRewrite, ARowAnotherUserChangedMeanwhileStopsTheWalkThere)
{
    OpenRewriteRows();
    DataSet().Last(); // every row read as it is now
    {
        TSecondConnection other(path);
        other.Column(QStringLiteral("update IMMAGINI set NUMERO_CARTELLA = 9 where AUTOID = 2"));
    }
    const auto shown = Press(form->Button2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, QStringLiteral("The row with AUTOID = 2, CODICE_CLIENTE = 1, NUMERO_CARTELLA = 1 was not "
                                            "updated: another user has changed or deleted it."));
    EXPECT_EQ(DataSet().State(), dsEdit);
    QStringList expected = kOriginal;
    expected[0] = ":immagini:2003\\p.jpg"; // the row before it stays committed
    EXPECT_EQ(Stored(), expected);
}

TEST_F(WindowRewrite, AFixedLengthPathColumnIsRewrittenWithItsPadding)
{
    path = Database({QStringLiteral("patient_char.sql"), QStringLiteral("rewrite_rows.sql")});
    Open(path);
    Press(form->Button2);
    const QStringList stored = Stored();
    EXPECT_EQ(stored.value(0), QStringLiteral(":immagini:2003\\p.jpg").leftJustified(60, u' '));
    EXPECT_EQ(stored.value(2), QStringLiteral("x+\\immagini\\c.jpg").leftJustified(60, u' '));
}

TEST_F(WindowRewrite, TheHiddenConversionMakesAbsolutePathsRelative)
{
    OpenRewriteRows();
    form->Button1->setVisible(true);
    TClientCalls calls;
    EXPECT_EQ(Press(form->Button1), Completed());
    const QStringList expected = {"+\\immagini\\2003\\p.jpg", // already relative: posted the same
                                  "+\\immagini\\a\\+\\immagini\\b.jpg", // the first occurrence decides
                                  "+\\immagini\\c.jpg",
                                  "+\\immagini\\d.jpg",
                                  "<null>",
                                  "",
                                  "+\\IMMAGINI\\e.jpg", // capitals are not the word
                                  "+\\immagini2\\f.jpg"}; // found inside a longer folder name
    EXPECT_EQ(Stored(), expected);
    EXPECT_EQ(calls.Count("isc_dsql_execute"), 5);
}

TEST_F(WindowRewrite, AConfirmedRewritePostsAPendingGridEditFirst)
{
    OpenRewriteRows();
    DataSet().MoveBy(2);
    form->DBGrid1->setFocus();
    QTest::keyClick(form->DBGrid1, Qt::Key_End);
    QTest::keyClicks(form->DBGrid1, QStringLiteral("nuovo"));
    ASSERT_EQ(DataSet().State(), dsEdit);
    Press(form->Button2);
    EXPECT_EQ(Stored().value(2), QStringLiteral("nuovo"));
}

TEST_F(WindowRewrite, TypingIntoAColumnTheUpdateDoesNotWriteChangesNothing)
{
    OpenRewriteRows();
    form->DBGrid1->setFocus();
    QTest::keyClick(form->DBGrid1, Qt::Key_Home); // CODICE_CLIENTE
    QTest::keyClicks(form->DBGrid1, QStringLiteral("7"));
    EXPECT_EQ(DataSet().State(), dsBrowse);
    EXPECT_EQ(DataSet().FieldByName(QStringLiteral("CODICE_CLIENTE"))->AsInteger(), 1);
    // The path, which the update writes, is typed into as before.
    QTest::keyClick(form->DBGrid1, Qt::Key_End);
    QTest::keyClicks(form->DBGrid1, QStringLiteral("x"));
    EXPECT_EQ(DataSet().State(), dsEdit);
}

TEST_F(WindowRewrite, AClosedRecordSetRefusesTheWalkAfterTheConfirmation)
{
    const auto shown = Press(form->Button2);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, QStringLiteral("IBDataSet1: Cannot perform this operation on a closed dataset."));
}

struct TReplaceCase {
    QString path, search, replacement, expected;
};

TEST(ReplaceAll, EveryOccurrenceByExactCodeUnits)
{
    const TReplaceCase cases[] = {
        {"+\\immagini\\2003\\p.jpg", "+\\immagini\\", ":immagini:", ":immagini:2003\\p.jpg"},
        {"aaaa", "aa", "b", "bb"},
        {"aaa", "aa", "a", "aa"}, // replaced text is never scanned again
        {"abc", "", "x", "abc"},
        {"", "a", "b", ""},
        {"ABC", "b", "x", "ABC"},
    };
    for (const TReplaceCase& c : cases)
        EXPECT_EQ(TForm1::ReplaceAll(c.path, c.search, c.replacement), c.expected) << c.path.toStdString();
}

TEST(FolderPart, UpToTheLastSeparatorOrColon)
{
    EXPECT_EQ(TForm1::FolderPart(QStringLiteral("C:\\Ostra\\Palvena\\Database\\Pazienti.GDB")),
              QStringLiteral("C:\\Ostra\\Palvena\\Database\\"));
    EXPECT_EQ(TForm1::FolderPart(QStringLiteral("/srv/ostra/Pazienti.fdb")), QStringLiteral("/srv/ostra/"));
    EXPECT_EQ(TForm1::FolderPart(QStringLiteral("host:file.fdb")), QStringLiteral("host:"));
    EXPECT_EQ(TForm1::FolderPart(QStringLiteral("Pazienti.fdb")), QString());
}

} // namespace
