// One press on a control that repeats while held (a scroll bar's arrow or
// trough) whose action fails: the error box swallows the release the control
// waits for, yet the error is shown once and the control does not go on
// repeating the failing action after the box is closed.
#include "WindowFixture.h"

#include <QScrollBar>
#include <QStyleOptionSlider>

namespace {

// Where a part of a scroll bar lies, in the bar's coordinates.
QPoint PartOf(QScrollBar* bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = false;
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}

struct TBarCase {
    const char* name;
    Qt::Orientation orientation;
    QStyle::SubControl part;
    const char* error;
    TDataSetState state; // the state the failing row stays in
};

const TBarCase kCases[] = {
    // The rewrite stopped on a path too long for the column: leaving the row posts it again.
    {"VerticalArrow", Qt::Vertical, QStyle::SC_ScrollBarAddLine,
     "Trying to store a string of length 256 into a field that can only contain 255.", dsEdit},
    {"VerticalTrough", Qt::Vertical, QStyle::SC_ScrollBarAddPage,
     "Trying to store a string of length 256 into a field that can only contain 255.", dsEdit},
    // A key too large for an integer cell, pending in the editor of a new
    // row: scrolling to the next column stores it.
    {"HorizontalArrow", Qt::Horizontal, QStyle::SC_ScrollBarAddLine,
     "'99999999999' is not a valid integer value for field 'AUTOID'", dsInsert},
};

class WindowBarErrors : public WindowTest, public ::testing::WithParamInterface<TBarCase> {};

TEST_P(WindowBarErrors, OnePressOnAFailingBarShowsOneErrorBox)
{
    const TBarCase& c = GetParam();
    Open(Database({QStringLiteral("patient_schema.sql"), QStringLiteral("rewrite_rows.sql")}));
    ASSERT_TRUE(DataSet().Active());
    QScrollBar* bar = nullptr;
    if (c.orientation == Qt::Vertical) {
        form->Edit3->setText(QString(125, u'r'));
        ASSERT_EQ(Press(form->Button2).size(), 2u);
        ASSERT_EQ(DataSet().State(), dsEdit);
        bar = form->DBGrid1->verticalScrollBar();
    } else {
        form->DBGrid1->setFocus();
        QTest::keyClick(form->DBGrid1, Qt::Key_Insert);
        ASSERT_EQ(DataSet().State(), dsInsert);
        // AUTOID, the third column: a new row takes only its key and its path.
        QTest::keyClick(form->DBGrid1, Qt::Key_Right);
        QTest::keyClick(form->DBGrid1, Qt::Key_Right);
        QTest::keyClicks(form->DBGrid1, QStringLiteral("99999999999"));
        ASSERT_TRUE(form->DBGrid1->EditorMode());
        bar = form->DBGrid1->horizontalScrollBar();
    }
    ASSERT_TRUE(bar->isVisible());
    const int recNo = DataSet().RecNo();

    TBoxAnswers answers;
    // The release never comes: the box takes it.
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, PartOf(bar, c.part));
    // Longer than the bar's first delay and many of its repeats.
    QTest::qWait(1500);
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, QLatin1String(c.error));
    EXPECT_EQ(DataSet().RecNo(), recNo);
    EXPECT_EQ(DataSet().State(), c.state);

    // The next click on the bar is an ordinary one: one action, one box.
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, PartOf(bar, c.part));
    QTest::qWait(700);
    EXPECT_EQ(answers.shown.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowBarErrors, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TBarCase>& info) { return std::string(info.param.name); });

} // namespace
