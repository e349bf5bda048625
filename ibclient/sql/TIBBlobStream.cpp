#include "ibclient/sql/TIBBlobStream.h"

#include "ibclient/binding/IGDSLibrary.h"
#include "ibclient/binding/StatusVector.h"
#include "ibclient/sql/TIBSQL.h"

#include <algorithm>

namespace {

// Segments are at most this long: the length is an unsigned 16-bit count.
constexpr int kSegmentSize = 32768;

// A blob handle that is closed, or cancelled when it never got completed.
class TBlobHandle {
public:
    TBlobHandle(IGDSLibrary& library, bool cancelOnFailure) : FLibrary(library), FCancel(cancelOnFailure) {}
    ~TBlobHandle()
    {
        if (FHandle == 0)
            return;
        ISC_STATUS_ARRAY status = {};
        if (FCancel)
            FLibrary.isc_cancel_blob(status, &FHandle);
        else
            FLibrary.isc_close_blob(status, &FHandle);
    }
    TBlobHandle(const TBlobHandle&) = delete;
    TBlobHandle& operator=(const TBlobHandle&) = delete;

    isc_blob_handle* Address() { return &FHandle; }
    // Closes the blob for good; after that nothing is left to clean up.
    void Close(TIBSQL* query)
    {
        const ISC_STATUS result = FLibrary.isc_close_blob(ThreadStatusVector(), &FHandle);
        query->Call(result, true);
        FHandle = 0;
    }

private:
    IGDSLibrary& FLibrary;
    bool FCancel;
    isc_blob_handle FHandle = 0;
};

} // namespace

QByteArray TIBBlobStream::Read(const ISC_QUAD& BlobID)
{
    IGDSLibrary& lib = FSQL->GDSLibrary();
    ISC_QUAD id = BlobID;
    TBlobHandle blob(lib, false);
    FSQL->Call(lib.isc_open_blob2(ThreadStatusVector(), FSQL->DBHandle(), FSQL->TRHandle(), blob.Address(), &id, 0,
                                  nullptr),
               true);
    QByteArray content;
    QByteArray segment(kSegmentSize, Qt::Uninitialized);
    for (;;) {
        unsigned short length = 0;
        const ISC_STATUS result = lib.isc_get_segment(ThreadStatusVector(), blob.Address(), &length,
                                                      static_cast<unsigned short>(segment.size()), segment.data());
        // isc_segment: a part of a longer segment; isc_segstr_eof: the end.
        if (result == 0 || result == isc_segment) {
            content.append(segment.constData(), length);
            continue;
        }
        if (result == isc_segstr_eof)
            break;
        FSQL->Call(result, true);
    }
    blob.Close(FSQL);
    return content;
}

ISC_QUAD TIBBlobStream::Write(const QByteArray& Data)
{
    IGDSLibrary& lib = FSQL->GDSLibrary();
    ISC_QUAD id{};
    TBlobHandle blob(lib, true);
    FSQL->Call(lib.isc_create_blob2(ThreadStatusVector(), FSQL->DBHandle(), FSQL->TRHandle(), blob.Address(), &id, 0,
                                    nullptr),
               true);
    for (qsizetype offset = 0; offset < Data.size(); offset += kSegmentSize) {
        const auto length = static_cast<unsigned short>(std::min<qsizetype>(kSegmentSize, Data.size() - offset));
        FSQL->Call(lib.isc_put_segment(ThreadStatusVector(), blob.Address(), length, Data.constData() + offset),
                   true);
    }
    blob.Close(FSQL);
    return id;
}
