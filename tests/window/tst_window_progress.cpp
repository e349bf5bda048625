// A long rewrite through the window: the window stays alive (it repaints,
// shows the busy pointer, drops the operator's input), the progress box
// appears after about a second and stops the walk between rows, the record
// set is reopened, and a second run carries on where the first stopped.
#include "WindowFixture.h"

#include "app/TProgressForm.h"
#include "app/TWalkProgress.h"

#include <QElapsedTimer>
#include <QRegularExpression>

namespace {

constexpr int kRows = 80000;
const QStringList kLongWalk = {QStringLiteral("patient_schema.sql"), QStringLiteral("long_walk_rows.sql")};

QString Original(int autoId)
{
    return QStringLiteral("+\\immagini\\lunga\\%1.jpg").arg(autoId);
}

// Hands the progress box, once it shows, to the test's action.
class TProgressWatch {
public:
    explicit TProgressWatch(std::function<void(TProgressForm*)> action) : FAction(std::move(action))
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* box = dynamic_cast<TProgressForm*>(QApplication::activeModalWidget());
            if (box && box->isVisible() && box != FSeen) {
                FSeen = box;
                FAction(box);
            }
        });
        FTimer.start(5);
    }

private:
    std::function<void(TProgressForm*)> FAction;
    QTimer FTimer;
    QPointer<TProgressForm> FSeen;
};

// Esc, as the operator types it: to the box's focused control.
void PressEsc(TProgressForm* box)
{
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QTest::keyClick(target, Qt::Key_Escape);
}

// Counts the paints a widget gets while a walk holds the busy pointer.
class TPaintsDuringWalk : public QObject {
public:
    explicit TPaintsDuringWalk(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && QApplication::overrideCursor())
            ++paints;
        return false;
    }
};

class WindowProgress : public WindowTest {
protected:
    void OpenLongWalk()
    {
        path = Database(kLongWalk);
        Open(path);
        ASSERT_TRUE(DataSet().Active());
    }
    // How many rows, from the first, hold their rewritten path; the rest
    // must still hold the original one.
    int RewrittenPrefix(const std::function<QString(int)>& rewritten)
    {
        TSecondConnection second(path);
        const QStringList stored = second.Paths();
        EXPECT_EQ(stored.size(), kRows);
        int prefix = 0;
        while (prefix < stored.size() && stored[prefix] == rewritten(prefix + 1))
            ++prefix;
        for (int i = prefix; i < stored.size(); ++i)
            if (stored[i] != Original(i + 1)) {
                ADD_FAILURE() << "row " << i + 1 << " after the rewritten prefix of " << prefix
                              << " holds " << stored[i].toStdString();
                break;
            }
        return prefix;
    }
    QString path;
};

TEST_F(WindowProgress, EscInTheProgressBoxStopsTheRewriteBetweenRowsAndASecondRunCarriesOn)
{
    OpenLongWalk();
    QElapsedTimer clock;
    qint64 shownAfter = -1;
    QString looked;
    std::vector<TShownBox> shown;
    {
        TProgressWatch watch([&](TProgressForm* box) {
            shownAfter = clock.elapsed();
            looked = box->findChild<QLabel*>(QStringLiteral("Looked"))->text();
            EXPECT_EQ(box->windowTitle(), ApplicationTitle());
            PressEsc(box);
        });
        clock.start();
        shown = Press(form->Button2);
    }
    // About a second passes before the box shows, with the rows counted.
    EXPECT_GE(shownAfter, TWalkProgress::kBoxDelay);
    EXPECT_TRUE(looked.endsWith(QStringLiteral(" di ") + QLocale::system().toString(kRows))) << looked.toStdString();

    auto rewritten = [](int autoId) { return QStringLiteral(":immagini:lunga\\%1.jpg").arg(autoId); };
    const int prefix = RewrittenPrefix(rewritten);
    EXPECT_GT(prefix, 0);
    EXPECT_LT(prefix, kRows);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, QLatin1String(TForm1::kConfirmation));
    EXPECT_EQ(shown[1], (TShownBox{ApplicationTitle(), TForm1::StoppedNotice(prefix)}));
    // Reopened as at the end of a walk; nothing left in edit state, the
    // pointer and the input given back.
    EXPECT_TRUE(DataSet().Active());
    EXPECT_EQ(DataSet().State(), dsBrowse);
    EXPECT_EQ(DataSet().RecNo(), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The second run finds only the rows not yet rewritten (its box, if it
    // shows, is left alone).
    EXPECT_EQ(Press(form->Button2), Completed());
    EXPECT_EQ(RewrittenPrefix(rewritten), kRows);
}

TEST_F(WindowProgress, DuringTheHiddenConversionTheWindowRepaintsAndDropsTheOperatorsInput)
{
    OpenLongWalk();
    form->Button1->setVisible(true);
    TPaintsDuringWalk paints(form->Label1);
    bool busyPointer = false;
    bool walking = false;
    bool closed = false;
    // In the middle of the walk, before the box: a repaint asked for, and
    // the operator typing, clicking the other rewrite and closing the window.
    QTimer::singleShot(300, [&] {
        busyPointer = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        walking = DataSet().RecNo() > 1;
        form->Label1->update();
        form->Edit2->setFocus();
        QTest::keyClicks(form->Edit2, QStringLiteral("zzz"));
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
        closed = form->close();
    });
    TProgressWatch watch([](TProgressForm* box) { PressEsc(box); });
    const auto shown = Press(form->Button1);

    EXPECT_TRUE(walking);
    EXPECT_TRUE(busyPointer);
    EXPECT_GT(paints.paints, 0);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Edit2->text(), QStringLiteral("+\\immagini\\"));
    // No second confirmation, neither during the walk nor after it.
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].text.startsWith(TForm1::StoppedNotice(0).section(u'\n', 0, 0))) << shown[1].text.toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Edit2->text(), QStringLiteral("+\\immagini\\"));
}

TEST_F(WindowProgress, AShortRewriteShowsNoProgressBox)
{
    path = Database({QStringLiteral("patient_schema.sql"), QStringLiteral("rewrite_rows.sql")});
    Open(path);
    bool boxShown = false;
    TProgressWatch watch([&](TProgressForm* box) {
        boxShown = true;
        PressEsc(box);
    });
    EXPECT_EQ(Press(form->Button2), Completed());
    EXPECT_FALSE(boxShown);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
