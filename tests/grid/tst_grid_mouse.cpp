// The mouse on the grid: presses on cells and indicator cells, the second
// press that opens the editor, the wheel, title presses, resizing and
// moving columns (lost again when the record set is reopened), and the
// vertical bar's actions; a move that fails keeps the grid where it was.
#include "GridFixture.h"

#include <QScrollBar>
#include <QWheelEvent>

namespace {

const QStringList kManyRows = {QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                               QStringLiteral("many_rows.sql")};

void Wheel(TDBGrid* grid, int notches)
{
    const QPoint pos = grid->CellRect(1, 1).center();
    QWheelEvent event(pos, grid->viewport()->mapToGlobal(pos), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(grid->viewport(), &event);
}

QStringList Titles(TDBGrid* grid)
{
    QStringList titles;
    for (int i = 0; i < grid->Columns().Count(); ++i)
        titles << grid->Columns()[i]->Title();
    return titles;
}

struct ClickCase {
    const char* name;
    const char* script;
    const char* current; // AUTOID
    int col;
    bool editor;
    const char* editorText;
};

const ClickCase kClicks[] = {
    {"a press on an indicator cell keeps the column", "Right click:0,4", "4", 2, false, ""},
    {"a press on another cell only moves there", "click:2,3", "3", 2, false, ""},
    {"a second press on the current cell opens the editor", "click:2,3 click:2,3", "3", 2, true, "7"},
    {"a press on the current cell after arriving by key opens the editor", "Down click:1,2", "2", 1, true, "101"},
    {"a press elsewhere closes the editor", "click:2,3 click:2,3 click:4,2", "2", 4, false, ""},
};

class GridClicks : public ::testing::TestWithParam<ClickCase> {};

TEST_P(GridClicks, Script)
{
    const ClickCase& c = GetParam();
    GridFixture f;
    f.Open();
    f.RunScript(QString::fromLatin1(c.script));
    EXPECT_EQ(f.Current("AUTOID"), QString::fromLatin1(c.current));
    EXPECT_EQ(f.grid->Col(), c.col);
    EXPECT_EQ(f.EditorOpen(), c.editor);
    if (c.editor) {
        EXPECT_EQ(f.Editor()->text(), QString::fromLatin1(c.editorText));
        EXPECT_EQ(f.Editor()->selectedText(), QString::fromLatin1(c.editorText));
    }
    EXPECT_EQ(f.ds().State(), dsBrowse);
    EXPECT_TRUE(f.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, GridClicks, ::testing::ValuesIn(kClicks),
                         [](const ::testing::TestParamInfo<ClickCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p)))
                                     name += *p;
                             return name;
                         });

TEST(GridMouse, TheWheelMovesOneRowPerNotchAndStopsAtTheLastRow)
{
    GridFixture f;
    f.Open();
    Wheel(f.grid, -2);
    EXPECT_EQ(f.Current("AUTOID"), QStringLiteral("3"));
    Wheel(f.grid, 1);
    EXPECT_EQ(f.Current("AUTOID"), QStringLiteral("2"));
    Wheel(f.grid, -10);
    EXPECT_EQ(f.Current("AUTOID"), QStringLiteral("5"));
    Wheel(f.grid, -1);
    EXPECT_EQ(f.Current("AUTOID"), QStringLiteral("5"));
    EXPECT_EQ(f.ds().State(), dsBrowse) << "the wheel never appends";
}

TEST(GridMouse, APressThatCannotPostTheRowKeepsTheGridOnIt)
{
    GridFixture f;
    f.Open();
    f.RunScript(QStringLiteral("t:- click:1,3"));
    ASSERT_EQ(f.errors.size(), 1u);
    EXPECT_EQ(f.errors[0], QStringLiteral("'-' is not a valid integer value for field 'CODICE_CLIENTE'"));
    EXPECT_EQ(f.Current("AUTOID"), QStringLiteral("1"));
    EXPECT_EQ(f.grid->Row(), 1);
    EXPECT_EQ(f.ds().State(), dsEdit);
    ASSERT_TRUE(f.EditorOpen());
    EXPECT_EQ(f.Editor()->text(), QStringLiteral("-"));
}

TEST(GridMouse, ATitlePressStoresTheTextAndReportsATitleClick)
{
    GridFixture f;
    f.Open();
    QStringList clicked;
    f.grid->SetOnTitleClick([&](TColumn* column) { clicked << column->Title(); });
    f.RunScript(QStringLiteral("End t:x"));
    // EXTFILE is too wide to share the view: End scrolled it to the left.
    EXPECT_EQ(f.grid->LeftCol(), 4);
    f.Click(4, 0);
    EXPECT_FALSE(f.EditorOpen());
    EXPECT_EQ(f.ds().State(), dsEdit);
    EXPECT_EQ(f.Current("EXTFILE"), QStringLiteral("x"));
    EXPECT_EQ(clicked, QStringList{QStringLiteral("EXTFILE")});
}

