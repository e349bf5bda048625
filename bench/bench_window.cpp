// The program's own window as the operator drives it, offscreen:
//
//   rewrite: "Sostituisti stringa" over 100,000 rows with the grid attached
//            (the confirmation answered by the benchmark), against a raw loop
//            making the same client calls: the walk (per changed row the
//            prepared update, the changed-row count, commit-retaining), then
//            the select executed again and the grid's rows fetched.
//   open:    "Apri Database" until the grid has painted its first rows, on a
//            database of 1,000 rows and on one of 1,000,000.
//
//   bench_window [--part rewrite|open|all] [--forced-writes off|on|both]
//                [--runs N] [--rows N]
#include "app/TApplication.h"
#include "app/TForm1.h"
#include "bench/BenchCommon.h"
#include "bench/RawClient.h"
#include "bench/RawWalk.h"
#include "grid/TDBGrid.h"
#include "ibclient/ibdataset/TIBDataSet.h"
#include "ibclient/sql/TIBDatabase.h"
#include "tests/app/ModalWatch.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <exception>
#include <stdexcept>


namespace {

constexpr double kRewriteGoal = 1.15; // window rewrite / raw loop

struct TOptions {
    QString part = QStringLiteral("all");
    std::vector<bool> forcedWrites = {false, true};
    int runs = 0;
    int rows = 100000;
};

// Answers the rewrite's boxes: Yes to the confirmation, Enter to "Finito!";
// the progress box of a long walk is left to run.
class TAnswers {
public:
    TAnswers()
        : FWatch([](QWidget* box) {
              QTest::keyClick(box, box->windowTitle() == QLatin1String("Information") ? Qt::Key_Y : Qt::Key_Return);
          },
                 {QStringLiteral("ProgressForm")})
    {
    }

private:
    ModalWatch FWatch;
};

// The raw loop: the walk, then the select executed again and a screenful of
// rows fetched, as the window's reopening does.
int RawRewrite(const QString& path, int screenRows, Bench::TSamples& times)
{
    RawAttachment db(path);
    RawTransaction tr(db);
    RawStatement select(db, tr, RawWalk::SelectText());
    RawStatement update(db, tr, RawWalk::ModifyTextWithMarkers());
    select.Open();
    times.Start();
    const int changed = RawWalk::RawRewriteWalk(select, update, tr);
    select.CloseCursor();
    select.Open();
    for (int i = 0; i < screenRows && select.Fetch(); ++i) {
    }
    times.Stop();
    select.CloseCursor();
    tr.Commit();
    return changed;
}

void PartRewrite(const TOptions& o, bool fw)
{
    const int runs = o.runs > 0 ? o.runs : (fw ? 1 : 5);
    const QString cached = Bench::ImmaginiDatabase(o.rows, fw);
    Bench::TSamples rawTimes, oursTimes;
    double paintsPerSecond = 0;
    int changed = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        const RawWalk::TRunCopies copies = RawWalk::RunCopies(cached, dir.path(), fw);
        const QString& rawPath = copies.raw;
        const QString& oursPath = copies.ours;

        int screenRows = 0;
        auto ours = [&] {
            TForm1 form;
            form.show();
            form.Edit1->setText(oursPath);
            form.SpeedButton2->click();
            QApplication::processEvents();
            if (!form.IBDataSet1->Active())
                throw std::runtime_error("the window did not open " + oursPath.toStdString());
            screenRows = form.DBGrid1->VisibleRowCount();
            const int paintsBefore = form.DBGrid1->PaintCount();
            TAnswers answers;
            const double start = Bench::NowMs();
            oursTimes.Start();
            form.Button2->click();
            oursTimes.Stop();
            const double seconds = (Bench::NowMs() - start) / 1000;
            paintsPerSecond = (form.DBGrid1->PaintCount() - paintsBefore) / seconds;
        };
        int rawChanged = 0;
        auto raw = [&] { rawChanged = RawRewrite(rawPath, screenRows > 0 ? screenRows : 12, rawTimes); };
        if (run % 2 == 0) {
            ours();
            raw();
        } else {
            raw();
            ours();
        }
        RawWalk::CheckSameResult(copies);
        changed = rawChanged;
    }
    const double raw = rawTimes.WallMedian();
    const double ours = oursTimes.WallMedian();
    std::printf("\nrewrite through the window over %d rows, %d changed; grid attached, offscreen;\n"
                "   embedded engine, forced writes %s, median of %d runs\n",
                o.rows, changed, Bench::OnOff(fw), runs);
    Bench::Table table({QStringLiteral("what"), QStringLiteral("wall ms"), QStringLiteral("us per changed row"),
                        QStringLiteral("ratio"), QStringLiteral("goal"), QStringLiteral("verdict"),
                        QStringLiteral("cpu ratio"), QStringLiteral("paints/s")});
    table.AddRow({QStringLiteral("raw loop (walk, then the select again)"), Bench::Ms(raw),
                  QString::number(raw * 1000 / changed, 'f', 1), QStringLiteral("1.000"), QString(), QString(),
                  QStringLiteral("1.000"), QString()});
    table.AddRow({QStringLiteral("window: Sostituisti stringa, Yes"), Bench::Ms(ours),
                  QString::number(ours * 1000 / changed, 'f', 1), Bench::Ratio(ours / raw),
                  QStringLiteral("<= %1").arg(kRewriteGoal), Bench::Verdict(ours / raw <= kRewriteGoal),
                  Bench::Ratio(oursTimes.CpuMedian() / rawTimes.CpuMedian()), QString::number(paintsPerSecond, 'f', 1)});
    table.Print();
}

