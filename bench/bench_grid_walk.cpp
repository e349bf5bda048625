// The path-rewrite walk over 100,000 rows with the grid attached against the
// same walk with no view linked. The walk is the rewrite command's: First;
// while not Eof: Edit, EXTFILE := the new path, Post (the after-post handler
// commits with commit-retaining), Next; no event loop runs meanwhile, as in
// the program. Each walk gets its own copy of the database (forced writes
// off, as every fixture database). Reports both times, their ratio and the
// grid's paints per second during the walk; a third walk with a link that
// shows nothing but holds the grid's window of rows tells how much of the
// difference is the record set keeping that window and how much the grid.
//
// Run by hand, offscreen and under Xvfb:
//   QT_QPA_PLATFORM=offscreen build/bench/bench_grid_walk [rounds]
//   QT_QPA_PLATFORM=xcb xvfb-run -a build/bench/bench_grid_walk [rounds]
#include "app/TApplication.h"
#include "grid/TDBGrid.h"
#include "grid/TGridDataLink.h"
#include "ibclient/dataset/TDataLink.h"
#include "ibclient/dataset/TDataSource.h"
#include "ibclient/ibdataset/TIBDataSet.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"
#include "tests/support/FixtureDatabase.h"
#include "tests/support/PatientDataSet.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

const QStringList kWalkRows = {QStringLiteral("patient_schema.sql"), QStringLiteral("walk_rows.sql")};

struct WalkResult {
    double seconds = 0;
    double cpu = 0; // the process's CPU time, less disturbed by other work on the machine
    int rows = 0;
    int paints = 0;
    int window = 1;
};

// The rewrite command's loop; answers the rows rewritten.
int Walk(TIBDataSet& ds)
{
    const QString from = QStringLiteral("+\\immagini\\");
    const QString to = QStringLiteral(":immagini:");
    int rewritten = 0;
    ds.First();
    while (!ds.Eof()) {
        const QString path = ds.FieldByName(QStringLiteral("EXTFILE"))->AsString();
        if (path.startsWith(from)) {
            ds.Edit();
            ds.FieldByName(QStringLiteral("EXTFILE"))->SetAsString(to + path.mid(from.size()));
            ds.Post();
            ++rewritten;
        }
        ds.Next();
    }
    return rewritten;
}

enum TVariant { vNoView, vWindow, vGrid };

// A link that shows nothing but asks for the grid's window of rows: what the
// record set itself spends on keeping a window of that size.
class TWindowLink : public TDataLink {};

WalkResult Run(TVariant variant, int windowRows)
{
    PatientDataSet p(kWalkRows);
    // The copy just made and the previous walk's writes go to disk now, not
    // while this walk is timed.
    ::sync();
    TDataSource source(nullptr);
    source.SetName(QStringLiteral("DataSource1"));
    TWindowLink link;
    std::unique_ptr<QWidget> window;
    TDBGrid* grid = nullptr;
    if (variant == vWindow) {
        source.SetDataSet(p.dataSet.get());
        link.SetDataSource(&source);
        link.SetBufferCount(windowRows);
    } else if (variant == vGrid) {
        source.SetDataSet(p.dataSet.get());
        window = std::make_unique<QWidget>();
        window->setFont(TDBGrid::DesignFont());
        window->resize(471, 314);
        grid = new TDBGrid(window.get());
        grid->setGeometry(8, 64, 457, 217);
        grid->SetDataSource(&source);
        window->show();
        grid->setFocus();
    }
    p.Open();
    // Everything the opening showed is painted before the clock starts.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    const int paintsBefore = grid ? grid->PaintCount() : 0;
    QElapsedTimer clock;
    const std::clock_t cpuStart = std::clock();
    clock.start();
    WalkResult result;
    result.rows = Walk(*p.dataSet);
    result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    result.cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    result.paints = grid ? grid->PaintCount() - paintsBefore : 0;
    result.window = grid ? grid->DataLink()->BufferCount() : windowRows;
    QCoreApplication::processEvents();
    return result;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    std::printf("platform %s, forced writes off, %d rounds\n", qPrintable(QGuiApplication::platformName()), rounds);
    std::vector<double> bare, windowed, grid, bareCpu, windowCpu, gridCpu, ratios, rates;
    try {
        // Builds the template database, warms the engine and learns the
        // grid's window size.
        const int windowRows = Run(vGrid, 1).window;
        for (int round = 0; round < rounds; ++round) {
            // The variants take turns going first, so that none always
            // meets the same state of the engine and the disk.
            WalkResult results[3];
            for (int i = 0; i < 3; ++i) {
                const int v = (round + i) % 3;
                results[v] = Run(static_cast<TVariant>(v), windowRows);
            }
            const WalkResult& without = results[vNoView];
            const WalkResult& link = results[vWindow];
            const WalkResult& with = results[vGrid];
            const double rate = with.paints / with.seconds;
            std::printf("round %d: %d rows, no view %.3f s (cpu %.3f), %d-row window alone %.3f s (cpu %.3f), "
                        "grid %.3f s (cpu %.3f): ratio %.3f (cpu %.3f), %d paints = %.1f per second\n",
                        round + 1, with.rows, without.seconds, without.cpu, windowRows, link.seconds, link.cpu,
                        with.seconds, with.cpu, with.seconds / without.seconds, with.cpu / without.cpu, with.paints,
                        rate);
            std::fflush(stdout);
            bare.push_back(without.seconds);
            windowed.push_back(link.seconds);
            grid.push_back(with.seconds);
            bareCpu.push_back(without.cpu);
            windowCpu.push_back(link.cpu);
            gridCpu.push_back(with.cpu);
            ratios.push_back(with.seconds / without.seconds);
            rates.push_back(rate);
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(e.ClassName()), qPrintable(e.Message()));
        return 1;
    }
    std::printf("median: no view %.3f s, window alone %.3f s, grid %.3f s\n", Median(bare), Median(windowed),
                Median(grid));
    std::printf("grid against no view: ratio %.3f (of the rounds' ratios %.3f, cpu %.3f; goal <= 1.10)\n",
                Median(grid) / Median(bare), Median(ratios), Median(gridCpu) / Median(bareCpu));
    std::printf("of which the record set's window: %.3f (cpu %.3f), the grid itself: %.3f (cpu %.3f)\n",
                Median(windowed) / Median(bare), Median(windowCpu) / Median(bareCpu), Median(grid) / Median(windowed),
                Median(gridCpu) / Median(windowCpu));
    std::printf("paints %.1f per second (goal >= 30)\n", Median(rates));
    return 0;
}
