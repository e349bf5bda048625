// "Apri Database" on files that are not patient databases: an empty file,
// random bytes, truncated copies of a real database, one with zeroed pages,
// a folder, and a file the program may not read. Each shows the server's error in the error box and
// leaves the window usable: the next "Apri Database" on a good file opens it.
//
// The tests run as root, who reads every file whatever its mode. To really
// deny reading, the test thread gives up its two file-permission overrides
// (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) for the one click: the embedded
// engine opens the file in the attaching thread, which then meets the file's
// mode 000 as any user would. Without root the mode alone denies it.
#include "tests/window/WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

// While it lives, the calling thread has no file-permission overrides in its
// effective set (they stay permitted and come back at the end).
class TWithoutFileOverrides {
public:
    TWithoutFileOverrides()
    {
        if (syscall(SYS_capget, &FHeader, FSaved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {FSaved[0], FSaved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        FDropped = syscall(SYS_capset, &FHeader, reduced) == 0;
    }
    ~TWithoutFileOverrides()
    {
        if (FDropped)
            syscall(SYS_capset, &FHeader, FSaved);
    }
    TWithoutFileOverrides(const TWithoutFileOverrides&) = delete;
    TWithoutFileOverrides& operator=(const TWithoutFileOverrides&) = delete;

private:
    __user_cap_header_struct FHeader{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct FSaved[2]{};
    bool FDropped = false;
};

bool Readable(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
}

class NotADatabase : public WindowTest {
protected:
    // Opens the path as the operator does; answers the boxes shown.
    std::vector<TShownBox> OpenShowing(const QString& path)
    {
        TBoxAnswers answers;
        Open(path);
        return answers.shown;
    }
    // The window goes on: a good database opens and shows its rows.
    void ExpectAGoodFileOpens()
    {
        const std::vector<TShownBox> shown = OpenShowing(good);
        EXPECT_TRUE(shown.empty()) << shown.front().text.toStdString();
        ASSERT_TRUE(DataSet().Active());
        EXPECT_EQ(DataSet().FieldByName(QStringLiteral("EXTFILE"))->AsString(),
                  QStringLiteral("+\\immagini\\2003\\p0001.jpg"));
        EXPECT_EQ(form->DBGrid1->RowCount(), 6); // title and five rows
    }
    // The error box for one bad file, and the state it leaves.
    void ExpectRefused(const std::vector<TShownBox>& shown, const QString& start, const QString& detail)
    {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, ApplicationTitle());
        EXPECT_TRUE(shown[0].text.startsWith(start)) << shown[0].text.toStdString();
        EXPECT_TRUE(shown[0].text.contains(detail)) << shown[0].text.toStdString();
        EXPECT_FALSE(DataSet().Active());
        EXPECT_EQ(form->DBGrid1->RowCount(), 2); // the title and one empty row
    }
    void SetUp() override
    {
        WindowTest::SetUp();
        good = Database();
    }
    QString good;
};

QString WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

TEST_F(NotADatabase, FilesThatAreNotDatabasesAreRefusedWithTheServersError)
{
    QByteArray random(64 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(20031);
    for (char& b : random)
        b = static_cast<char>(generator.bounded(256));
    QFile real(good);
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    const QByteArray whole = real.readAll();
    real.close();
    constexpr int kPage = 8192;
    QByteArray zeroed = whole;
    zeroed.replace(3 * kPage, 3 * kPage, QByteArray(3 * kPage, '\0'));

    const auto read = [](const QString& path) {
        return QStringLiteral("I/O error during \"read\" operation for file \"%1\"\n").arg(path);
    };
    struct Case {
        const char* what;
        QString path;
        QString start; // the server's text begins with this
        QString detail; // and holds this
    };
    const QString empty = WriteFile(dir.filePath(QStringLiteral("empty.fdb")), {});
    const QString noise = WriteFile(dir.filePath(QStringLiteral("random.fdb")), random);
    const QString halfPage = WriteFile(dir.filePath(QStringLiteral("half-page.fdb")), whole.left(kPage / 2));
    const QString threePages = WriteFile(dir.filePath(QStringLiteral("three-pages.fdb")), whole.left(3 * kPage));
    const QString half = WriteFile(dir.filePath(QStringLiteral("half.fdb")), whole.left(whole.size() / 2));
    const QString damaged = WriteFile(dir.filePath(QStringLiteral("damaged.fdb")), zeroed);
    const Case cases[] = {
        {"an empty file", empty, read(empty), QStringLiteral("File size is less than expected")},
        {"random bytes", noise, QStringLiteral("file %1 is not a valid database").arg(noise), QString()},
        {"half of the header page", halfPage, read(halfPage), QStringLiteral("File size is less than expected")},
        {"the first three pages of a database", threePages, read(threePages),
         QStringLiteral("File size is less than expected")},
        {"the first half of a database", half, read(half), QStringLiteral("File size is less than expected")},
        {"a database whose pages 3 to 5 are zeros", damaged,
         QStringLiteral("database file appears corrupt (%1)").arg(damaged), QStringLiteral("wrong page type")},
        {"a folder", dir.path(), read(dir.path()), QStringLiteral("Is a directory")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectRefused(OpenShowing(c.path), c.start, c.detail);
        ExpectAGoodFileOpens();
    }
}

TEST_F(NotADatabase, AFileThatMayNotBeReadIsRefused)
{
    const QString locked = dir.filePath(QStringLiteral("locked.fdb"));
    ASSERT_TRUE(QFile::copy(good, locked));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    std::vector<TShownBox> shown;
    {
        TWithoutFileOverrides denied;
        if (Readable(locked))
            GTEST_SKIP() << "this process can read a file of mode 000 (it keeps its file-permission overrides)";
        shown = OpenShowing(locked);
    }
    ExpectRefused(shown,
                  QStringLiteral("I/O error during \"open\" operation for file \"%1\"\n").arg(locked),
                  QStringLiteral("Permission denied"));
    EXPECT_FALSE(form->IBDatabase1->Connected());
    ExpectAGoodFileOpens();
}

} // namespace
