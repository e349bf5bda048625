// What every benchmark needs besides the code it measures: a clock and the
// median, the process's resident memory, a plain text table, and the large
// IMMAGINI databases, generated once and kept under /tmp between runs.
#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <vector>

namespace Bench {

// Milliseconds since an arbitrary start, from the monotonic clock.
inline double NowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values);

// CPU time of the whole process (every thread, the embedded engine's too), in
// milliseconds. The machine is shared: wall time includes waiting for a core,
// CPU time does not, so the tables show both.
double CpuMs();

// Wall and CPU time of repeated runs, and their medians.
class TSamples {
public:
    // Starts a run; Stop ends it and records both times.
    void Start();
    void Stop();
    double WallMedian() const { return Median(FWall); }
    double CpuMedian() const { return Median(FCpu); }
    int Count() const { return static_cast<int>(FWall.size()); }

private:
    double FWallStart = 0;
    double FCpuStart = 0;
    std::vector<double> FWall;
    std::vector<double> FCpu;
};

// Resident set and its peak (VmRSS, VmHWM of /proc/self/status), in KiB.
long RssKiB();
long PeakRssKiB();
// Lowers the peak to the current resident set (clear_refs 5); false when the
// kernel refuses, in which case the peak only ever grows.
bool ResetPeakRss();

// "on" / "off".
const char* OnOff(bool value);

// Folder of the cached databases: $VELMORA_BENCH_CACHE or /tmp/velmora-bench.
QString CacheDir();

// A database with the program's IMMAGINI and `rows` rows (AUTOID 1..rows),
// forced writes as asked. Made on first use with one EXECUTE BLOCK through
// isql-fb and kept in CacheDir(); later runs reuse the file. Callers that
// write must work on a copy (WorkCopy). Paths: most "+\immagini\YYYY\pNNNNN.jpg",
// one in twenty absolute, one in twenty already converted, one in fifty with
// 8-bit characters in a folder name.
QString ImmaginiDatabase(int rows, bool forcedWrites);

// Copies a cached database to `folder`/`name` and answers the copy's path.
QString WorkCopy(const QString& cached, const QString& folder, const QString& name);

// A fixed-width text table printed to standard output.
class Table {
public:
    explicit Table(QStringList headers);
    void AddRow(QStringList cells);
    void Print() const;

private:
    QStringList FHeaders;
    std::vector<QStringList> FRows;
};

// Numbers for the tables.
QString Ms(double milliseconds);
QString Ratio(double value);
QString Verdict(bool met);

} // namespace Bench
