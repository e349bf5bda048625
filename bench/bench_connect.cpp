// The cost of one connection cycle as "Apri Database" makes it: attach, ask
// the database's SQL dialect, start the program's transaction, commit it and
// detach. Through TIBDatabase and TIBTransaction (configured as the window
// configures them) against the raw client calls, on the embedded engine and
// through the loopback server, with forced writes off and on. Each figure is
// the median of 20 cycles; the two variants alternate cycle by cycle.
//
//   bench_connect [--runs N] [--no-server]
#include "bench/BenchCommon.h"
#include "bench/RawClient.h"

#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"
#include "tests/support/FixtureDatabase.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/PatientDataSet.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>

namespace {

struct TOptions {
    int runs = 20;
    bool server = true;
};

[[gnu::noinline]] void MeasuredCycleOurs(TIBDatabase& database, TIBTransaction& transaction)
{
    database.SetConnected(true); // attach and the dialect query
    transaction.StartTransaction();
    transaction.Commit();
    database.SetConnected(false);
}

[[gnu::noinline]] void MeasuredCycleRaw(const QString& databaseName)
{
    RawAttachment database(databaseName);
    database.QueryDialect();
    RawTransaction transaction(database);
    transaction.Commit();
    database.Detach();
}

struct TResult {
    QString engine;
    bool forcedWrites = false;
    double rawMs = 0;
    double oursMs = 0;
};

// Measures one database: `localPath` is the file (forced writes are set on
// it before anything attaches), `databaseName` what the program would attach.
TResult Measure(const QString& engine, const QString& localPath, const QString& databaseName, bool forcedWrites,
                int runs)
{
    if (forcedWrites &&
        FixtureDatabase::RunGfix({QStringLiteral("-write"), QStringLiteral("sync"), localPath}) != 0)
        throw std::runtime_error("gfix -write sync failed on " + localPath.toStdString());

    PatientDataSet program; // the program's objects; its own fixture copy is not used
    program.database->SetDatabaseName(databaseName);

    TResult result;
    result.engine = engine;
    {
        RawAttachment probe(databaseName);
        result.forcedWrites = probe.ForcedWrites();
    }
    if (result.forcedWrites != forcedWrites)
        throw std::runtime_error("forced writes are not as asked on " + localPath.toStdString());

    // Warm-up: the first attach loads the engine or opens the server's connection plumbing.
    for (int i = 0; i < 2; ++i) {
        MeasuredCycleRaw(databaseName);
        MeasuredCycleOurs(*program.database, *program.transaction);
    }
    std::vector<double> raw, ours;
    for (int i = 0; i < runs; ++i) {
        double start = Bench::NowMs();
        MeasuredCycleRaw(databaseName);
        raw.push_back(Bench::NowMs() - start);
        start = Bench::NowMs();
        MeasuredCycleOurs(*program.database, *program.transaction);
        ours.push_back(Bench::NowMs() - start);
    }
    result.rawMs = Bench::Median(raw);
    result.oursMs = Bench::Median(ours);
    return result;
}

TOptions ParseOptions(const QStringList& args)
{
    TOptions o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            o.runs = args[++i].toInt();
        else if (args[i] == QLatin1String("--no-server"))
            o.server = false;
        else
            throw std::runtime_error("usage: bench_connect [--runs N] [--no-server]");
    }
    if (o.runs < 1)
        throw std::runtime_error("--runs needs a positive count");
    return o;
}

int Run(const TOptions& o)
{
    std::vector<TResult> results;
    QTemporaryDir dir;
    for (bool fw : {false, true}) {
        const QString path = dir.filePath(QStringLiteral("patient-fw%1.fdb").arg(QLatin1String(Bench::OnOff(fw))));
        FixtureDatabase::Create(FixtureDatabase::kPatient, path);
        results.push_back(Measure(QStringLiteral("embedded"), path, path, fw, o.runs));
    }
    if (o.server && LoopbackServer::Available()) {
        LoopbackServer server;
        for (bool fw : {false, true}) {
            const QString file = QStringLiteral("patient-fw%1.fdb").arg(QLatin1String(Bench::OnOff(fw)));
            const QString local = server.CreateDatabase(file, FixtureDatabase::kPatient);
            results.push_back(Measure(QStringLiteral("loopback server"), local, server.Remote(file), fw, o.runs));
        }
    } else if (o.server) {
        std::printf("%s\n", qPrintable(LoopbackServer::SkipMessage()));
    }

    std::printf("bench_connect: attach + dialect query + start + commit + detach, median of %d cycles\n\n", o.runs);
    Bench::Table table({QStringLiteral("engine"), QStringLiteral("forced writes"), QStringLiteral("raw ms"),
                        QStringLiteral("ours ms"), QStringLiteral("ratio ours/raw")});
    for (const TResult& r : results)
        table.AddRow({r.engine, QLatin1String(Bench::OnOff(r.forcedWrites)), Bench::Ms(r.rawMs), Bench::Ms(r.oursMs),
                      Bench::Ratio(r.oursMs / r.rawMs)});
    table.Print();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        return Run(ParseOptions(app.arguments()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_connect: %s\n", e.what());
        return 1;
    }
}
