// Choosing and opening the patient database: a typed path, the file dialog
// with its starting folder, cancelling it, reopening, a database without
// IMMAGINI, and a pending grid edit that neither button posts.
#include "WindowFixture.h"

#include <QDir>
#include <QFileDialog>

namespace {

using WindowOpen = WindowTest;

// Answers the file dialog: records the folder it opened in, then picks
// `choice` (or cancels when it is empty).
class TDialogAnswer {
public:
    explicit TDialogAnswer(const QString& choice)
        : FWatch([this, choice](QWidget* modal) {
              auto* dialog = qobject_cast<QFileDialog*>(modal);
              if (!dialog) {
                  modal->close();
                  return;
              }
              ++seen;
              folder = dialog->directory().absolutePath();
              if (choice.isEmpty()) {
                  dialog->reject();
              } else {
                  dialog->selectFile(choice);
                  static_cast<QDialog*>(dialog)->accept();
              }
          })
    {
    }
    int seen = 0;
    QString folder;

private:
    ModalWatch FWatch;
};

TEST_F(WindowOpen, ATypedPathOpensThatFileAndLeavesTheFileName)
{
    const QString path = Database();
    Open(path);
    EXPECT_TRUE(form->IBDatabase1->Connected());
    EXPECT_TRUE(form->IBTransaction1->InTransaction());
    EXPECT_TRUE(DataSet().Active());
    EXPECT_EQ(DataSet().FieldByName(QStringLiteral("AUTOID"))->AsInteger(), 1);
    EXPECT_EQ(form->IBDatabase1->DatabaseName(), path);
    EXPECT_EQ(form->FileName(), QLatin1String(TForm1::kDefaultPath));
    EXPECT_EQ(form->DBGrid1->ColCount(), 5);
}

TEST_F(WindowOpen, TheDialogStartsInTheFolderOfTheFileNameAndAChoiceOnlyRecordsIt)
{
    const QString first = Database();
    const QString second = Database(FixtureDatabase::kPatient, QStringLiteral("Altro.fdb"));
    Open(first);
    {
        TDialogAnswer answer(second);
        form->SpeedButton1->click();
        EXPECT_EQ(answer.seen, 1);
    }
    // Chosen, not opened: detached and closed, the path recorded.
    EXPECT_FALSE(form->IBDatabase1->Connected());
    EXPECT_FALSE(DataSet().Active());
    EXPECT_EQ(form->FileName(), second);
    EXPECT_EQ(form->Edit1->text(), second);
    EXPECT_EQ(form->IBDatabase1->DatabaseName(), second);
    EXPECT_EQ(form->DBGrid1->RowCount(), 2);

    // The next "..." starts in the folder of the chosen file, also after a
    // typed path was opened.
    Open(first);
    TDialogAnswer cancel((QString()));
    form->SpeedButton1->click();
    EXPECT_EQ(cancel.folder, QDir(dir.path()).absolutePath());
}

TEST_F(WindowOpen, ACancelledDialogChangesNothing)
{
    const QString path = Database();
    Open(path);
    TDialogAnswer cancel((QString()));
    form->SpeedButton1->click();
    EXPECT_EQ(cancel.seen, 1);
    EXPECT_TRUE(form->IBDatabase1->Connected());
    EXPECT_TRUE(DataSet().Active());
    EXPECT_EQ(form->FileName(), QLatin1String(TForm1::kDefaultPath));
    EXPECT_EQ(form->Edit1->text(), path);
}

TEST_F(WindowOpen, OpeningAgainFetchesEveryRowAnewFromTheFirst)
{
    const QString path = Database();
    Open(path);
    DataSet().Last();
    {
        TSecondConnection second(path);
        second.Column(QStringLiteral("update IMMAGINI set EXTFILE = 'altrove' where AUTOID = 1"));
    }
    form->SpeedButton2->click();
    EXPECT_EQ(DataSet().RecNo(), 1);
    EXPECT_EQ(DataSet().FieldByName(QStringLiteral("EXTFILE"))->AsString(), QStringLiteral("altrove"));
}

TEST_F(WindowOpen, ADatabaseWithoutTheImageTableStaysAttachedWithTheRecordSetClosed)
{
    TBoxAnswers answers;
    Open(Database({QStringLiteral("no_images.sql")}));
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_TRUE(answers.shown[0].text.contains(QStringLiteral("Table unknown\nIMMAGINI"))) << answers.shown[0].text.toStdString();
    EXPECT_TRUE(form->IBDatabase1->Connected());
    EXPECT_FALSE(DataSet().Active());
}

// Typing into the EXTFILE cell of the current row puts it into edit state
// with the typed text pending in the grid's editor.
void TypeIntoPathCell(TForm1& form, const QString& text)
{
    form.DBGrid1->setFocus();
    QTest::keyClick(form.DBGrid1, Qt::Key_End); // the last column: EXTFILE
    QTest::keyClicks(form.DBGrid1, text);
    ASSERT_EQ(form.IBDataSet1->State(), dsEdit);
}

TEST_F(WindowOpen, APendingGridEditIsDroppedByOpeningAgain)
{
    const QString path = Database();
    Open(path);
    TypeIntoPathCell(*form, QStringLiteral("typed"));
    form->SpeedButton2->click();
    EXPECT_EQ(DataSet().State(), dsBrowse);
    TSecondConnection second(path);
    EXPECT_EQ(second.Paths().value(0), QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
}

TEST_F(WindowOpen, APendingGridEditIsDroppedByAConfirmedChoice)
{
    const QString path = Database();
    const QString other = Database(FixtureDatabase::kPatient, QStringLiteral("Altro.fdb"));
    Open(path);
    TypeIntoPathCell(*form, QStringLiteral("typed"));
    {
        TDialogAnswer answer(other);
        form->SpeedButton1->click();
    }
    EXPECT_FALSE(DataSet().Active());
    TSecondConnection second(path);
    EXPECT_EQ(second.Paths().value(0), QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
}

} // namespace
