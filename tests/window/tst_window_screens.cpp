// Pictures of the window: just started, and after opening a patient
// database, with a row being edited. With VELMORA_SCREENS_DIR set (see
// scripts/window-screens.sh, which runs this under Xvfb) the pictures are
// written there; the database is VELMORA_SAMPLE_DB when set, else a fixture.
#include "WindowFixture.h"

#include <QDir>
#include <QPixmap>

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

} // namespace
