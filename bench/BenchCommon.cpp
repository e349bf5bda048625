// Clock, memory, tables and the cached IMMAGINI databases of the benchmarks.
#include "bench/BenchCommon.h"

#include "tests/support/FixtureDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include <time.h>

namespace Bench {
namespace {

long StatusKiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

// Bumped whenever the generated rows change, so that stale caches are not reused.
constexpr int kGeneratorVersion = 1;

QString GeneratorSql(int rows)
{
    // One statement, one transaction: a million rows take seconds, not minutes.
    return QStringLiteral(
               "SET TERM ^ ;\n"
               "EXECUTE BLOCK AS\n"
               "DECLARE I INTEGER = 1;\n"
               "DECLARE Y INTEGER;\n"
               "DECLARE P VARCHAR(255);\n"
               "BEGIN\n"
               "  WHILE (I <= %1) DO BEGIN\n"
               "    Y = 1998 + MOD(I, 26);\n"
               "    P = 'p' || LPAD(MOD(I, 100000), 5, '0') || '.jpg';\n"
               "    IF (MOD(I, 20) = 7) THEN P = 'C:\\Ostra\\Immagini\\' || Y || '\\' || P;\n"
               "    ELSE IF (MOD(I, 20) = 13) THEN P = ':immagini:' || Y || ':' || P;\n"
               "    ELSE IF (MOD(I, 50) = 3) THEN P = '+\\immagini\\Citt\u00e0 d\u00e9\\' || Y || '\\' || P;\n"
               "    ELSE P = '+\\immagini\\' || Y || '\\' || P;\n"
               "    INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, ZONA, DATA, EXTFILE)\n"
               "      VALUES (1 + MOD(:I * 7919, 20000), 1 + MOD(:I, 37), :I, 'Zona ' || MOD(:I, 9), '2015-01-01', :P);\n"
               "    I = I + 1;\n"
               "  END\n"
               "END^\n"
               "SET TERM ; ^\n")
        .arg(rows);
}

} // namespace

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double CpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

void TSamples::Start()
{
    FWallStart = NowMs();
    FCpuStart = CpuMs();
}

void TSamples::Stop()
{
    FWall.push_back(NowMs() - FWallStart);
    FCpu.push_back(CpuMs() - FCpuStart);
}

long RssKiB()
{
    return StatusKiB("VmRSS");
}

long PeakRssKiB()
{
    return StatusKiB("VmHWM");
}

bool ResetPeakRss()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good() && PeakRssKiB() <= RssKiB() + 64;
}

const char* OnOff(bool value)
{
    return value ? "on" : "off";
}

QString CacheDir()
{
    QString dir = qEnvironmentVariable("VELMORA_BENCH_CACHE");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/velmora-bench");
    QDir().mkpath(dir);
    return dir;
}

QString ImmaginiDatabase(int rows, bool forcedWrites)
{
    const QString name = QStringLiteral("%1/immagini-g%2-%3-fw%4.fdb")
                             .arg(CacheDir())
                             .arg(kGeneratorVersion)
                             .arg(rows)
                             .arg(QLatin1String(OnOff(forcedWrites)));
    if (QFileInfo::exists(name))
        return name;

    const QString part = name + QStringLiteral(".part");
    QFile::remove(part);
    if (forcedWrites) {
        // The rows are generated once with forced writes off; this is a copy
        // switched with gfix.
        if (!QFile::copy(ImmaginiDatabase(rows, false), part))
            throw std::runtime_error("cannot copy the generated database to " + part.toStdString());
        if (FixtureDatabase::RunGfix({QStringLiteral("-write"), QStringLiteral("sync"), part}) != 0)
            throw std::runtime_error("gfix -write sync failed on " + part.toStdString());
    } else {
        std::fprintf(stderr, "generating %d rows into %s ...\n", rows, qPrintable(name));
        const double start = NowMs();
        FixtureDatabase::Create({QStringLiteral("patient_schema.sql")}, part);
        FixtureDatabase::RunIsql(part, GeneratorSql(rows));
        std::fprintf(stderr, "generated in %.1f s\n", (NowMs() - start) / 1000);
    }
    // Renamed only when complete, so an interrupted run leaves no half database.
    if (!QFile::rename(part, name))
        throw std::runtime_error("cannot rename " + part.toStdString());
    return name;
}

QString WorkCopy(const QString& cached, const QString& folder, const QString& name)
{
    const QString path = folder + u'/' + name;
    QFile::remove(path);
    if (!QFile::copy(cached, path))
        throw std::runtime_error("cannot copy " + cached.toStdString() + " to " + path.toStdString());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

Table::Table(QStringList headers) : FHeaders(std::move(headers)) {}

void Table::AddRow(QStringList cells)
{
    FRows.push_back(std::move(cells));
}

void Table::Print() const
{
    std::vector<qsizetype> widths;
    for (const QString& h : FHeaders)
        widths.push_back(h.size());
    for (const QStringList& row : FRows)
        for (qsizetype i = 0; i < row.size() && i < qsizetype(widths.size()); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], row[i].size());
    auto print = [&](const QStringList& cells) {
        QString line;
        for (qsizetype i = 0; i < cells.size() && i < qsizetype(widths.size()); ++i) {
            // Text left, numbers right.
            const bool number = i > 0;
            line += number ? cells[i].rightJustified(widths[std::size_t(i)]) : cells[i].leftJustified(widths[std::size_t(i)]);
            line += QStringLiteral("  ");
        }
        while (line.endsWith(u' '))
            line.chop(1);
        std::printf("%s\n", qPrintable(line));
    };
    print(FHeaders);
    QString rule;
    for (qsizetype w : widths)
        rule += QString(w, u'-') + QStringLiteral("  ");
    std::printf("%s\n", qPrintable(rule.trimmed()));
    for (const QStringList& row : FRows)
        print(row);
    std::fflush(stdout);
}

QString Ms(double milliseconds)
{
    return QString::number(milliseconds, 'f', milliseconds < 10 ? 3 : 1);
}

QString Ratio(double value)
{
    return QString::number(value, 'f', 3);
}

QString Verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

} // namespace Bench
