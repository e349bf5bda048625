// The progress box of a long rewrite: what it shows, and that only a
// deliberate stop (its button, Esc, the close box) asks the walk to end,
// while the box stays until the walk has ended.
#include "app/TApplication.h"
#include "app/TProgressForm.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString Label(const TProgressForm& box, const char* name)
{
    const auto* label = box.findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no label>");
}

TEST(ProgressForm, ShowsTheCountsAndTheTimeLeftWhenKnown)
{
    TProgressForm box(nullptr);
    const QLocale locale = QLocale::system();
    EXPECT_EQ(box.windowTitle(), ApplicationTitle());
    EXPECT_EQ(Label(box, "Message"), QLatin1String(TProgressForm::kMessage));
    box.SetProgress(1500, 1200, -1, -1);
    EXPECT_EQ(Label(box, "Looked"), QStringLiteral("Righe esaminate: ") + locale.toString(1500));
    EXPECT_EQ(Label(box, "Rewritten"), QStringLiteral("Righe modificate: ") + locale.toString(1200));
    EXPECT_EQ(Label(box, "TimeLeft"), QStringLiteral("Tempo rimanente: calcolo in corso..."));
    box.SetProgress(1500, 1200, 1000000, 125000);
    EXPECT_EQ(Label(box, "Looked"),
              QStringLiteral("Righe esaminate: %1 di %2").arg(locale.toString(1500), locale.toString(1000000)));
    EXPECT_EQ(Label(box, "TimeLeft"), QStringLiteral("Tempo rimanente: circa 2:05"));
}

TEST(ProgressForm, DurationsInMinutesAndSecondsWithHoursOnlyWhenThereAreAny)
{
    const std::pair<qint64, const char*> cases[] = {
        {0, "0:00"},       {1, "0:01"}, // rounded up: never nothing left while rows remain
        {999, "0:01"},     {59000, "0:59"},      {60000, "1:00"},
        {3599000, "59:59"}, {3600000, "1:00:00"}, {3723000, "1:02:03"},
    };
    for (const auto& [ms, text] : cases)
        EXPECT_EQ(TProgressForm::DurationText(ms), QLatin1String(text)) << ms;
}

TEST(ProgressForm, TheButtonEscAndTheCloseBoxAskForTheStopAndTheBoxStays)
{
    struct Case {
        const char* name;
        std::function<void(TProgressForm&)> act;
        bool stops;
    };
    const Case cases[] = {
        {"the button", [](TProgressForm& b) { QTest::mouseClick(b.StopButton(), Qt::LeftButton); }, true},
        {"Esc", [](TProgressForm& b) { QTest::keyClick(b.StopButton(), Qt::Key_Escape); }, true},
        {"Space on the focused button", [](TProgressForm& b) { QTest::keyClick(b.StopButton(), Qt::Key_Space); }, true},
        {"the close box", [](TProgressForm& b) { b.close(); }, true},
        // Enter typed by habit is not a request to stop.
        {"Enter", [](TProgressForm& b) { QTest::keyClick(b.StopButton(), Qt::Key_Return); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TProgressForm box(nullptr);
        box.show();
        QApplication::setActiveWindow(&box);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        box.StopButton()->setFocus();
        c.act(box);
        EXPECT_EQ(box.StopRequested(), c.stops);
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(box.StopButton()->isEnabled(), !c.stops);
        if (c.stops) {
            // Counts arriving before the walk ends do not hide that the stop is under way.
            box.SetProgress(10, 5, 100, 1000);
            EXPECT_EQ(Label(box, "TimeLeft"), QStringLiteral("Interruzione in corso..."));
        }
    }
}

} // namespace
