// The buffered record set as the program uses it, on the embedded engine,
// with forced writes off and on:
//
//   a. open latency: connect, then open with a view of 12 rows linked (a
//      TDataSource and a TDataLink with BufferCount 12), at 1,000 and at
//      1,000,000 rows; opening must not grow with the table.
//   b. Last on 1,000,000 rows against a raw fetch loop over the same rows,
//      with the row slot's size and the peak resident memory per cached row.
//   c. the path-rewrite walk (First; while not Eof: read EXTFILE, and when it
//      starts with "+\immagini\" Edit, assign the replaced path, Post with
//      commit-retaining after the post; Next) over 100,000 rows, against a
//      raw loop making the same client calls: per changed row the prepared
//      update with its 4 parameters, the changed-row count, commit-retaining.
//
//   bench_dataset [--part a|b|c|all] [--forced-writes off|on|both] [--runs N]
//                 [--small-rows N] [--big-rows N] [--walk-rows N]
#include "bench/BenchCommon.h"
#include "bench/RawClient.h"
#include "bench/RawWalk.h"

#include "ibclient/dataset/TDataLink.h"
#include "ibclient/dataset/TDataSource.h"
#include "ibclient/dataset/TField.h"
#include "ibclient/ibdataset/TIBDataSet.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"
#include "tests/support/PatientDataSet.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>

#include <malloc.h>

