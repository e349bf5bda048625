// Fetching the program's select and reading every column as text: through
// TIBSQL (Next, then AsString on each of the four columns) against a raw loop
// (isc_dsql_fetch, integers turned into decimal text and the VARCHAR bytes
// decoded as code page 1252 by hand). Both build one QString per column, as
// the program's readers get one.
//
// Wall time: the median of several alternating runs of each variant in one
// process. Instructions: with --callgrind the program runs itself once per
// variant under valgrind's callgrind, counting only inside the measured loop
// (--toggle-collect on the functions named Measured*), and compares the totals.
//
//   bench_fetch [--rows N] [--runs N] [--forced-writes on|off] [--variant both|ours|raw]
//   bench_fetch --callgrind [--rows N] [--forced-writes on|off]
#include "bench/BenchCommon.h"
#include "bench/RawClient.h"

#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBSQL.h"
#include "ibclient/sql/TIBTransaction.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TIBXSQLVAR.h"
#include "tests/support/PatientDataSet.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

constexpr double kGoal = 1.15;
constexpr int kColumns = 4;

struct TOptions {
    int rows = 100000;
    int runs = 5;
    bool forcedWrites = false;
    QString variant = QStringLiteral("both");
    bool callgrind = false;
};

// What the measured loops answer, so that nothing they compute is dropped:
// characters seen and a cheap running mix of lengths and last characters.
struct TDigest {
    long long rows = 0;
    long long chars = 0;
    unsigned long long mix = 0;
    void Add(const QString& s)
    {
        chars += s.size();
        mix = mix * 1099511628211ull + static_cast<unsigned long long>(s.size()) +
              (s.isEmpty() ? 0u : s.back().unicode());
    }
    bool operator==(const TDigest&) const = default;
};

[[gnu::noinline]] TDigest MeasuredFetchOurs(TIBSQL& select)
{
    TDigest digest;
    select.ExecQuery();
    while (TIBXSQLDA* row = select.Next()) {
        ++digest.rows;
        for (int i = 0; i < kColumns; ++i)
            digest.Add(row->Vars(i)->AsString());
    }
    select.Close();
    return digest;
}

// The raw loop's text for one column: null reads as the empty text, as the
// layer's does.
QString RawColumnText(const XSQLVAR& var)
{
    if (RawValue::IsNull(var))
        return QString();
    if ((var.sqltype & ~1) == SQL_LONG)
        return RawText::FromInt(RawValue::Long(var));
    int length = 0;
    const char* bytes = RawValue::VaryingBytes(var, &length);
    return RawText::FromCp1252(bytes, length);
}

[[gnu::noinline]] TDigest MeasuredFetchRaw(RawStatement& select)
{
    TDigest digest;
    RawSQLDA& columns = select.Columns();
    select.Open();
    while (select.Fetch()) {
        ++digest.rows;
        for (int i = 0; i < kColumns; ++i)
            digest.Add(RawColumnText(columns.Var(i)));
    }
    select.CloseCursor();
    return digest;
}

// The raw loop converts only what the select delivers; anything else would
// mean the schema is not the program's.
void CheckRawColumns(RawSQLDA& columns)
{
    const int expected[kColumns] = {SQL_LONG, SQL_LONG, SQL_LONG, SQL_VARYING};
    if (columns.Count() != kColumns)
        throw std::runtime_error("the select does not have four columns");
    for (int i = 0; i < kColumns; ++i)
        if ((columns.Var(i).sqltype & ~1) != expected[i] || columns.Var(i).sqlscale != 0)
            throw std::runtime_error("unexpected column type in the select");
}

// Both variants give exactly the same text for every cell (checked once,
// outside the measurements).
void CheckSameText(TIBSQL& ours, RawStatement& raw)
{
    ours.ExecQuery();
    raw.Open();
    long long rows = 0;
    for (;;) {
        TIBXSQLDA* row = ours.Next();
        const bool rawRow = raw.Fetch();
        if (!row || !rawRow) {
            if (bool(row) != rawRow)
                throw std::runtime_error("the variants fetched different numbers of rows");
            break;
        }
        ++rows;
        for (int i = 0; i < kColumns; ++i)
            if (row->Vars(i)->AsString() != RawColumnText(raw.Columns().Var(i)))
                throw std::runtime_error(QStringLiteral("row %1 column %2 reads differently: \"%3\" / \"%4\"")
                                             .arg(rows)
                                             .arg(i)
                                             .arg(row->Vars(i)->AsString(), RawColumnText(raw.Columns().Var(i)))
                                             .toStdString());
    }
    ours.Close();
    raw.CloseCursor();
}

