// A long run: 1,000,000 rows rewritten through the window in one go (forced
// writes off, as the fixtures make every database), each row one update and
// one commit-retaining. Every row ends rewritten, and memory stays stable:
// it grows by the row cache (one record buffer per fetched row) and by
// nothing else per row. Under AddressSanitizer the walk covers 100,000 rows
// instead, and its leak checker, not the resident size, judges memory.
//
// The figures (peak memory, the row cache's size, the growth per row, the
// time) are printed and recorded as test properties.
#include "tests/window/WindowFixture.h"

#include "ibclient/binding/IGDSLibrary.h"
#include "ibclient/ibdataset/TIBCustomDataSet.h"

#include <QElapsedTimer>
#include <QFile>

#include <unistd.h>

#include <cstdio>
#include <cstring>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_UNDER_ASAN 1
#endif

namespace {

#ifdef VELMORA_UNDER_ASAN
constexpr int kRows = 100'000;
#else
constexpr int kRows = 1'000'000;
#endif

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
qint64 StatusBytes(const char* name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// Samples the resident size every `every` commits.
class TMemorySampler : public TClientCallObserver {
public:
    explicit TMemorySampler(int every) : FEvery(every) { SetClientCallObserver(this); }
    ~TMemorySampler() override { SetClientCallObserver(nullptr); }
    bool BeforeCall(const char* name, ISC_STATUS*) override
    {
        if (std::strcmp(name, "isc_commit_retaining") == 0 && ++commits % FEvery == 0)
            samples.push_back({commits, StatusBytes("VmRSS")});
        return false;
    }
    struct TSample {
        int commits;
        qint64 rss;
    };
    std::vector<TSample> samples;
    int commits = 0;

private:
    int FEvery;
};

class MillionRows : public WindowTest {};

TEST_F(MillionRows, EveryRowIsRewrittenAndMemoryGrowsOnlyByTheRowCache)
{
    const QString path = dir.filePath(QStringLiteral("Pazienti.fdb"));
    FixtureDatabase::Create({QStringLiteral("patient_schema.sql")}, path);
    FixtureDatabase::RunIsql(path, QStringLiteral("SET TERM ^ ;\n"
                                                  "EXECUTE BLOCK AS\n"
                                                  "DECLARE I INTEGER = 1;\n"
                                                  "BEGIN\n"
                                                  "  WHILE (I <= %1) DO BEGIN\n"
                                                  "    INSERT INTO IMMAGINI (CODICE_CLIENTE, NUMERO_CARTELLA, AUTOID, EXTFILE)\n"
                                                  "      VALUES (1000 + MOD(:I, 7000), MOD(:I, 9), :I,\n"
                                                  "              '+\\immagini\\' || CAST(2001 + MOD(:I, 20) AS INTEGER) || '\\p' || :I || '.jpg');\n"
                                                  "    I = I + 1;\n"
                                                  "  END\n"
                                                  "END^\n"
                                                  "SET TERM ; ^\n")
                                       .arg(kRows));

    Open(path);
    ASSERT_TRUE(DataSet().Active());
    const qint64 recordBuffer = DataSet().RecordBufferSize();
    const qint64 before = StatusBytes("VmRSS");
    QElapsedTimer timer;
    timer.start();
    std::vector<TShownBox> shown;
    std::vector<TMemorySampler::TSample> samples;
    qint64 cacheSize = 0;
    {
        TMemorySampler sampler(kRows / 10);
        // The cache as it stands when the walk ends, just before the reopen.
        DataSet().SetBeforeClose([&](TDataSet*) {
            if (cacheSize == 0)
                cacheSize = static_cast<qint64>(DataSet().CacheSize());
        });
        shown = Press(form->Button2);
        samples = sampler.samples;
        EXPECT_EQ(sampler.commits, kRows);
    }
    const double seconds = timer.elapsed() / 1000.0;
    EXPECT_EQ(shown, Completed());
    const qint64 peak = StatusBytes("VmHWM");

    // Memory: from the first tenth of the walk to its end, the growth per row
    // is the record buffer and little more (the cache grows in chunks).
    ASSERT_GE(samples.size(), 10u);
    const auto& first = samples.front();
    const auto& last = samples.back();
    const double perRow = double(last.rss - first.rss) / double(last.commits - first.commits);
    const qint64 rowCache = recordBuffer * kRows;
    std::printf("rows %d in %.1f s (%.1f us per row)\n", kRows, seconds, seconds * 1e6 / kRows);
    std::printf("record buffer %lld bytes; row cache %lld bytes (%.1f MB), allocated %lld bytes\n",
                static_cast<long long>(recordBuffer), static_cast<long long>(rowCache), rowCache / 1048576.0,
                static_cast<long long>(cacheSize));
    std::printf("resident before the walk %.1f MB, peak %.1f MB, peak above the start %.1f MB; growth %.1f bytes per row\n",
                before / 1048576.0, peak / 1048576.0, (peak - before) / 1048576.0, perRow);
    RecordProperty("rows", kRows);
    RecordProperty("seconds", QString::number(seconds, 'f', 1).toStdString());
    RecordProperty("record_buffer_bytes", static_cast<int>(recordBuffer));
    RecordProperty("row_cache_mb", QString::number(rowCache / 1048576.0, 'f', 1).toStdString());
    RecordProperty("peak_mb", QString::number(peak / 1048576.0, 'f', 1).toStdString());
    RecordProperty("growth_bytes_per_row", QString::number(perRow, 'f', 1).toStdString());
#ifndef VELMORA_UNDER_ASAN
    // (AddressSanitizer keeps freed blocks in quarantine and pads every
    // block, so resident sizes tell nothing there; its leak checker does.)
    EXPECT_LT(perRow, recordBuffer * 1.1 + 64) << "memory grows by more than the row cache";
    EXPECT_LT(peak - before, rowCache * 1.2 + 64 * 1048576) << "peak memory well above the row cache";
#endif

    // Every row rewritten, the first and the last as expected.
    form.reset();
    TSecondConnection second(path);
    EXPECT_EQ(second.Column(QStringLiteral("select count(*) from IMMAGINI where EXTFILE starting with ':immagini:'")),
              QStringList{QString::number(kRows)});
    EXPECT_EQ(second.Column(QStringLiteral("select EXTFILE from IMMAGINI where AUTOID in (1, %1) order by AUTOID").arg(kRows)),
              (QStringList{QStringLiteral(":immagini:2002\\p1.jpg"),
                           QStringLiteral(":immagini:%1\\p%2.jpg").arg(2001 + kRows % 20).arg(kRows)}));
}

} // namespace
