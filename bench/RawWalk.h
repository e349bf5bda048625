// The raw loop of the path rewrite, shared by the benchmarks of the record
// set and of the window: the program's select and update as the layer sends
// them, and the walk done with the client calls alone (fetch, the prepared
// update with its four parameters, the changed-row count, commit-retaining).
#pragma once

#include "bench/RawClient.h"

#include <QByteArray>
#include <QString>

namespace RawWalk {

inline const QString kSearch = QStringLiteral("+\\immagini\\");
inline const QString kReplacement = QStringLiteral(":immagini:");

// The select and the update, the update with its named parameters as "?".
QByteArray SelectText();
QByteArray ModifyTextWithMarkers();

bool ForcedWritesOf(const QString& path);
// Stops the benchmark when a database's forced writes are not as expected.
void CheckForcedWrites(const QString& path, bool expected);

// The walk over an open select: every path that begins with the search text
// is rewritten, posted and committed. Answers the rows changed.
int RawRewriteWalk(RawStatement& select, RawStatement& update, RawTransaction& transaction);

// A digest of every stored path, and the count of paths still beginning with
// the search text: two walks that did the same leave the same digest.
long long PathsDigest(const QString& path, int* remaining);

// One run's two copies of a cached database, the raw loop's and ours, with
// their forced writes checked and their pages on disk before either walk, so
// that neither waits behind the other's write-back.
struct TRunCopies {
    QString raw;
    QString ours;
};
TRunCopies RunCopies(const QString& cached, const QString& folder, bool forcedWrites);

// Stops the benchmark unless both copies hold the same paths and none still
// begins with the search text.
void CheckSameResult(const TRunCopies& copies);

} // namespace RawWalk
