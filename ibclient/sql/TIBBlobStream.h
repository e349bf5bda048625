// TIBBlobStream: reads and writes the whole content of a blob through the
// client library's blob calls, segment by segment, in a statement's database
// and transaction. Every blob handle is closed (or, for a blob being created
// that fails, cancelled) on every path out.
#pragma once

#include <ibase.h>

#include <QByteArray>

class TIBSQL;

class TIBBlobStream {
public:
    explicit TIBBlobStream(TIBSQL* Query) : FSQL(Query) {}

    // The whole content of the blob with this id.
    QByteArray Read(const ISC_QUAD& BlobID);
    // A new blob holding Data; answers its id.
    ISC_QUAD Write(const QByteArray& Data);

private:
    TIBSQL* FSQL;
};
