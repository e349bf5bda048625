#include "bench/RawWalk.h"

#include "bench/BenchCommon.h"
#include "tests/support/PatientDataSet.h"

#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace RawWalk {

QByteArray SelectText()
{
    return PatientSQL::kSelect.join(QStringLiteral("\r\n")).toLatin1();
}

// The modify text as the layer sends it: the seven lines, each with CR LF,
// the four named parameters as "?" markers.
QByteArray ModifyTextWithMarkers()
{
    QString text;
    for (const QString& line : PatientSQL::kModify)
        text += line + QStringLiteral("\r\n");
    for (const char* name : {":EXTFILE", ":OLD_AUTOID", ":OLD_CODICE_CLIENTE", ":OLD_NUMERO_CARTELLA"})
        text.replace(QLatin1String(name), QStringLiteral("?"));
    return text.toLatin1();
}

bool ForcedWritesOf(const QString& path)
{
    RawAttachment probe(path);
    return probe.ForcedWrites();
}

void CheckForcedWrites(const QString& path, bool expected)
{
    if (ForcedWritesOf(path) != expected)
        throw std::runtime_error("forced writes are not as asked on " + path.toStdString());
}

namespace {

void SetLong(XSQLVAR& param, const XSQLVAR& column)
{
    if (RawValue::IsNull(column)) {
        *param.sqlind = -1;
        return;
    }
    *param.sqlind = 0;
    const std::int32_t value = RawValue::Long(column);
    std::memcpy(param.sqldata, &value, sizeof value);
}

} // namespace

[[gnu::noinline]] int RawRewriteWalk(RawStatement& select, RawStatement& update, RawTransaction& transaction)
{
    const QByteArray search = kSearch.toLatin1();
    const QByteArray replacement = kReplacement.toLatin1();
    RawSQLDA& row = select.Columns();
    RawSQLDA& params = *update.Params();
    XSQLVAR& newPath = params.Var(0);
    QByteArray bytes;
    int changed = 0;
    while (select.Fetch()) {
        if (RawValue::IsNull(row.Var(3)))
            continue;
        int length = 0;
        const char* path = RawValue::VaryingBytes(row.Var(3), &length);
        if (length < search.size() || std::memcmp(path, search.constData(), std::size_t(search.size())) != 0)
            continue;
        bytes.setRawData(path, uint(length));
        QByteArray replaced = bytes;
        replaced.replace(search, replacement);
        const auto newLength = static_cast<short>(replaced.size());
        if (newLength > newPath.sqllen)
            throw std::runtime_error("new path longer than the column");
        std::memcpy(newPath.sqldata, &newLength, sizeof newLength);
        std::memcpy(newPath.sqldata + 2, replaced.constData(), std::size_t(newLength));
        *newPath.sqlind = 0;
        SetLong(params.Var(1), row.Var(2)); // OLD_AUTOID
        SetLong(params.Var(2), row.Var(0)); // OLD_CODICE_CLIENTE
        SetLong(params.Var(3), row.Var(1)); // OLD_NUMERO_CARTELLA
        update.Execute();
        if (update.RowsUpdated() != 1)
            throw std::runtime_error("the raw update changed no row");
        transaction.CommitRetaining();
        ++changed;
    }
    return changed;
}

// A digest of every stored path, to check that both walks left the same data.
long long PathsDigest(const QString& path, int* remaining)
{
    RawAttachment db(path);
    RawTransaction tr(db);
    RawStatement select(db, tr, "select EXTFILE from IMMAGINI order by AUTOID");
    select.Open();
    long long digest = 0;
    *remaining = 0;
    const QByteArray search = kSearch.toLatin1();
    while (select.Fetch()) {
        int length = 0;
        const char* bytes = RawValue::VaryingBytes(select.Columns().Var(0), &length);
        for (int i = 0; i < length; ++i)
            digest = digest * 131 + static_cast<unsigned char>(bytes[i]);
        if (QByteArray::fromRawData(bytes, length).startsWith(search))
            ++*remaining;
    }
    select.CloseCursor();
    tr.Commit();
    return digest;
}

TRunCopies RunCopies(const QString& cached, const QString& folder, bool forcedWrites)
{
    TRunCopies copies{Bench::WorkCopy(cached, folder, QStringLiteral("raw.fdb")),
                      Bench::WorkCopy(cached, folder, QStringLiteral("ours.fdb"))};
    CheckForcedWrites(copies.raw, forcedWrites);
    CheckForcedWrites(copies.ours, forcedWrites);
    ::sync();
    return copies;
}

void CheckSameResult(const TRunCopies& copies)
{
    int rawRemaining = 0, oursRemaining = 0;
    if (PathsDigest(copies.raw, &rawRemaining) != PathsDigest(copies.ours, &oursRemaining) || rawRemaining != 0
        || oursRemaining != 0)
        throw std::runtime_error("the raw loop and ours left different data");
}

} // namespace RawWalk
