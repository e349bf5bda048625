// The program killed with SIGKILL in the middle of "Sostituisti stringa".
// The window runs in a helper process (velmora_rewrite_helper) that reports
// how many rows it has committed; the test kills it once a given number is
// reached, while it goes on at full speed, after a short delay that varies
// where in an update or a commit the kill lands. Afterwards the database passes
// gfix -v -full, every row is either rewritten or untouched (the rewritten
// ones are the first rows of the walk, at least as many as were reported
// committed), and a second run finishes the job, each row rewritten once.
#include "tests/support/FixtureDatabase.h"
#include "tests/window/WindowFixture.h"

#include <QProcess>

#include <signal.h>
#include <unistd.h>

#include <ostream>

namespace {

const QStringList kRows = {QStringLiteral("patient_schema.sql"), QStringLiteral("patient_rows.sql"),
                           QStringLiteral("many_rows.sql"), QStringLiteral("more_rows.sql")};
const QString kSearch = QStringLiteral("+\\immagini\\");
const QString kReplacement = QStringLiteral(":immagini:");

// One run of the helper on a database.
class THelper {
public:
    explicit THelper(const QString& database)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        FProcess.setProcessEnvironment(env);
        FProcess.setProcessChannelMode(QProcess::SeparateChannels);
        FProcess.start(QStringLiteral(VELMORA_REWRITE_HELPER), {database, kSearch, kReplacement});
        EXPECT_TRUE(FProcess.waitForStarted(10000));
    }
    ~THelper()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished(10000);
        }
    }
    // Reads the report until `rows` rows are committed or the run ends.
    void WaitForCommitted(int rows)
    {
        while (committed < rows && !finished)
            ReadSome(60000);
    }
    // Reads the report until the run ends.
    void WaitForEnd()
    {
        while (!finished)
            ReadSome(300000);
    }
    void KillHard()
    {
        ::kill(static_cast<pid_t>(FProcess.processId()), SIGKILL);
        FProcess.waitForFinished(10000);
        ReadLines(FProcess.readAllStandardOutput());
    }
    int ExitCode() const { return FProcess.exitStatus() == QProcess::NormalExit ? FProcess.exitCode() : -1; }

    int committed = 0;
    QStringList boxes;
    bool finished = false;

private:
    void ReadSome(int timeout)
    {
        if (!FProcess.waitForReadyRead(timeout)) {
            if (FProcess.state() == QProcess::NotRunning) {
                ReadLines(FProcess.readAllStandardOutput());
                finished = true;
                return;
            }
            ADD_FAILURE() << "the helper said nothing for " << timeout << " ms";
            finished = true;
            return;
        }
        ReadLines(FProcess.readAllStandardOutput());
    }
    void ReadLines(const QByteArray& bytes)
    {
        FPending += bytes;
        qsizetype end;
        while ((end = FPending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(FPending.left(end));
            FPending.remove(0, end + 1);
            if (line.startsWith(QLatin1String("committed ")))
                committed = line.mid(10).toInt();
            else if (line.startsWith(QLatin1String("box: ")))
                boxes.append(line.mid(5));
            else if (line == QLatin1String("done"))
                finished = true;
        }
    }

    QProcess FProcess;
    QByteArray FPending;
};

// When to kill: once this many rows are reported committed, and after this
// many microseconds more, so that the kill lands at different points of an
// update or a commit.
struct TKillPoint {
    int rows;
    int delay;
};

void PrintTo(const TKillPoint& p, std::ostream* os)
{
    *os << p.rows << " rows + " << p.delay << " us";
}

class KilledRewrite : public ::testing::TestWithParam<TKillPoint> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("Pazienti.fdb"));
        FixtureDatabase::Create(kRows, path);
        // Read in this process, then detached, so that the helper can attach.
        TSecondConnection second(path);
        order = second.Column(QStringLiteral("select AUTOID from IMMAGINI"));
        before = second.Column(QStringLiteral("select EXTFILE from IMMAGINI"));
    }
    QStringList Stored()
    {
        TSecondConnection second(path);
        return second.Column(QStringLiteral("select EXTFILE from IMMAGINI"));
    }
    void ExpectValid()
    {
        QString report;
        EXPECT_EQ(FixtureDatabase::RunGfix({QStringLiteral("-v"), QStringLiteral("-full"), path}, &report), 0)
            << report.toStdString();
        EXPECT_EQ(report.trimmed(), QString()) << report.toStdString();
    }
    QString Rewritten(qsizetype i) const
    {
        return before[i].startsWith(kSearch) ? TForm1::ReplaceAll(before[i], kSearch, kReplacement) : before[i];
    }

    QTemporaryDir dir;
    QString path;
    QStringList order, before;
};

TEST_P(KilledRewrite, NoRowIsHalfWrittenAndASecondRunFinishesTheJob)
{
    const TKillPoint killAt = GetParam();
    int reported = 0;
    {
        THelper helper(path);
        helper.WaitForCommitted(killAt.rows);
        ::usleep(static_cast<useconds_t>(killAt.delay));
        ASSERT_FALSE(helper.finished) << "the helper ended before it was killed: " << helper.boxes.join(u'|').toStdString();
        helper.KillHard();
        EXPECT_EQ(helper.ExitCode(), -1);
        reported = helper.committed;
    }
    ExpectValid();

    // Every row is rewritten or as it was; the rewritten ones are the first
    // of the walk, and at least those reported committed.
    const QStringList paths = Stored();
    ASSERT_EQ(paths.size(), before.size());
    int changed = 0, changeable = 0;
    bool gap = false;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "AUTOID " << order[i].toStdString());
        if (Rewritten(i) == before[i]) {
            EXPECT_EQ(paths[i], before[i]);
            continue;
        }
        ++changeable;
        if (paths[i] == Rewritten(i)) {
            EXPECT_FALSE(gap) << "rewritten after a row the walk left as it was";
            ++changed;
        } else {
            EXPECT_EQ(paths[i], before[i]);
            gap = true;
        }
    }
    EXPECT_GE(changed, reported) << "a row reported committed was lost";
    EXPECT_LT(changed, changeable) << "the helper was killed after the walk";

    {
        THelper again(path);
        again.WaitForEnd();
        EXPECT_EQ(again.ExitCode(), 0);
        EXPECT_EQ(again.boxes, QStringList{QStringLiteral("Finito!")});
    }
    ExpectValid();
    const QStringList after = Stored();
    ASSERT_EQ(after.size(), before.size());
    for (qsizetype i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i], Rewritten(i)) << "AUTOID " << order[i].toStdString();
}

// Early in the walk, and in its middle at a few points of a row.
INSTANTIATE_TEST_SUITE_P(KillPoints, KilledRewrite,
                         testing::Values(TKillPoint{50, 0}, TKillPoint{3000, 37}, TKillPoint{3000, 411},
                                         TKillPoint{5000, 1733}));

} // namespace
