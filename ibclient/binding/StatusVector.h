// The status vector: the per-thread array of status words through which
// every client call reports its outcome, and the rules by which it becomes
// an error.
//
// The layout is the client library's: clusters, each a type word followed by
// its value words, ended by type 0. Types 1 (isc_arg_gds) and 4
// (isc_arg_number) carry one value, type 3 (isc_arg_cstring) two (length and
// address), every other type one. Words are pointer-sized on this platform.
#pragma once

#include <ibase.h>

#include <QString>

#include <initializer_list>

class IGDSLibrary;
class TCodePage;

// The calling thread's status vector (ISC_STATUS_LENGTH words).
ISC_STATUS* ThreadStatusVector();

// Whether a status vector holds any of the codes as an error or number
// value. The walk goes cluster by cluster and never takes a string's length
// or address word for a code; it stops at the vector's end.
bool StatusVectorHasCode(const ISC_STATUS* vector, std::initializer_list<ISC_STATUS> codes);
// The same for the calling thread's vector.
bool StatusVectorHasCode(std::initializer_list<ISC_STATUS> codes);

// Whether the calling thread's vector reports a lost connection: the
// connection lost (isc_lost_db_connection), or a network read or write that
// failed (isc_net_read_err, isc_net_write_err), which is how this client
// library reports a server that went away under a live attachment.
bool StatusVectorShowsLostConnection();

// The client library's text for a status vector: one line per call of
// isc_interprete, lines joined by CR LF, the final full stop dropped.
//
// The vector's strings (names, and values the server quotes from stored
// data) are in the code page of the connection that failed; given one, they
// are read in it. Without one (no connection yet, as for a failed attach,
// whose strings are file names) the text is read in the system's code page.
QString InterpretStatusVector(IGDSLibrary& library, const ISC_STATUS* vector, const TCodePage* strings = nullptr);

// Raises the status-vector error for the calling thread's vector:
// EIBInterBaseRoleError when the SQL code is -551, else EIBInterBaseError,
// with SQLCode from isc_sqlcode and IBErrorCode = word 1; the strings are
// read as InterpretStatusVector reads them.
[[noreturn]] void RaiseStatusVectorError(IGDSLibrary& library, const TCodePage* strings = nullptr);
[[noreturn]] void RaiseStatusVectorError();
