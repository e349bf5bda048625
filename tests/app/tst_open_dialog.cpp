// The file-open dialog: the initial folder's trailing separator, what the
// dialog opens with, and what a confirmed or cancelled dialog leaves in
// FileName.
#include "app/TOpenDialog.h"
#include "tests/app/ModalWatch.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

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

TEST(OpenDialog, InitialDirDropsOneTrailingSeparator)
{
    struct Case {
        QString set, stored;
    };
    const Case cases[] = {
        {"C:\\Ostra\\Palvena\\Database\\", "C:\\Ostra\\Palvena\\Database"},
        {"D:\\data\\", "D:\\data"},
        {"D:\\", "D:\\"},                 // a drive's root keeps its separator
        {"C:\\", "C:\\"},
        {"\\", "\\"},                     // a single separator stays
        {"/", "/"},
        {"/home/op/db/", "/home/op/db"},
        {"/home/op/db", "/home/op/db"},
        {"x:/", "x:/"},
        {"a\\\\", "a\\"},                 // only one is dropped
        {"a//", "a/"},
        {"", ""},
    };
    for (const Case& c : cases) {
        TOpenDialog dialog(nullptr);
        dialog.SetInitialDir(c.set);
        EXPECT_EQ(dialog.InitialDir(), c.stored) << c.set.toStdString();
    }
}

struct Opened {
    bool seen = false;
    QString directory, nameBox, title;
    QStringList filters;
    bool modal = false;
};

// Runs Execute, hands the open dialog to the test's action, and reports what
// the dialog opened with.
bool Execute(TOpenDialog& od, Opened& opened, const std::function<void(QFileDialog*)>& action)
{
    ModalWatch watch([&](QWidget* modal) {
        auto* fd = qobject_cast<QFileDialog*>(modal);
        if (!fd)
            return;
        opened.seen = true;
        opened.directory = fd->directory().absolutePath();
        if (auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            opened.nameBox = edit->text();
        opened.title = fd->windowTitle();
        opened.filters = fd->nameFilters();
        opened.modal = fd->windowModality() == Qt::ApplicationModal;
        action(fd);
    });
    const bool result = od.Execute();
    EXPECT_EQ(watch.ForcedClose(), 0);
    return result;
}

void TypeAndAccept(QFileDialog* fd, const QString& name)
{
    auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    static_cast<QDialog*>(fd)->accept(); // what the dialog's Open button does
}

TEST(OpenDialog, OpensInTheInitialFolderWithTheNamePrefilled)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = QDir(tmp.path()).absolutePath();
    QFile file(dir + QStringLiteral("/Pazienti.GDB"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    TOpenDialog od(nullptr);
    od.SetInitialDir(dir + QStringLiteral("/"));
    od.SetFileName(dir + QStringLiteral("/Pazienti.GDB"));
    Opened opened;
    EXPECT_TRUE(Execute(od, opened, [](QFileDialog* fd) { static_cast<QDialog*>(fd)->accept(); }));
    ASSERT_TRUE(opened.seen);
    EXPECT_EQ(opened.directory, dir);
    EXPECT_EQ(opened.nameBox, QStringLiteral("Pazienti.GDB"));
    EXPECT_TRUE(opened.modal);
    EXPECT_NE(opened.title, QString()); // the dialog's own title, none of ours
    EXPECT_LE(opened.filters.size(), 1);
    EXPECT_EQ(od.FileName(), dir + QStringLiteral("/Pazienti.GDB"));
}

TEST(OpenDialog, ConfirmedNameNeedNotExistNorItsFolder)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = QDir(tmp.path()).absolutePath();
    struct Case {
        QString typed, chosen;
    };
    const Case cases[] = {
        {"nuovo.fdb", dir + "/nuovo.fdb"},                            // relative to the folder shown
        {dir + "/manca/ancora/x.fdb", dir + "/manca/ancora/x.fdb"},   // folder missing too
    };
    for (const Case& c : cases) {
        TOpenDialog od(nullptr);
        od.SetInitialDir(dir);
        Opened opened;
        EXPECT_TRUE(Execute(od, opened, [&](QFileDialog* fd) { TypeAndAccept(fd, c.typed); })) << c.typed.toStdString();
        EXPECT_EQ(od.FileName(), c.chosen);
    }
}

TEST(OpenDialog, CancelledOrClosedLeavesFileNameUnchanged)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::function<void(QFileDialog*)> endings[] = {
        [](QFileDialog* fd) { fd->reject(); },
        [](QFileDialog* fd) { fd->close(); },
        // A name typed and then cancelled is not taken either.
        [](QFileDialog* fd) {
            if (auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(QStringLiteral("other.fdb"));
            fd->reject();
        },
    };
    for (const auto& ending : endings) {
        TOpenDialog od(nullptr);
        od.SetInitialDir(tmp.path());
        od.SetFileName(QStringLiteral("C:\\Ostra\\Palvena\\Database\\Pazienti.GDB"));
        Opened opened;
        EXPECT_FALSE(Execute(od, opened, ending));
        EXPECT_TRUE(opened.seen);
        EXPECT_EQ(od.FileName(), QStringLiteral("C:\\Ostra\\Palvena\\Database\\Pazienti.GDB"));
    }
}

TEST(OpenDialog, AnInitialFolderThatDoesNotExistIsLeftToTheDialog)
{
    struct Case {
        QString initialDir, fileName;
    };
    const Case cases[] = {
        {"C:\\Ostra\\Palvena\\Database", "C:\\Ostra\\Palvena\\Database\\Pazienti.GDB"},
        {"/nonexistent/velmora/db", "/nonexistent/velmora/db/Pazienti.GDB"},
    };
    for (const Case& c : cases) {
        TOpenDialog od(nullptr);
        od.SetInitialDir(c.initialDir);
        od.SetFileName(c.fileName);
        Opened opened;
        EXPECT_FALSE(Execute(od, opened, [](QFileDialog* fd) { fd->reject(); }));
        ASSERT_TRUE(opened.seen);
        EXPECT_TRUE(QDir(opened.directory).exists()) << opened.directory.toStdString();
        EXPECT_EQ(opened.nameBox, c.fileName);
    }
}

TEST(OpenDialog, IsAComponentOfItsOwner)
{
    TComponent owner(nullptr);
    auto* od = new TOpenDialog(&owner);
    od->SetName(QStringLiteral("OpenDialog1"));
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), od);
}

} // namespace