TOptions ParseOptions(const QStringList& args)
{
    TOptions o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--rows"))
            o.rows = next.toInt(), ++i;
        else if (a == QLatin1String("--runs"))
            o.runs = next.toInt(), ++i;
        else if (a == QLatin1String("--forced-writes"))
            o.forcedWrites = next == QLatin1String("on"), ++i;
        else if (a == QLatin1String("--variant"))
            o.variant = next, ++i;
        else if (a == QLatin1String("--callgrind"))
            o.callgrind = true;
        else
            throw std::runtime_error("unknown argument " + a.toStdString());
    }
    if (o.rows < 1 || o.runs < 1 ||
        !(o.variant == QLatin1String("both") || o.variant == QLatin1String("ours") || o.variant == QLatin1String("raw")))
        throw std::runtime_error("usage: bench_fetch [--rows N] [--runs N] [--forced-writes on|off] "
                                 "[--variant both|ours|raw] [--callgrind]");
    return o;
}

int RunWallTime(const TOptions& o)
{
    const QString path = Bench::ImmaginiDatabase(o.rows, o.forcedWrites);
    const bool ours = o.variant != QLatin1String("raw");
    const bool raw = o.variant != QLatin1String("ours");

    // The program's connection and transaction, on the cached database.
    PatientDataSet program;
    program.database->SetDatabaseName(path);
    program.database->SetConnected(true);
    program.transaction->StartTransaction();
    TIBSQL select(nullptr);
    select.SetDatabase(program.database.get());
    select.SetTransaction(program.transaction.get());
    select.SetSQL(PatientSQL::kSelect);
    select.SetGoToFirstRecordOnExecute(false);
    select.Prepare();

    RawAttachment rawDb(path);
    RawTransaction rawTr(rawDb);
    RawStatement rawSelect(rawDb, rawTr, PatientSQL::kSelect.join(QStringLiteral("\r\n")).toLatin1());
    CheckRawColumns(rawSelect.Columns());
    const bool forcedWrites = rawDb.ForcedWrites();

    if (ours && raw)
        CheckSameText(select, rawSelect);

    // One unmeasured run of each warms the page cache; then the variants
    // alternate so that drift hits both alike.
    Bench::TSamples oursTimes, rawTimes;
    TDigest oursDigest, rawDigest;
    if (o.runs > 1) {
        if (raw)
            MeasuredFetchRaw(rawSelect);
        if (ours)
            MeasuredFetchOurs(select);
    }
    for (int run = 0; run < o.runs; ++run) {
        if (raw) {
            rawTimes.Start();
            rawDigest = MeasuredFetchRaw(rawSelect);
            rawTimes.Stop();
        }
        if (ours) {
            oursTimes.Start();
            oursDigest = MeasuredFetchOurs(select);
            oursTimes.Stop();
        }
    }
    if (ours && raw && !(oursDigest == rawDigest))
        throw std::runtime_error("the variants' digests differ");

    std::printf("bench_fetch: %d rows of \"%s\", every column read as text\n", o.rows,
                qPrintable(PatientSQL::kSelect.join(QString())));
    std::printf("embedded engine, forced writes %s, median of %d runs per variant (wall time judged; CPU time\n"
                "of the process shown beside it, since other work on the machine only lengthens wall time)\n\n",
                Bench::OnOff(forcedWrites), o.runs);
    Bench::Table table({QStringLiteral("variant"), QStringLiteral("wall ms"), QStringLiteral("rows/s"),
                        QStringLiteral("ratio to raw"), QStringLiteral("goal"), QStringLiteral("verdict"),
                        QStringLiteral("cpu ms"), QStringLiteral("cpu ratio")});
    if (raw)
        table.AddRow({QStringLiteral("raw loop (isc_dsql_fetch)"), Bench::Ms(rawTimes.WallMedian()),
                      QString::number(qRound64(o.rows / rawTimes.WallMedian() * 1000)), QStringLiteral("1.000"),
                      QString(), QString(), Bench::Ms(rawTimes.CpuMedian()), QStringLiteral("1.000")});
    if (ours) {
        const double ratio = raw ? oursTimes.WallMedian() / rawTimes.WallMedian() : 0;
        const double cpuRatio = raw ? oursTimes.CpuMedian() / rawTimes.CpuMedian() : 0;
        table.AddRow({QStringLiteral("TIBSQL Next + AsString"), Bench::Ms(oursTimes.WallMedian()),
                      QString::number(qRound64(o.rows / oursTimes.WallMedian() * 1000)),
                      raw ? Bench::Ratio(ratio) : QString(), QStringLiteral("<= %1").arg(kGoal),
                      raw ? Bench::Verdict(ratio <= kGoal) : QString(), Bench::Ms(oursTimes.CpuMedian()),
                      raw ? Bench::Ratio(cpuRatio) : QString()});
    }
    table.Print();
    const TDigest& shown = ours ? oursDigest : rawDigest;
    std::printf("\nrows %lld, characters %lld\n", shown.rows, shown.chars);
    program.transaction->Commit();
    return 0;
}

