// Pictures of the grid as the operator sees it: closed, filled, a row being
// edited and a new row. Each is grabbed from the shown window and checked to
// hold a real picture (titles, lines, text: many colours); with
// VELMORA_SCREENS_DIR set the pictures are also written there as PNG files.
// For docs/screens they are taken under Xvfb:
//   VELMORA_SCREENS_DIR=docs/screens QT_QPA_PLATFORM=xcb xvfb-run -a build/tests/grid/tst_grid_screens
#include "GridFixture.h"

#include <QDir>
#include <QScreen>
#include <QSet>

namespace {

QImage Picture(GridFixture& f, const char* name)
{
    QCoreApplication::processEvents();
    // The window as the window system shows it, falling back to a fresh
    // rendering where the platform cannot grab.
    QImage picture = f.window->screen()->grabWindow(f.window->winId()).toImage();
    if (picture.isNull())
        picture = f.window->grab().toImage();
    const QString dir = qEnvironmentVariable("VELMORA_SCREENS_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        EXPECT_TRUE(picture.save(dir + QStringLiteral("/grid-") + QLatin1String(name) + QStringLiteral(".png")))
            << name;
    }
    return picture;
}

int Colours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

TEST(GridScreens, ClosedFilledEditedAndInserting)
{
    GridFixture f;
    f.window->setWindowTitle(QStringLiteral("VELMORA"));
    const QImage closed = Picture(f, "closed");
    EXPECT_GE(Colours(closed), 4) << "frame, title face, edges, background";

    f.Open();
    f.RunScript(QStringLiteral("Down"));
    const QImage filled = Picture(f, "filled");
    EXPECT_GT(Colours(filled), Colours(closed)) << "text and the highlight come in";

    f.RunScript(QStringLiteral("Right Right Right F2 t:x"));
    ASSERT_EQ(f.ds().State(), dsEdit);
    Picture(f, "edit");

    f.RunScript(QStringLiteral("Esc Esc Down Ins"));
    ASSERT_EQ(f.ds().State(), dsInsert);
    Picture(f, "insert");
    EXPECT_TRUE(f.errors.empty());
}

} // namespace
