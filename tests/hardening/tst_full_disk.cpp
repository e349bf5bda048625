// The disk fills up in the middle of "Sostituisti stringa": the database
// lies on a small tmpfs that the test mounts itself, and the new paths are
// long enough that the file must grow past it after a part of the rows.
// The error is shown and the walk stops; every row committed before stays
// rewritten, the rows after it are untouched and no row is half written.
// When the operator frees space, the window goes on: a second run finishes
// the job, and once the window has detached (so that no attachment of this
// process holds the file) the database passes gfix -v -full. When the
// window is closed while the disk is still full, the engine cannot write
// its last pages: validation then finds one data page missing from its
// pointer page (space it frees), and no row is lost or torn.
//
// Mounting needs root; the test skips with a message otherwise, or when the
// mount is refused (a container without the capability).
#include "tests/window/WindowFixture.h"

#include <QDir>
#include <QFileInfo>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const QStringList kManyRows = {QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                               QStringLiteral("many_rows.sql"), QStringLiteral("more_rows.sql")};

// A tmpfs of the given size at a folder, unmounted at the end.
class TSmallDisk {
public:
    TSmallDisk(const QString& folder, qint64 bytes) : FFolder(QFile::encodeName(folder))
    {
        if (geteuid() != 0) {
            FRefusal = QStringLiteral("not root: a tmpfs cannot be mounted");
            return;
        }
        QDir().mkpath(folder);
        if (::mount("tmpfs", FFolder.constData(), "tmpfs", 0, Options(bytes).constData()) != 0) {
            FRefusal = QStringLiteral("mounting a tmpfs was refused: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        FMounted = true;
    }
    ~TSmallDisk()
    {
        if (FMounted)
            ::umount2(FFolder.constData(), MNT_DETACH);
    }
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;

    bool Mounted() const { return FMounted; }
    const QString& Refusal() const { return FRefusal; }
    // Gives the disk room again, keeping its files.
    bool Grow(qint64 bytes)
    {
        return ::mount("tmpfs", FFolder.constData(), "tmpfs", MS_REMOUNT, Options(bytes).constData()) == 0;
    }

private:
    static QByteArray Options(qint64 bytes) { return "size=" + QByteArray::number(bytes) + ",mode=0700"; }

    QByteArray FFolder;
    bool FMounted = false;
    QString FRefusal;
};

class FullDisk : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // The database as made, copied onto a disk with little room to spare.
        const QString made = Database(kManyRows);
        disk = std::make_unique<TSmallDisk>(dir.filePath(QStringLiteral("disk")), QFileInfo(made).size() + 32 * 1024);
        if (!disk->Mounted())
            GTEST_SKIP() << disk->Refusal().toStdString();
        path = dir.filePath(QStringLiteral("disk/Pazienti.fdb"));
        ASSERT_TRUE(QFile::copy(made, path));
        // The order in which the rewrite meets the rows (the select's own).
        TSecondConnection second(path);
        order = second.Column(QStringLiteral("select AUTOID from IMMAGINI"));
        before = second.Column(QStringLiteral("select EXTFILE from IMMAGINI"));
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        disk.reset();
    }

    // Opens the database and rewrites until the disk is full; answers the
    // position, in the walk, of the row the error stopped at.
    qsizetype RewriteUntilFull()
    {
        Open(path);
        EXPECT_TRUE(DataSet().Active());
        form->Edit3->setText(replacement);
        const std::vector<TShownBox> shown = Press(form->Button2);
        // The confirmation, then the error; no "Finito!".
        EXPECT_EQ(shown.size(), 2u);
        if (shown.size() != 2u)
            return -1;
        EXPECT_EQ(shown[1].caption, ApplicationTitle());
        EXPECT_TRUE(shown[1].text.startsWith(
            QStringLiteral("I/O error during \"write\" operation for file \"%1\"").arg(path)))
            << shown[1].text.toStdString();
        EXPECT_TRUE(shown[1].text.contains(QStringLiteral("No space left on device"))) << shown[1].text.toStdString();
        // The walk stopped on a row in the middle.
        EXPECT_TRUE(DataSet().Active());
        const qsizetype k = order.indexOf(DataSet().FieldByName(QStringLiteral("AUTOID"))->AsString());
        EXPECT_GT(k, 0) << "the disk was full before the first row";
        EXPECT_LT(k, order.size() - 1) << "the disk did not fill up";
        return k;
    }
    QString Rewritten(qsizetype i) const
    {
        return TForm1::ReplaceAll(before[i], QStringLiteral("+\\immagini\\"), replacement);
    }
    // Rows before the k-th are rewritten, rows after it untouched, the k-th
    // one or the other.
    void ExpectWholeRows(const QStringList& paths, qsizetype k)
    {
        ASSERT_EQ(paths.size(), before.size());
        for (qsizetype i = 0; i < paths.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "AUTOID " << order[i].toStdString());
            if (i < k)
                EXPECT_EQ(paths[i], Rewritten(i));
            else if (i > k)
                EXPECT_EQ(paths[i], before[i]);
            else
                EXPECT_TRUE(paths[i] == Rewritten(i) || paths[i] == before[i]) << paths[i].toStdString();
        }
    }
    QString Validate()
    {
        QString report;
        EXPECT_EQ(FixtureDatabase::RunGfix({QStringLiteral("-v"), QStringLiteral("-full"), path}, &report), 0)
            << report.toStdString();
        return report.trimmed();
    }

    static constexpr qint64 kRoomy = 64 * 1024 * 1024;
    const QString replacement = QStringLiteral(":immagini:") + QString(100, u'x') + u'\\';
    std::unique_ptr<TSmallDisk> disk;
    QString path;
    QStringList order, before;
};

TEST_F(FullDisk, TheErrorIsShownTheCommittedRowsStayAndASecondRunFinishesOnceThereIsRoom)
{
    const qsizetype k = RewriteUntilFull();
    ASSERT_GT(k, 0);
    {
        // Seen from another attachment: what was committed before the error.
        TSecondConnection second(path);
        const QStringList committed = second.Column(QStringLiteral("select EXTFILE from IMMAGINI"));
        ExpectWholeRows(committed, k);
        EXPECT_EQ(committed.value(k), before.value(k)); // its commit is the one that failed
    }

    // The operator frees space and presses the button again.
    ASSERT_TRUE(disk->Grow(kRoomy));
    EXPECT_EQ(Press(form->Button2), Completed());
    form.reset();
    EXPECT_EQ(Validate(), QString());
    TSecondConnection second(path);
    const QStringList paths = second.Column(QStringLiteral("select EXTFILE from IMMAGINI"));
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_EQ(paths[i], Rewritten(i)) << "AUTOID " << order[i].toStdString(); // each rewritten once
}

TEST_F(FullDisk, ClosingTheWindowWhileTheDiskIsStillFullLosesNoRow)
{
    const qsizetype k = RewriteUntilFull();
    ASSERT_GT(k, 0);
    form.reset();
    ASSERT_TRUE(disk->Grow(kRoomy));

    // The engine could not write its last pages: one data page is left out of
    // its pointer page, which validation reports and frees; nothing at the
    // record level.
    const QString first = Validate();
    EXPECT_FALSE(first.contains(QStringLiteral("record level"))) << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("data page errors"))) << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("index"), Qt::CaseInsensitive)) << first.toStdString();
    EXPECT_EQ(Validate(), QString());

    TSecondConnection second(path);
    ExpectWholeRows(second.Column(QStringLiteral("select EXTFILE from IMMAGINI")), k);
}

} // namespace