// "Apri Database" until the grid has painted the rows it shows.
double OpenMs(TForm1& form, const QString& path)
{
    form.Edit1->setText(path);
    const int paints = form.DBGrid1->PaintCount();
    const double start = Bench::NowMs();
    form.SpeedButton2->click();
    while (form.DBGrid1->PaintCount() == paints)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return Bench::NowMs() - start;
}

void PartOpen(const TOptions& o, bool fw)
{
    const int runs = o.runs > 0 ? o.runs : 7;
    std::printf("\n\"Apri Database\" until the grid has painted its first rows; embedded engine,\n"
                "   forced writes %s, median of %d openings (the first opening of each file shown apart)\n",
                Bench::OnOff(fw), runs);
    Bench::Table table({QStringLiteral("rows"), QStringLiteral("first opening ms"), QStringLiteral("median ms"),
                        QStringLiteral("ratio to 1,000 rows")});
    double small = 0;
    for (int rows : {1000, 1000000}) {
        const QString path = Bench::ImmaginiDatabase(rows, fw);
        TForm1 form;
        form.show();
        QApplication::processEvents();
        const double first = OpenMs(form, path);
        std::vector<double> times;
        for (int run = 0; run < runs; ++run)
            times.push_back(OpenMs(form, path));
        const double median = Bench::Median(times);
        if (rows == 1000)
            small = median;
        table.AddRow({QString::number(rows), Bench::Ms(first), Bench::Ms(median), Bench::Ratio(median / small)});
        form.IBDatabase1->SetConnected(false);
    }
    table.Print();
}

TOptions ParseOptions(const QStringList& args)
{
    TOptions o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--part") && i + 1 < args.size()) {
            o.part = args[++i];
        } else if (a == QLatin1String("--forced-writes") && i + 1 < args.size()) {
            const QString v = args[++i];
            o.forcedWrites = v == QLatin1String("both") ? std::vector<bool>{false, true}
                                                        : std::vector<bool>{v == QLatin1String("on")};
        } else if (a == QLatin1String("--runs") && i + 1 < args.size()) {
            o.runs = args[++i].toInt();
        } else if (a == QLatin1String("--rows") && i + 1 < args.size()) {
            o.rows = args[++i].toInt();
        } else {
            throw std::runtime_error("usage: bench_window [--part rewrite|open|all] [--forced-writes off|on|both] "
                                     "[--runs N] [--rows N]");
        }
    }
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    try {
        const TOptions o = ParseOptions(application.arguments());
        for (bool fw : o.forcedWrites) {
            if (o.part == QLatin1String("all") || o.part == QLatin1String("rewrite"))
                PartRewrite(o, fw);
            if (o.part == QLatin1String("all") || o.part == QLatin1String("open"))
                PartOpen(o, fw);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_window: %s\n", e.what());
        return 1;
    }
    return 0;
}
