// Pictures of every box the operator can meet: each is shown for real, then
// grabbed while it is open. The test checks that the picture is the box's
// size and shows its text and buttons (not an empty window); with
// VELMORA_SCREENS_DIR set it also writes the pictures there as PNG files
// (scripts/message-screens.sh does that under Xvfb for docs/screens).
#include "app/MessageDialog.h"
#include "app/TApplication.h"
#include "app/TMessageForm.h"
#include "app/TOpenDialog.h"
#include "ibclient/base/Exception.h"
#include "tests/app/ModalWatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSet>

#include <QStandardPaths>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The toolkit's file dialog keeps its history and column widths in the
// user's settings; the tests keep theirs apart.
const bool kTestSettings = [] {
    QStandardPaths::setTestModeEnabled(true);
    return true;
}();

// Grabs the modal box as soon as it is up, then lets `close` end it.
QImage ShowAndGrab(const char* name, const std::function<void()>& show, const std::function<void(QWidget*)>& close)
{
    QImage picture;
    QSize size;
    ModalWatch watch([&](QWidget* modal) {
        size = modal->size() * modal->devicePixelRatioF();
        picture = modal->grab().toImage();
        close(modal);
    });
    show();
    EXPECT_EQ(watch.Seen(), 1) << name;
    EXPECT_EQ(picture.size(), size) << name;
    const QString dir = qEnvironmentVariable("VELMORA_SCREENS_DIR");
    if (!dir.isEmpty() && !picture.isNull()) {
        QDir().mkpath(dir);
        EXPECT_TRUE(picture.save(dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"))) << name;
    }
    return picture;
}

// A picture with text, icon and buttons has many colours; an empty window
// has one or two.
int ColourCount(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

void PressDefault(QWidget* modal)
{
    if (auto* form = qobject_cast<TMessageForm*>(modal))
        form->DefaultButton()->click();
    else if (auto* box = qobject_cast<QMessageBox*>(modal))
        box->button(QMessageBox::Ok)->click();
}

TEST(MessageScreens, EveryBoxShowsItsContent)
{
    Application->SetTitle(QStringLiteral("Velmora"));
    struct Case {
        const char* name;
        std::function<void()> show;
    };
    const Case cases[] = {
        {"confirm-conversion",
         [] {
             MessageDialog(QStringLiteral("Avviare la conversione dei percorsi delle immagini?"), mtInformation,
                           {mbYes, mbNo}, 0);
         }},
        {"delete-record", [] { MessageDialog(QStringLiteral("Delete record?"), mtConfirmation, {mbOK, mbCancel}, 0); }},
        {"finito", [] { ShowNotice(QStringLiteral("Finito!")); }},
        {"error-box",
         [] {
             Application->ShowException(EDatabaseError(
                 QStringLiteral("unavailable database\r\nI/O error during \"open\" operation for file "
                                "\"/srv/ostra/Pazienti.GDB\"\r\nError while trying to open file")));
         }},
        {"application-error",
         [] {
             try {
                 throw EDatabaseError(QStringLiteral("Unable to load gds32.dll"));
             } catch (...) {
                 ShowStartupFailure(std::current_exception());
             }
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage picture = ShowAndGrab(c.name, c.show, PressDefault);
        EXPECT_GT(ColourCount(picture), 8);
    }
}

TEST(MessageScreens, FileDialog)
{
    // A folder like the operator's, so that the picture shows no stray files.
    // Its path shows in the picture too: scripts/message-screens.sh names a
    // clinic's folder in VELMORA_SCREENS_FOLDER, which must not exist yet.
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = qEnvironmentVariable("VELMORA_SCREENS_FOLDER");
    ASSERT_TRUE(folder.isEmpty() || !QDir(folder).exists()) << folder.toStdString();
    const QDir dir(folder.isEmpty() ? tmp.path() : folder);
    ASSERT_TRUE(dir.mkpath(QStringLiteral("Database/Backup")));
    struct TRemove {
        QString path;
        ~TRemove()
        {
            if (!path.isEmpty())
                QDir(path).removeRecursively();
        }
    } remove{folder};
    for (const char* name : {"Database/Pazienti.GDB", "Database/Pazienti-2024.GDB", "Database/leggimi.txt"}) {
        QFile file(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    TOpenDialog od(nullptr);
    od.SetInitialDir(dir.filePath(QStringLiteral("Database/")));
    od.SetFileName(dir.filePath(QStringLiteral("Database/Pazienti.GDB")));
    const QImage picture =
        ShowAndGrab("open-dialog", [&] { od.Execute(); }, [](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_GT(ColourCount(picture), 8);
}

} // namespace
