// The window as it starts: its controls, texts, positions and tab order,
// the default path that names no database here, and closing with the
// database open.
#include "WindowFixture.h"

namespace {

using WindowStartup = WindowTest;

struct TControlCase {
    QWidget* TForm1::*control;
    QRect geometry;
    QString text;
};

QString TextOf(QWidget* w)
{
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* button = qobject_cast<QPushButton*>(w))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    return QString();
}

TEST_F(WindowStartup, AFreshStartShowsTheDefaultsAndAnEmptyGrid)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("VELMORA"));
    EXPECT_EQ(form->size(), QSize(471, 314));
    const struct {
        QWidget* widget;
        QRect geometry;
        QString text;
    } controls[] = {
        {form->Label1, {8, 8, 105, 13}, "File Database Pazienti"},
        {form->Edit1, {8, 24, 361, 21}, "C:\\Ostra\\Palvena\\Database\\Pazienti.GDB"},
        {form->SpeedButton1, {368, 24, 23, 22}, "..."},
        {form->SpeedButton2, {392, 24, 73, 22}, "Apri Database"},
        {form->DBGrid1, {8, 64, 457, 217}, ""},
        {form->Button1, {392, 248, 75, 25}, "Esegui"},
        {form->Button2, {8, 288, 129, 25}, "Sostituisti stringa"},
        {form->Edit2, {160, 288, 121, 21}, "+\\immagini\\"},
        {form->Edit3, {344, 288, 121, 21}, ":immagini:"},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.widget->geometry(), c.geometry) << c.widget->objectName().toStdString();
        EXPECT_EQ(TextOf(c.widget), c.text) << c.widget->objectName().toStdString();
    }
    EXPECT_FALSE(form->Button1->isVisible());
    EXPECT_EQ(form->SpeedButton1->toolTip(), QStringLiteral("Scegli Database"));
    EXPECT_EQ(form->SpeedButton1->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form->SpeedButton2->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form->FileName(), QLatin1String(TForm1::kDefaultPath));
    EXPECT_EQ(form->IBDatabase1->DatabaseName(), QLatin1String(TForm1::kDefaultPath));
    EXPECT_FALSE(form->IBDatabase1->Connected());
    EXPECT_FALSE(form->IBTransaction1->InTransaction());
    EXPECT_FALSE(DataSet().Active());
    // A closed grid: one blank column with an empty title, one blank row.
    EXPECT_EQ(form->DBGrid1->ColCount(), 2);
    EXPECT_EQ(form->DBGrid1->RowCount(), 2);
    EXPECT_EQ(QApplication::focusWidget(), form->DBGrid1);
}

TEST_F(WindowStartup, TabGoesFromTheGridThroughTheVisibleControls)
{
    // The grid keeps Tab for its cells; the chain after it is the window's.
    QWidget* w = form->DBGrid1;
    QStringList chain;
    for (int i = 0; i < 5; ++i) {
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || w->parentWidget() != form.get())
            w = w->nextInFocusChain();
        chain.append(w->objectName());
    }
    EXPECT_EQ(chain, (QStringList{"Edit1", "Button2", "Edit2", "Edit3", "DBGrid1"}));
}

TEST_F(WindowStartup, ClearingThePathBoxLeavesTheFileName)
{
    form->Edit1->clear();
    QTest::keyClicks(form->Edit1, QStringLiteral("/elsewhere.fdb"));
    EXPECT_EQ(form->FileName(), QLatin1String(TForm1::kDefaultPath));
}

TEST_F(WindowStartup, TheDefaultPathNamesAHostThatIsNotThereAndTheGridStaysEmpty)
{
    TBoxAnswers answers;
    form->SpeedButton2->click();
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].caption, ApplicationTitle());
    EXPECT_TRUE(answers.shown[0].text.startsWith(
        QStringLiteral("Unable to complete network request to host \"C\".\nFailed to locate host machine.\n")))
        << answers.shown[0].text.toStdString();
    EXPECT_TRUE(answers.shown[0].text.endsWith(u'.'));
    EXPECT_FALSE(form->IBDatabase1->Connected());
    EXPECT_FALSE(DataSet().Active());
    EXPECT_EQ(form->DBGrid1->RowCount(), 2);
    // The window goes on: a real path opens.
    Open(Database());
    EXPECT_TRUE(DataSet().Active());
}

TEST_F(WindowStartup, AnEmptyPathBoxIsRefusedWithAPeriod)
{
    form->Edit1->clear();
    TBoxAnswers answers;
    form->SpeedButton2->click();
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, QStringLiteral("Database name is missing."));
}

TEST_F(WindowStartup, ClosingTheWindowWithTheDatabaseOpenCommitsAndDetaches)
{
    const QString path = Database();
    Open(path);
    ASSERT_TRUE(DataSet().Active());
    // A deletion is committed by the next commit only: here, closing the window.
    DataSet().Last();
    DataSet().Delete();
    form->close();
    form.reset();
    TSecondConnection second(path);
    EXPECT_EQ(second.Column(QStringLiteral("select count(*) from IMMAGINI")), QStringList{QStringLiteral("4")});
}

} // namespace
