#include "ibclient/binding/StatusVector.h"

#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/IGDSLibrary.h"
#include "ibclient/binding/TCodePage.h"

#include <algorithm>
#include <cstring>
#include <vector>

ISC_STATUS* ThreadStatusVector()
{
    thread_local ISC_STATUS_ARRAY vector = {};
    return vector;
}

bool StatusVectorHasCode(const ISC_STATUS* vector, std::initializer_list<ISC_STATUS> codes)
{
    int i = 0;
    while (i < ISC_STATUS_LENGTH && vector[i] != isc_arg_end) {
        const ISC_STATUS type = vector[i];
        if (type == isc_arg_gds || type == isc_arg_number) {
            if (i + 1 >= ISC_STATUS_LENGTH)
                break;
            for (ISC_STATUS code : codes)
                if (vector[i + 1] == code)
                    return true;
            i += 2;
        } else if (type == isc_arg_cstring) {
            i += 3;
        } else {
            i += 2;
        }
    }
    return false;
}

bool StatusVectorHasCode(std::initializer_list<ISC_STATUS> codes)
{
    return StatusVectorHasCode(ThreadStatusVector(), codes);
}

bool StatusVectorShowsLostConnection()
{
    return StatusVectorHasCode({isc_lost_db_connection, isc_net_read_err, isc_net_write_err});
}

QString InterpretStatusVector(IGDSLibrary& library, const ISC_STATUS* vector, const TCodePage* strings)
{
    // isc_interprete writes one line per call into a buffer it trusts to be
    // large enough; 20 KB holds any line the library produces.
    std::vector<ISC_SCHAR> buffer(20480, '\0');
    // The library advances a cursor through the vector; it works on a copy.
    ISC_STATUS_ARRAY copy;
    std::copy(vector, vector + ISC_STATUS_LENGTH, copy);
    // With a code page, the copy's strings are replaced by their UTF-8 form
    // and the lines read as UTF-8: the library's own words are ASCII, so
    // only the strings it fills in change.
    std::vector<QByteArray> utf8;
    if (strings) {
        utf8.reserve(ISC_STATUS_LENGTH);
        int i = 0;
        while (i < ISC_STATUS_LENGTH && copy[i] != isc_arg_end) {
            const ISC_STATUS type = copy[i];
            if (type == isc_arg_cstring) {
                if (i + 2 >= ISC_STATUS_LENGTH)
                    break;
                const auto* text = reinterpret_cast<const char*>(copy[i + 2]);
                if (text && copy[i + 1] > 0) {
                    utf8.push_back(strings->Decode(text, static_cast<qsizetype>(copy[i + 1])).toUtf8());
                    copy[i + 1] = static_cast<ISC_STATUS>(utf8.back().size());
                    copy[i + 2] = reinterpret_cast<ISC_STATUS>(utf8.back().constData());
                }
                i += 3;
            } else {
                if (i + 1 >= ISC_STATUS_LENGTH)
                    break;
                if (type == isc_arg_string) {
                    if (const auto* text = reinterpret_cast<const char*>(copy[i + 1])) {
                        utf8.push_back(strings->Decode(text, static_cast<qsizetype>(std::strlen(text))).toUtf8());
                        copy[i + 1] = reinterpret_cast<ISC_STATUS>(utf8.back().constData());
                    }
                }
                i += 2;
            }
        }
    }
    ISC_STATUS* cursor = copy;
    QString text;
    while (library.isc_interprete(buffer.data(), &cursor) > 0) {
        if (!text.isEmpty() && !text.endsWith(u'\n'))
            text += QLatin1String("\r\n");
        text += strings ? QString::fromUtf8(buffer.data()) : QString::fromLocal8Bit(buffer.data());
    }
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

void RaiseStatusVectorError(IGDSLibrary& library, const TCodePage* strings)
{
    const ISC_STATUS* vector = ThreadStatusVector();
    const int errorCode = static_cast<int>(vector[1]);
    const int sqlCode = static_cast<int>(library.isc_sqlcode(vector));
    const QString text = InterpretStatusVector(library, vector, strings);
    if (sqlCode == -551)
        throw EIBInterBaseRoleError(sqlCode, errorCode, text);
    throw EIBInterBaseError(sqlCode, errorCode, text);
}

void RaiseStatusVectorError()
{
    RaiseStatusVectorError(*SharedClientLibrary());
}
