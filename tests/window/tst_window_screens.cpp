// Pictures of the window: just started, and after opening a patient
// database, with a row being edited; and the progress box of a long rewrite,
// alone and over the window. With VELMORA_SCREENS_DIR set (see
// scripts/window-screens.sh, which runs this under Xvfb) the pictures are
// written there; the database is VELMORA_SAMPLE_DB when set, else a fixture.
#include "WindowFixture.h"

#include "app/TProgressForm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPainter>

namespace {

void Save(QWidget* window, const QString& name)
{
    QApplication::processEvents();
    const QPixmap picture = window->grab();
    EXPECT_FALSE(picture.isNull());
    const QString dir = qEnvironmentVariable("VELMORA_SCREENS_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(picture.save(QDir(dir).filePath(name + QStringLiteral(".png"))));
    }
}

TEST_F(WindowTest, Pictures)
{
    Save(form.get(), QStringLiteral("window-start"));
    QString sample = qEnvironmentVariable("VELMORA_SAMPLE_DB");
    if (sample.isEmpty())
        sample = Database({QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                           QStringLiteral("many_rows.sql")});
    Open(sample);
    ASSERT_TRUE(DataSet().Active());
    form->DBGrid1->setFocus();
    Save(form.get(), QStringLiteral("window-open"));
    QTest::keyClick(form->DBGrid1, Qt::Key_Down);
    QTest::keyClick(form->DBGrid1, Qt::Key_End);
    QTest::keyClick(form->DBGrid1, Qt::Key_F2);
    QTest::keyClicks(form->DBGrid1, QStringLiteral("_nuovo"));
    Save(form.get(), QStringLiteral("window-edit"));
    DataSet().Cancel();
}

TEST_F(WindowTest, ProgressPictures)
{
    Open(Database({QStringLiteral("patient_schema.sql"), QStringLiteral("long_walk_rows.sql")}));
    ASSERT_TRUE(DataSet().Active());
    bool pictured = false;
    QElapsedTimer since;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = dynamic_cast<TProgressForm*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || pictured)
            return;
        // A few more turns of the walk first, so that the box has settled.
        if (!since.isValid())
            since.start();
        if (since.elapsed() < 300)
            return;
        pictured = true;
        Save(box, QStringLiteral("progress-box"));
        // The box over the window, as the operator sees them.
        QPixmap both = form->grab();
        {
            QPainter painter(&both);
            painter.drawPixmap(box->geometry().topLeft() - form->geometry().topLeft(), box->grab());
        }
        const QString dir = qEnvironmentVariable("VELMORA_SCREENS_DIR");
        if (!dir.isEmpty()) {
            EXPECT_TRUE(both.save(QDir(dir).filePath(QStringLiteral("window-progress.png"))));
        }
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Escape);
    });
    watch.start(5);
    const auto shown = Press(form->Button2);
    EXPECT_TRUE(pictured);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].text.startsWith(QStringLiteral("Conversione interrotta.")));
}

} // namespace