// The instruction total of a callgrind output file (its "summary:" line).
long long CallgrindTotal(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("no callgrind output " + file.toStdString());
    const QRegularExpression summary(QStringLiteral("^(summary|totals): (\\d+)"),
                                     QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = summary.match(QString::fromLatin1(f.readAll()));
    if (!m.hasMatch())
        throw std::runtime_error("no summary in " + file.toStdString());
    return m.captured(2).toLongLong();
}

int RunCallgrind(const TOptions& o)
{
    // Make sure the database exists before valgrind's runs, which should not
    // count (or wait for) its generation.
    Bench::ImmaginiDatabase(o.rows, o.forcedWrites);
    QTemporaryDir dir;
    long long totals[2] = {};
    const QString variants[2] = {QStringLiteral("raw"), QStringLiteral("ours")};
    for (int v = 0; v < 2; ++v) {
        const QString out = dir.filePath(QStringLiteral("callgrind.%1.out").arg(variants[v]));
        const QStringList arguments = {QStringLiteral("--tool=callgrind"),
                                       QStringLiteral("--toggle-collect=*Measured*"),
                                       QStringLiteral("--callgrind-out-file=") + out,
                                       QCoreApplication::applicationFilePath(),
                                       QStringLiteral("--variant"), variants[v],
                                       QStringLiteral("--runs"), QStringLiteral("1"),
                                       QStringLiteral("--rows"), QString::number(o.rows),
                                       QStringLiteral("--forced-writes"), QLatin1String(Bench::OnOff(o.forcedWrites))};
        std::fprintf(stderr, "valgrind %s\n", qPrintable(arguments.join(u' ')));
        QProcess valgrind;
        valgrind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        valgrind.start(QStringLiteral("valgrind"), arguments);
        if (!valgrind.waitForFinished(-1) || valgrind.exitCode() != 0)
            throw std::runtime_error("valgrind run of the " + variants[v].toStdString() + " variant failed");
        totals[v] = CallgrindTotal(out);
        // Kept for callgrind_annotate.
        const QString kept = Bench::CacheDir() + QStringLiteral("/callgrind.fetch.%1.out").arg(variants[v]);
        QFile::remove(kept);
        QFile::copy(out, kept);
    }
    const double ratio = double(totals[1]) / double(totals[0]);
    std::printf("bench_fetch --callgrind: %d rows, instructions inside the measured loop only\n", o.rows);
    std::printf("embedded engine, forced writes %s (the engine's own work is counted in both)\n\n",
                Bench::OnOff(o.forcedWrites));
    Bench::Table table({QStringLiteral("variant"), QStringLiteral("instructions"), QStringLiteral("per row"),
                        QStringLiteral("ratio to raw"), QStringLiteral("goal"), QStringLiteral("verdict")});
    table.AddRow({QStringLiteral("raw loop (isc_dsql_fetch)"), QString::number(totals[0]),
                  QString::number(totals[0] / o.rows), QStringLiteral("1.000"), QString(), QString()});
    table.AddRow({QStringLiteral("TIBSQL Next + AsString"), QString::number(totals[1]),
                  QString::number(totals[1] / o.rows), Bench::Ratio(ratio), QStringLiteral("<= %1").arg(kGoal),
                  Bench::Verdict(ratio <= kGoal)});
    table.Print();
    std::printf("\nprofiles: %s/callgrind.fetch.{raw,ours}.out (callgrind_annotate --inclusive=yes)\n",
                qPrintable(Bench::CacheDir()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        const TOptions o = ParseOptions(app.arguments());
        return o.callgrind ? RunCallgrind(o) : RunWallTime(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_fetch: %s\n", e.what());
        return 1;
    }
}
