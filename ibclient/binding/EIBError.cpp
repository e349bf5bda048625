#include "ibclient/binding/EIBError.h"

#include "ibclient/binding/IGDSLibrary.h"

namespace {

struct TClientErrorText {
    int code;
    const char* text;
};

// The client-error table, by code. The wording is kept as the layer has
// always reported it, "gds32.dll" and the misspelt "functonality" included.
constexpr TClientErrorText kClientErrors[] = {
    {ceUnknownError, "Unknown error"},
    {ceLibraryNotFound,
     "InterBase library gds32.dll not found in the path. Please install InterBase to use this functionality"},
    {ceInterBase6Function, "%s is an InterBase 6 function. Please upgrade to InterBase 6 to use this functonality"},
    {ceUnsupportedFeature, "Unsupported feature"},
    {ceNotPermitted, "Not permitted"},
    {ceDpbConstantUnsupported, "DPB Constant (isc_dpb_%s) is unsupported"},
    {ceTpbConstantUnsupported, "TPB Constant (isc_tpb_%s) is unsupported"},
    {ceDatabaseClosed, "Cannot perform operation -- DB is not open"},
    {ceDatabaseOpen, "Cannot perform operation -- DB is currently open"},
    {ceDatabaseNameMissing, "Database name is missing"},
    {ceNotInTransaction, "Transaction is not active"},
    {ceInTransaction, "Transaction is active"},
    {ceTimeoutNegative, "Timeout values cannot be negative"},
    {ceNoDatabasesInTransaction, "No databases are listed in transaction component"},
    {ceDatabaseNotAssigned, "Database not assigned"},
    {ceTransactionNotAssigned, "Transaction not assigned"},
    {ceXSQLDAIndexOutOfRange, "XSQLDA index out of range"},
    {ceInvalidStatementHandle, "Invalid statement handle"},
    {ceSQLOpen, "IBSQL Open"},
    {ceSQLClosed, "IBSQL Closed"},
    {ceDatasetOpen, "Dataset open"},
    {ceUnknownSQLDataType, "Unknown SQL Data type (%d)"},
    {ceInvalidDataConversion, "Invalid data conversion"},
    {ceBlobCannotBeRead, "Blob stream cannot be read"},
    {ceBlobCannotBeWritten, "Blob stream cannot be written"},
    {ceEmptyQuery, "Empty query"},
    {ceFieldNotFound, "Field \"%s\" not found"},
    {ceNotEditing, "Not in edit mode"},
    {ceCannotInsert, "Cannot insert into dataset. (No insert query)"},
    {ceCannotUpdate, "Cannot update. (No update query)"},
    {ceCannotDelete, "Cannot delete from dataset. (No delete query)"},
    {ceCannotRefresh, "Cannot refresh row. (No refresh query)"},
    {ceBufferNotSet, "Buffer not set"},
    {ceSQLParseError, "SQL Parse Error:\r\n\r\n%s"},
    {ceEmptySQLStatement, "Empty SQL Statement"},
    {ceSQLDialectInvalid, "SQL Dialect Invalid"},
    {ceDpbConstantUnknown, "DPB Constant (%s) is unknown"},
    {ceTpbConstantUnknown, "TPB Constant (%s) is unknown"},
    {cePlanUnavailable, "Unknown Error - Can't retrieve plan"},
    {ceFieldSizeMismatch, "Size Mismatch - Field %s size is too small for data"},
    {ceStringTooLarge, "Trying to store a string of length %d into a field that can only contain %d"},
    {ceCharacterNotInCodePage,
     "The character %s cannot be stored in code page %d; the text was not sent, so nothing stored was changed"},
    {ceParameterValueTooLong, "The value of %s is %d bytes long; a parameter value can hold at most 255 bytes"},
    {ceParameterValueMissing, "The parameter %s needs a value"},
    {ceCodePageUnavailable, "Code page %d cannot be converted on this system"},
    {ceTextHoldsNulCharacter,
     "The value of field %s holds a character 0; it is not read as text, since everything after that character "
     "would be lost"},
    {ceRowNotUpdated, "The row with %s was not updated: another user has changed or deleted it"},
    {ceRowNotDeleted, "The row with %s was not deleted: another user has changed or deleted it"},
    {ceSQLHoldsNulCharacter,
     "The SQL text holds a character 0 at position %d; it was not sent, since the server would read only the text "
     "before it"},
    {ceParameterCountMismatch,
     "The statement has %d parameters but the server sees %d markers; it was not prepared, since values would reach "
     "the wrong markers"},
};

} // namespace

QString IBClientErrorMessage(int code)
{
    for (const TClientErrorText& entry : kClientErrors)
        if (entry.code == code)
            return QString::fromLatin1(entry.text);
    return QStringLiteral("Unknown error");
}

QString FormatMessage(const QString& format, std::initializer_list<QVariant> args)
{
    QString out;
    out.reserve(format.size() + 32);
    auto arg = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size()) {
            const QChar conversion = format.at(i + 1);
            if (conversion == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if ((conversion == u's' || conversion == u'd') && arg != args.end()) {
                out += conversion == u'd' ? QString::number(arg->toLongLong()) : arg->toString();
                ++arg;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

void RaiseClientError(int code, std::initializer_list<QVariant> args)
{
    throw EIBClientError(code, FormatMessage(IBClientErrorMessage(code), args));
}

void RaiseSubstituteCalled(TSubstitute kind, const char* name)
{
    // The later kinds put the function name followed by one blank in place
    // of %s (so two blanks stand before "is"), except the 2007 kind.
    const QString function = QLatin1String(name);
    const QString blank = function + u' ';
    auto later = [](const QString& what, const char* version) {
        return QStringLiteral("%1 is an InterBase %2 function. Please upgrade to InterBase %2 to use this "
                              "functonality")
            .arg(what, QLatin1String(version));
    };
    switch (kind) {
    case TSubstitute::InterBase6:
        RaiseClientError(ceInterBase6Function, {function});
    case TSubstitute::InterBase70:
        throw EIBClientError(0, later(blank, "7.0"));
    case TSubstitute::InterBase71:
        throw EIBClientError(0, later(blank, "7.1"));
    case TSubstitute::InterBase2007:
        throw EIBClientError(0, later(function, "2007"));
    case TSubstitute::InterBase65:
        throw EIBClientError(0, later(blank, "6.5"));
    case TSubstitute::None:
    case TSubstitute::Unbound:
        break;
    }
    // Nothing was loaded: the library is missing.
    RaiseClientError(ceLibraryNotFound);
}