TEST(GridMouse, AResizedColumnKeepsItsWidthUntilTheRecordSetIsOpenedAgain)
{
    GridFixture f;
    f.Open();
    const int before = f.grid->ColWidth(1);
    const QRect title = f.grid->CellRect(1, 0);
    const QPoint boundary(title.right() + 1, title.center().y());
    QTest::mousePress(f.grid->viewport(), Qt::LeftButton, Qt::NoModifier, boundary);
    QTest::mouseMove(f.grid->viewport(), boundary + QPoint(30, 0));
    QTest::mouseRelease(f.grid->viewport(), Qt::LeftButton, Qt::NoModifier, boundary + QPoint(30, 0));
    EXPECT_EQ(f.grid->ColWidth(1), before + 30);
    const int average = QFontMetrics(f.grid->font()).averageCharWidth();
    EXPECT_EQ(f.ds().Fields()[0]->DisplayWidth(), (before + 30 + average / 2 - 3) / average);

    f.ds().Close();
    f.Open();
    EXPECT_EQ(f.grid->ColWidth(1), before);
    EXPECT_TRUE(f.errors.empty());
}

TEST(GridMouse, ADraggedTitleMovesItsFieldUntilTheRecordSetIsOpenedAgain)
{
    GridFixture f;
    f.Open();
    const QStringList original = Titles(f.grid);
    const QPoint from = f.grid->CellRect(1, 0).center();
    const QPoint to = f.grid->CellRect(3, 0).center();
    QTest::mousePress(f.grid->viewport(), Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(f.grid->viewport(), from + QPoint(20, 0));
    QTest::mouseMove(f.grid->viewport(), to);
    QTest::mouseRelease(f.grid->viewport(), Qt::LeftButton, Qt::NoModifier, to);
    const QStringList moved = {QStringLiteral("NUMERO_CARTELLA"), QStringLiteral("AUTOID"),
                               QStringLiteral("CODICE_CLIENTE"), QStringLiteral("EXTFILE")};
    EXPECT_EQ(Titles(f.grid), moved);
    EXPECT_EQ(f.ds().Fields()[2]->FieldName(), QStringLiteral("CODICE_CLIENTE"));
    EXPECT_EQ(f.grid->Col(), 3) << "the current column went with its field";

    f.ds().Close();
    EXPECT_EQ(f.grid->Columns().Count(), 1);
    f.Open();
    EXPECT_EQ(Titles(f.grid), original);
    EXPECT_TRUE(f.errors.empty());
}

struct BarCase {
    const char* name;
    const char* start;
    int action; // QAbstractSlider::SliderAction, or -1 for a thumb released at `position`
    int position;
    int recNo;
};

// A fully fetched record set, eleven rows visible; "^End ^Home" starts on
// the first row, "^End" on the last with the rows before it in view.
const BarCase kBarCases[] = {
    {"line down goes below the last visible row", "^End ^Home", QAbstractSlider::SliderSingleStepAdd, 0, 12},
    {"line up at the top stays", "^End ^Home", QAbstractSlider::SliderSingleStepSub, 0, 1},
    {"line up goes above the first visible row", "^End", QAbstractSlider::SliderSingleStepSub, 0, 1494},
    {"page down moves by the visible rows", "^End ^Home", QAbstractSlider::SliderPageStepAdd, 0, 12},
    {"page up moves by the visible rows", "^End", QAbstractSlider::SliderPageStepSub, 0, 1494},
    {"bottom goes to the last row", "^End ^Home", QAbstractSlider::SliderToMaximum, 0, 1505},
    {"top goes to the first row", "^End", QAbstractSlider::SliderToMinimum, 0, 1},
    {"a thumb released in the middle goes to that row", "^End ^Home", -1, 700, 700},
    {"a thumb released at the count goes to the last row", "^End ^Home", -1, 1505, 1505},
    {"a thumb released at 1 goes to the first row", "^End", -1, 1, 1},
};

class GridBar : public ::testing::TestWithParam<BarCase> {};

TEST_P(GridBar, Action)
{
    const BarCase& c = GetParam();
    GridFixture f(kManyRows);
    f.Open();
    f.RunScript(QString::fromLatin1(c.start));
    QScrollBar* bar = f.grid->verticalScrollBar();
    ASSERT_EQ(bar->maximum(), 1505);
    if (c.action >= 0) {
        bar->triggerAction(static_cast<QAbstractSlider::SliderAction>(c.action));
    } else {
        bar->setSliderDown(true);
        bar->setSliderPosition(c.position);
        bar->setSliderDown(false);
    }
    EXPECT_EQ(f.ds().RecNo(), c.recNo);
    EXPECT_EQ(bar->value(), c.recNo);
    EXPECT_EQ(f.grid->Row(), f.grid->DataLink()->ActiveRecord() + 1);
    EXPECT_TRUE(f.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, GridBar, ::testing::ValuesIn(kBarCases),
                         [](const ::testing::TestParamInfo<BarCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p)))
                                     name += *p;
                             return name;
                         });

TEST(GridMouse, ABarActionThatCannotPostTheRowLeavesTheBarWhereTheRecordSetIs)
{
    GridFixture f(kManyRows);
    f.Open();
    f.RunScript(QStringLiteral("^End ^Home t:-"));
    QScrollBar* bar = f.grid->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    ASSERT_EQ(f.errors.size(), 1u);
    EXPECT_EQ(f.ds().RecNo(), 1);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(f.ds().State(), dsEdit);
}

} // namespace