namespace {

constexpr int kWindow = 12;
constexpr double kOpenGoal = 1.2;   // open at the big size / open at the small size
constexpr double kLastGoal = 0.8;   // rows per second of Last / of the raw fetch loop
constexpr double kMemoryGoal = 1.1; // peak memory per cached row / slot size
constexpr double kWalkGoal = 1.10;  // walk time / raw walk time

struct TOptions {
    QString part = QStringLiteral("all");
    std::vector<bool> forcedWrites = {false, true};
    int runs = 0; // 0: each part's own default
    int smallRows = 1000;
    int bigRows = 1000000;
    int walkRows = 100000;
};

// A view of kWindow rows, linked for the lifetime of the object.
struct TView {
    explicit TView(TDataSet* dataSet)
    {
        source.SetDataSet(dataSet);
        link.SetDataSource(&source);
        link.SetBufferCount(kWindow);
    }
    ~TView() { link.SetDataSource(nullptr); }
    TDataSource source{nullptr};
    TDataLink link;
};

// ---- a. open latency -------------------------------------------------------

struct TOpenFigures {
    double firstOpenMs = 0; // on a fresh connection: prepare, schema lookups, execute, the window's rows
    double reopenMs = 0;    // prepared already: execute and the window's rows
    double rawMs = 0;       // raw: prepare the select, execute, fetch the window's rows
    int cachedRows = 0;
};

[[gnu::noinline]] void MeasuredOpen(TIBDataSet& dataSet)
{
    dataSet.Open();
}

[[gnu::noinline]] void MeasuredRawOpen(RawAttachment& database, RawTransaction& transaction)
{
    RawStatement select(database, transaction, RawWalk::SelectText());
    select.Open();
    for (int i = 0; i < kWindow; ++i)
        if (!select.Fetch())
            throw std::runtime_error("fewer rows than the window");
    select.CloseCursor();
}

void PartOpen(const TOptions& o, bool fw)
{
    const int runs = o.runs > 0 ? o.runs : 11;
    const int sizes[2] = {o.smallRows, o.bigRows};
    QString paths[2];
    for (int s = 0; s < 2; ++s) {
        paths[s] = Bench::ImmaginiDatabase(sizes[s], fw);
        RawWalk::CheckForcedWrites(paths[s], fw);
    }

    std::unique_ptr<PatientDataSet> programs[2];
    std::unique_ptr<TView> views[2];
    for (int s = 0; s < 2; ++s) {
        programs[s] = std::make_unique<PatientDataSet>();
        programs[s]->database->SetDatabaseName(paths[s]);
        views[s] = std::make_unique<TView>(programs[s]->dataSet.get());
    }
    std::vector<double> first[2], reopen[2], raw[2];
    int cached[2] = {};
    // One unmeasured round warms the engine and the page cache; then the
    // sizes alternate.
    for (int run = -1; run < runs; ++run) {
        for (int s = 0; s < 2; ++s) {
            PatientDataSet& p = *programs[s];
            p.database->SetConnected(true);
            double start = Bench::NowMs();
            MeasuredOpen(*p.dataSet);
            const double firstMs = Bench::NowMs() - start;
            cached[s] = p.dataSet->CachedRecordCount();
            p.dataSet->Close();
            start = Bench::NowMs();
            MeasuredOpen(*p.dataSet);
            const double reopenMs = Bench::NowMs() - start;
            p.dataSet->Close();
            p.database->SetConnected(false);

            RawAttachment rawDb(paths[s]);
            RawTransaction rawTr(rawDb);
            start = Bench::NowMs();
            MeasuredRawOpen(rawDb, rawTr);
            const double rawMs = Bench::NowMs() - start;
            rawTr.Commit();
            rawDb.Detach();
            if (run >= 0) {
                first[s].push_back(firstMs);
                reopen[s].push_back(reopenMs);
                raw[s].push_back(rawMs);
            }
        }
    }
    for (int s = 0; s < 2; ++s)
        views[s].reset();

    std::printf("\na. open latency with a view of %d rows; embedded engine, forced writes %s, median of %d runs\n",
                kWindow, Bench::OnOff(fw), runs);
    std::printf("   rows fetched by the open: %d at %d rows, %d at %d rows\n", cached[0], sizes[0], cached[1],
                sizes[1]);
    Bench::Table table({QStringLiteral("what"), QStringLiteral("%1 rows ms").arg(sizes[0]),
                        QStringLiteral("%1 rows ms").arg(sizes[1]), QStringLiteral("ratio big/small"),
                        QStringLiteral("goal"), QStringLiteral("verdict")});
    auto row = [&](const QString& what, const std::vector<double>* figures, bool judged) {
        const double small = Bench::Median(figures[0]);
        const double big = Bench::Median(figures[1]);
        table.AddRow({what, Bench::Ms(small), Bench::Ms(big), Bench::Ratio(big / small),
                      judged ? QStringLiteral("<= %1").arg(kOpenGoal) : QString(),
                      judged ? Bench::Verdict(big / small <= kOpenGoal) : QString()});
    };
    row(QStringLiteral("open after connect (prepare + execute + 12 rows)"), first, true);
    row(QStringLiteral("reopen, prepared (execute + 12 rows)"), reopen, true);
    row(QStringLiteral("raw: prepare select + execute + 12 fetches"), raw, false);
    table.Print();
}

// ---- b. Last ---------------------------------------------------------------

[[gnu::noinline]] long long MeasuredRawFetchAll(RawStatement& select)
{
    long long rows = 0;
    select.Open();
    while (select.Fetch())
        ++rows;
    select.CloseCursor();
    return rows;
}

[[gnu::noinline]] void MeasuredLast(TIBDataSet& dataSet)
{
    dataSet.Last();
}

// What any row cache of this slot size pays before it holds a row: a block
// grown by `chunk` slots at a time and every slot written once, so that each
// page is faulted in and zeroed by the kernel.
[[gnu::noinline]] void MeasuredFreshMemory(std::size_t slot, int rows, int chunk)
{
    struct TFree {
        void operator()(std::byte* p) const { std::free(p); }
    };
    const std::vector<std::byte> model(slot, std::byte{0x11});
    std::unique_ptr<std::byte, TFree> block;
    std::size_t capacity = 0;
    for (int i = 0; i < rows; ++i) {
        const std::size_t end = (static_cast<std::size_t>(i) + 1) * slot;
        if (end > capacity) {
            capacity += slot * static_cast<std::size_t>(chunk);
            auto* grown = static_cast<std::byte*>(std::realloc(block.get(), capacity));
            if (!grown)
                throw std::bad_alloc();
            block.release();
            block.reset(grown);
        }
        std::memcpy(block.get() + end - slot, model.data(), slot);
    }
}

void PartLast(const TOptions& o, bool fw)
{
    const int runs = o.runs > 0 ? o.runs : 3;
    const QString path = Bench::ImmaginiDatabase(o.bigRows, fw);
    RawWalk::CheckForcedWrites(path, fw);

    RawAttachment rawDb(path);
    RawTransaction rawTr(rawDb);
    RawStatement rawSelect(rawDb, rawTr, RawWalk::SelectText());

    PatientDataSet program;
    program.database->SetDatabaseName(path);
    program.database->SetConnected(true);

    // The raw loop runs first, so that the engine's page cache has reached
    // its size before the record set's memory is measured.
    MeasuredRawFetchAll(rawSelect);
    Bench::TSamples rawTimes, oursTimes, touchTimes;
    std::vector<double> bytesPerRow;
    bool peakReset = true;
    int slot = 0;
    long long rawRows = 0;
    int cachedRows = 0;
    for (int run = 0; run < runs; ++run) {
        rawTimes.Start();
        rawRows = MeasuredRawFetchAll(rawSelect);
        rawTimes.Stop();

        program.dataSet->Open();
        // Free heap memory goes back to the kernel first, so that the cache
        // cannot grow into pages that are already resident.
        malloc_trim(0);
        peakReset = Bench::ResetPeakRss() && peakReset;
        const long rssBefore = Bench::RssKiB();
        oursTimes.Start();
        MeasuredLast(*program.dataSet);
        oursTimes.Stop();
        const long peakAfter = Bench::PeakRssKiB();
        slot = program.dataSet->RecordBufferSize();
        cachedRows = program.dataSet->CachedRecordCount();
        bytesPerRow.push_back(double(peakAfter - rssBefore) * 1024.0 / cachedRows);
        const int chunk = program.dataSet->BufferChunks();
        program.dataSet->Close();

        touchTimes.Start();
        MeasuredFreshMemory(static_cast<std::size_t>(slot), cachedRows, chunk);
        touchTimes.Stop();
    }
    rawTr.Commit();
    if (cachedRows != rawRows)
        throw std::runtime_error("Last cached a different number of rows than the raw loop fetched");

    const double rawRate = rawRows / rawTimes.WallMedian() * 1000;
    const double oursRate = cachedRows / oursTimes.WallMedian() * 1000;
    const double cpuRatio = rawTimes.CpuMedian() / oursTimes.CpuMedian();
    const double perRow = Bench::Median(bytesPerRow);
    std::printf("\nb. Last on %d rows; embedded engine, forced writes %s, median of %d runs\n", o.bigRows,
                Bench::OnOff(fw), runs);
    Bench::Table table({QStringLiteral("what"), QStringLiteral("wall ms"), QStringLiteral("rows/s"),
                        QStringLiteral("ratio"), QStringLiteral("goal"), QStringLiteral("verdict"),
                        QStringLiteral("cpu ms"), QStringLiteral("cpu ratio")});
    table.AddRow({QStringLiteral("raw fetch loop (execute + isc_dsql_fetch)"), Bench::Ms(rawTimes.WallMedian()),
                  QString::number(qRound64(rawRate)), QStringLiteral("1.000"), QString(), QString(),
                  Bench::Ms(rawTimes.CpuMedian()), QStringLiteral("1.000")});
    table.AddRow({QStringLiteral("TIBDataSet Last (rows/s to raw)"), Bench::Ms(oursTimes.WallMedian()),
                  QString::number(qRound64(oursRate)), Bench::Ratio(oursRate / rawRate),
                  QStringLiteral(">= %1").arg(kLastGoal), Bench::Verdict(oursRate / rawRate >= kLastGoal),
                  Bench::Ms(oursTimes.CpuMedian()), Bench::Ratio(cpuRatio)});
    table.AddRow({QStringLiteral("peak memory per cached row / slot size"),
                  QStringLiteral("%1 B").arg(qRound64(perRow)), QStringLiteral("slot %1 B").arg(slot),
                  Bench::Ratio(perRow / slot), QStringLiteral("<= %1").arg(kMemoryGoal),
                  Bench::Verdict(perRow / slot <= kMemoryGoal), QString(), QString()});
    table.AddRow({QStringLiteral("for reference: writing %1 fresh slots of %2 B").arg(cachedRows).arg(slot),
                  Bench::Ms(touchTimes.WallMedian()), QString(), QString(), QString(), QString(),
                  Bench::Ms(touchTimes.CpuMedian()), QString()});
    table.Print();
    if (!peakReset)
        std::printf("   (the peak could not be reset: the memory figure may include earlier peaks)\n");
}

// ---- c. the path-rewrite walk ------------------------------------------------

struct TWalkResult {
    int changed = 0;
    long long pathsDigest = 0;
};

[[gnu::noinline]] int MeasuredWalkOurs(TIBDataSet& dataSet)
{
    int changed = 0;
    TField* path = dataSet.FieldByName(QStringLiteral("EXTFILE"));
    dataSet.First();
    while (!dataSet.Eof()) {
        const QString value = path->AsString();
        if (value.startsWith(RawWalk::kSearch)) {
            QString replaced = value;
            replaced.replace(RawWalk::kSearch, RawWalk::kReplacement);
            dataSet.Edit();
            path->SetAsString(replaced);
            dataSet.Post(); // the after-post handler commits with commit-retaining
            ++changed;
        }
        dataSet.Next();
    }
    return changed;
}

void PartWalk(const TOptions& o, bool fw)
{
    // With forced writes on every commit waits for the disk, and a run takes
    // tens of seconds.
    const int runs = o.runs > 0 ? o.runs : (fw ? 3 : 5);
    const QString cached = Bench::ImmaginiDatabase(o.walkRows, fw);
    Bench::TSamples rawTimes, oursTimes;
    int changed = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        const RawWalk::TRunCopies copies = RawWalk::RunCopies(cached, dir.path(), fw);
        const QString& rawPath = copies.raw;
        const QString& oursPath = copies.ours;

        int rawChanged = 0;
        auto walkRaw = [&] {
            RawAttachment db(rawPath);
            RawTransaction tr(db);
            RawStatement select(db, tr, RawWalk::SelectText());
            RawStatement update(db, tr, RawWalk::ModifyTextWithMarkers());
            if (!update.Params() || update.Params()->Count() != 4)
                throw std::runtime_error("the modify statement does not have four parameters");
            select.Open();
            rawTimes.Start();
            rawChanged = RawWalk::RawRewriteWalk(select, update, tr);
            rawTimes.Stop();
            select.CloseCursor();
            tr.Commit();
        };
        int oursChanged = 0;
        auto walkOurs = [&] {
            PatientDataSet program;
            program.database->SetDatabaseName(oursPath);
            program.Open();
            oursTimes.Start();
            oursChanged = MeasuredWalkOurs(*program.dataSet);
            oursTimes.Stop();
            program.dataSet->Close();
            program.transaction->Commit();
            program.database->SetConnected(false);
        };
        // Alternate which goes first, so that drift hits both alike.
        if (run % 2 == 0) {
            walkRaw();
            walkOurs();
        } else {
            walkOurs();
            walkRaw();
        }
        if (oursChanged != rawChanged)
            throw std::runtime_error("the two walks changed different numbers of rows");
        RawWalk::CheckSameResult(copies);
        changed = oursChanged;
    }
    const double raw = rawTimes.WallMedian();
    const double ours = oursTimes.WallMedian();
    std::printf("\nc. path-rewrite walk over %d rows, %d rows changed (one update + one commit-retaining each);\n"
                "   embedded engine, forced writes %s, median of %d runs\n",
                o.walkRows, changed, Bench::OnOff(fw), runs);
    Bench::Table table({QStringLiteral("what"), QStringLiteral("wall ms"), QStringLiteral("us per changed row"),
                        QStringLiteral("ratio to raw"), QStringLiteral("goal"), QStringLiteral("verdict"),
                        QStringLiteral("cpu ms"), QStringLiteral("cpu ratio")});
    table.AddRow({QStringLiteral("raw loop (fetch, execute, sql_info, commit_retaining)"), Bench::Ms(raw),
                  QString::number(raw * 1000 / changed, 'f', 1), QStringLiteral("1.000"), QString(), QString(),
                  Bench::Ms(rawTimes.CpuMedian()), QStringLiteral("1.000")});
    table.AddRow({QStringLiteral("TIBDataSet walk (Edit, SetAsString, Post, Next)"), Bench::Ms(ours),
                  QString::number(ours * 1000 / changed, 'f', 1), Bench::Ratio(ours / raw),
                  QStringLiteral("<= %1").arg(kWalkGoal), Bench::Verdict(ours / raw <= kWalkGoal),
                  Bench::Ms(oursTimes.CpuMedian()), Bench::Ratio(oursTimes.CpuMedian() / rawTimes.CpuMedian())});
    table.Print();
}

