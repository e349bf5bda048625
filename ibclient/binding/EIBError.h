// The client layer's error classes and its numbered table of client errors.
//
// EIBError carries SQLCode and IBErrorCode beside the message. A server
// error (a failed client call) is raised as EIBInterBaseError, or as
// EIBInterBaseRoleError for SQL code -551 (no permission), with the message
// composed from the status vector. Errors found by the layer itself are
// EIBClientError, numbered by their place in the client-error table; their
// SQLCode is that number.
#pragma once

#include "ibclient/base/Exception.h"

#include <QString>
#include <QVariant>

#include <initializer_list>

class EIBError : public EDatabaseError {
public:
    EIBError(int ASQLCode, const QString& Msg) : EDatabaseError(Msg), FSQLCode(ASQLCode) {}
    EIBError(int ASQLCode, int AIBErrorCode, const QString& Msg)
        : EDatabaseError(Msg), FSQLCode(ASQLCode), FIBErrorCode(AIBErrorCode)
    {
    }
    int SQLCode() const { return FSQLCode; }
    int IBErrorCode() const { return FIBErrorCode; }
    QString ClassName() const override { return QStringLiteral("EIBError"); }

private:
    int FSQLCode = 0;
    int FIBErrorCode = 0;
};

// A failed client call; the message is the client library's interpretation
// of the status vector.
class EIBInterBaseError : public EIBError {
public:
    using EIBError::EIBError;
    QString ClassName() const override { return QStringLiteral("EIBInterBaseError"); }
};

// A failed client call whose SQL code is -551: the user lacks a permission.
class EIBInterBaseRoleError : public EIBError {
public:
    using EIBError::EIBError;
    QString ClassName() const override { return QStringLiteral("EIBInterBaseRoleError"); }
};

// An error found by the layer itself, or a call to a missing optional entry point.
class EIBClientError : public EIBError {
public:
    using EIBError::EIBError;
    QString ClassName() const override { return QStringLiteral("EIBClientError"); }
};

// A statement's access plan could not be obtained.
class EIBPlanError : public EIBError {
public:
    using EIBError::EIBError;
    QString ClassName() const override { return QStringLiteral("EIBPlanError"); }
};

// Client-error codes: the position of each message in the client-error
// table. Codes of the table that belong to features this program does not
// have are not named. Codes from 122 on are this program's own additions for
// refusals where silently going on would corrupt data.
enum TIBClientErrorCode : int {
    ceUnknownError = 0,
    ceLibraryNotFound = 1,
    ceInterBase6Function = 3,
    ceUnsupportedFeature = 4,
    ceNotPermitted = 5,
    ceDpbConstantUnsupported = 11,
    ceTpbConstantUnsupported = 13,
    ceDatabaseClosed = 15,
    ceDatabaseOpen = 16,
    ceDatabaseNameMissing = 17,
    ceNotInTransaction = 18,
    ceInTransaction = 19,
    ceTimeoutNegative = 20,
    ceNoDatabasesInTransaction = 21,
    ceDatabaseNotAssigned = 24,
    ceTransactionNotAssigned = 25,
    ceXSQLDAIndexOutOfRange = 26,
    ceInvalidStatementHandle = 30,
    ceSQLOpen = 31,
    ceSQLClosed = 32,
    ceDatasetOpen = 33,
    ceUnknownSQLDataType = 35,
    ceInvalidDataConversion = 38,
    ceBlobCannotBeRead = 40,
    ceBlobCannotBeWritten = 41,
    ceEmptyQuery = 42,
    ceFieldNotFound = 46,
    ceNotEditing = 47,
    ceCannotInsert = 48,
    ceCannotUpdate = 50,
    ceCannotDelete = 51,
    ceCannotRefresh = 52,
    ceBufferNotSet = 53,
    ceSQLParseError = 55,
    ceEmptySQLStatement = 65,
    ceSQLDialectInvalid = 87,
    ceDpbConstantUnknown = 114,
    ceTpbConstantUnknown = 115,
    cePlanUnavailable = 116,
    ceFieldSizeMismatch = 117,
    ceStringTooLarge = 119,
    // This program's own:
    ceCharacterNotInCodePage = 122, // a character the connection's code page cannot hold
    ceParameterValueTooLong = 123,  // a parameter-block value longer than its length byte can count
    ceParameterValueMissing = 124,  // a parameter-block item that needs a value got none
    ceCodePageUnavailable = 125,    // the connection's code page has no converter on this system
    ceTextHoldsNulCharacter = 126,  // a stored text with a character 0 inside, which text fields would cut
    ceRowNotUpdated = 127,          // an update that matched no row: the row was changed or deleted meanwhile
    ceRowNotDeleted = 128,          // a delete that matched no row, likewise
    ceSQLHoldsNulCharacter = 129,   // statement text with a character 0 inside, which the server would cut
    ceParameterCountMismatch = 130, // the server sees other markers than the parameters listed
};

// The message of a client-error code, with its placeholders unfilled.
QString IBClientErrorMessage(int code);

// Raises EIBClientError with SQLCode = code and the table's message
// formatted with the arguments (%s text, %d integer, in order).
[[noreturn]] void RaiseClientError(int code, std::initializer_list<QVariant> args = {});

// Fills a message's %s and %d placeholders in order; "%%" stands for "%".
QString FormatMessage(const QString& format, std::initializer_list<QVariant> args);