TOptions ParseOptions(const QStringList& args)
{
    TOptions o;
    auto number = [&](qsizetype& i) {
        if (i + 1 >= args.size())
            throw std::runtime_error("missing value after " + args[i].toStdString());
        return args[++i].toInt();
    };
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--part") && i + 1 < args.size()) {
            o.part = args[++i];
        } else if (a == QLatin1String("--forced-writes") && i + 1 < args.size()) {
            const QString v = args[++i];
            o.forcedWrites = v == QLatin1String("both") ? std::vector<bool>{false, true}
                                                        : std::vector<bool>{v == QLatin1String("on")};
        } else if (a == QLatin1String("--runs")) {
            o.runs = number(i);
        } else if (a == QLatin1String("--small-rows")) {
            o.smallRows = number(i);
        } else if (a == QLatin1String("--big-rows")) {
            o.bigRows = number(i);
        } else if (a == QLatin1String("--walk-rows")) {
            o.walkRows = number(i);
        } else {
            throw std::runtime_error("usage: bench_dataset [--part a|b|c|all] [--forced-writes off|on|both] "
                                     "[--runs N] [--small-rows N] [--big-rows N] [--walk-rows N]");
        }
    }
    if (o.smallRows < kWindow || o.bigRows < kWindow || o.walkRows < 1)
        throw std::runtime_error("too few rows");
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        const TOptions o = ParseOptions(app.arguments());
        std::printf("bench_dataset: the record set over \"%s\"\n", qPrintable(PatientSQL::kSelect.join(QString())));
        const bool all = o.part == QLatin1String("all");
        for (bool fw : o.forcedWrites) {
            if (all || o.part == QLatin1String("a"))
                PartOpen(o, fw);
            if (all || o.part == QLatin1String("b"))
                PartLast(o, fw);
            if (all || o.part == QLatin1String("c"))
                PartWalk(o, fw);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_dataset: %s\n", e.what());
        return 1;
    }
}
