#include "ibclient/sql/TIBSQL.h"

#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/StatusVector.h"
#include "ibclient/binding/TCodePage.h"
#include "ibclient/sql/TIBBase.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"
#include "ibclient/sql/TIBXSQLDA.h"
#include "ibclient/sql/TIBXSQLVAR.h"

#include <QLocale>
#include <QUuid>

#include <algorithm>
#include <array>

namespace {

bool IsNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'_' || u == u'$';
}

[[noreturn]] void ParseError(const char* what)
{
    RaiseClientError(ceSQLParseError, {QLatin1String(what)});
}

// The prefix of names made up for markers without a name.
constexpr const char* kGeneratedNamePrefix = "PARAM_";

// Reads one item of an info reply: tag, 2-byte length, value. Answers false
// when the reply ends before the item does.
struct TInfoCursor {
    const char* data;
    int size;
    int pos = 0;

    bool Item(IGDSLibrary& lib, unsigned char* tag, int* length, const char** value)
    {
        if (pos + 3 > size)
            return false;
        *tag = static_cast<unsigned char>(data[pos]);
        *length = static_cast<int>(lib.isc_vax_integer(data + pos + 1, 2));
        if (*length < 0 || pos + 3 + *length > size)
            return false;
        *value = data + pos + 3;
        pos += 3 + *length;
        return true;
    }
};

} // namespace

TIBSQL::TIBSQL(TComponent* AOwner) : TComponent(AOwner), FGDSLibrary(SharedClientLibrary())
{
    FGDSLibrary->CheckIBLoaded();
    FIBLoaded = true;
    FBase = std::make_unique<TIBBase>(this);
    FBase->SetBeforeDatabaseDisconnect([this](TIBBase*) { DoBeforeDatabaseDisconnect(); });
    FBase->SetBeforeTransactionEnd([this](TIBBase*) { DoBeforeTransactionEnd(); });
    FSQL.SetOnChanging([this] { SQLChanging(); });
    FSQLParams = std::make_unique<TIBXSQLDA>(this);
    FSQLRecord = std::make_unique<TIBXSQLDA>(this);
    FCursor = QUuid::createUuid().toString(QUuid::WithBraces).toLatin1();
    if (auto* database = dynamic_cast<TIBDatabase*>(AOwner))
        SetDatabase(database);
    else if (auto* transaction = dynamic_cast<TIBTransaction*>(AOwner))
        SetTransaction(transaction);
}

TIBSQL::~TIBSQL()
{
    Destroying();
    if (!FIBLoaded)
        return;
    try {
        if (FOpen)
            CloseCursor(false);
        if (FHandle)
            FreeStatement(false);
    } catch (...) {
    }
    FBase.reset();
}

// ---------------------------------------------------------------- text

void TIBSQL::SQLChanging()
{
    if (FOnSQLChanging)
        FOnSQLChanging(this);
    if (FHandle)
        FreeHandle();
}

void TIBSQL::SetSQL(const QStringList& Lines)
{
    TStringList candidate;
    candidate.Assign(Lines);
    if (candidate.Text() == FSQL.Text())
        return;
    FSQL.Assign(Lines);
}

void TIBSQL::SetSQLText(const QString& Text)
{
    TStringList candidate;
    candidate.SetText(Text);
    SetSQL(candidate.Lines());
}

QString TIBSQL::NormalizeIdentifier(int Dialect, const QString& Name)
{
    qsizetype begin = 0;
    qsizetype end = Name.size();
    while (begin < end && Name.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && Name.at(end - 1).unicode() <= 32)
        --end;
    const QString trimmed = Name.mid(begin, end - begin);
    if (Dialect != 1 && trimmed.startsWith(u'"')) {
        QString inner = trimmed.mid(1, trimmed.size() - 2);
        inner.replace(QLatin1String("\"\""), QLatin1String("\""));
        return inner;
    }
    // Plain ASCII names upper-case the same by every locale but the Turkic
    // ones (where "i" becomes a dotted capital); they skip the locale.
    static const bool turkic = QLocale::system().language() == QLocale::Turkish
                               || QLocale::system().language() == QLocale::Azerbaijani;
    if (!turkic) {
        QString upper = trimmed;
        bool ascii = true;
        for (QChar& c : upper) {
            const char16_t u = c.unicode();
            if (u >= 128) {
                ascii = false;
                break;
            }
            if (u >= u'a' && u <= u'z')
                c = QChar(u - 32);
        }
        if (ascii)
            return upper;
    }
    return QLocale::system().toUpper(trimmed);
}

// The conversion skips what the server skips, so that every marker it
// writes is one the server counts: quoted text and quoted identifiers
// (doubled quotes inside), the alternative quoting q'<...>' with its own
// delimiter, block comments and line comments. A parameter name ends at the
// first character that cannot be part of it; that character is then read
// afresh, since it may open a string or a comment.
TIBSQL::TConvertedSQL TIBSQL::ConvertNamedParams(const QString& Text, bool GenerateParamNames)
{
    enum class TState { Normal, Comment, LineComment, Quoted, AltQuoted, Parameter };
    TConvertedSQL out;
    out.Text.reserve(Text.size());
    TState state = TState::Normal;
    QChar quote;
    QString name;
    bool nameQuoteOpen = false;
    bool nameStarted = false;
    int generated = 0;
    const qsizetype n = Text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = Text.at(i);
        const QChar next = i + 1 < n ? Text.at(i + 1) : QChar(u'\0');
        switch (state) {
        case TState::Normal:
            if (c == u'\'' || c == u'"') {
                out.Text += c;
                quote = c;
                state = TState::Quoted;
            } else if ((c == u'q' || c == u'Q') && next == u'\'' && i + 2 < n
                       && (i == 0 || !IsNameChar(Text.at(i - 1)))) {
                // q'<text>' ends at the closing counterpart of its first
                // character followed by a quote; quotes inside are text.
                const QChar open = Text.at(i + 2);
                switch (open.unicode()) {
                case u'(': quote = QChar(u')'); break;
                case u'[': quote = QChar(u']'); break;
                case u'{': quote = QChar(u'}'); break;
                case u'<': quote = QChar(u'>'); break;
                default: quote = open; break;
                }
                out.Text += c;
                out.Text += next;
                out.Text += open;
                i += 2;
                state = TState::AltQuoted;
            } else if (c == u':' || c == u'?') {
                out.Text += u'?';
                name.clear();
                nameQuoteOpen = false;
                nameStarted = false;
                state = TState::Parameter;
            } else if (c == u'/' && next == u'*') {
                out.Text += c;
                out.Text += next;
                ++i;
                state = TState::Comment;
            } else if (c == u'-' && next == u'-') {
                out.Text += c;
                out.Text += next;
                ++i;
                state = TState::LineComment;
            } else {
                out.Text += c;
            }
            break;
        case TState::Comment:
            if (next == u'\0')
                ParseError("EOF in comment detected");
            out.Text += c;
            if (c == u'*' && next == u'/') {
                out.Text += next;
                ++i;
                state = TState::Normal;
            }
            break;
        case TState::LineComment:
            // The server ends a line comment at a carriage return as well
            // as at a line feed.
            out.Text += c;
            if (c == u'\n' || c == u'\r')
                state = TState::Normal;
            break;
        case TState::Quoted:
            if (next == u'\0')
                ParseError("EOF in string detected");
            out.Text += c;
            if (c == quote) {
                if (next == quote) {
                    out.Text += next;
                    ++i;
                } else {
                    state = TState::Normal;
                }
            }
            break;
        case TState::AltQuoted:
            out.Text += c;
            if (c == quote && next == u'\'') {
                out.Text += next;
                ++i;
                state = TState::Normal;
            } else if (next == u'\0') {
                ParseError("EOF in string detected");
            }
            break;
        case TState::Parameter:
            if (nameQuoteOpen) {
                if (c == u'"') {
                    // The closing quote is dropped.
                    out.Names.append(name);
                    state = TState::Normal;
                } else {
                    name += c;
                }
            } else if (c == u'"') {
                nameQuoteOpen = true;
                nameStarted = true;
            } else if (IsNameChar(c)) {
                name += c;
                nameStarted = true;
                if (!IsNameChar(next)) {
                    out.Names.append(name);
                    state = TState::Normal;
                }
            } else if (!nameStarted) {
                if (!GenerateParamNames)
                    ParseError("Parameter name expected");
                out.Names.append(QLatin1String(kGeneratedNamePrefix) + QString::number(generated++));
                state = TState::Normal;
                --i; // this character is read again as text
            }
            break;
        }
    }
    if (state == TState::AltQuoted || (state == TState::Parameter && nameQuoteOpen))
        ParseError("EOF in string detected");
    if (state == TState::Parameter && !nameStarted) {
        if (!GenerateParamNames)
            ParseError("Parameter name expected");
        out.Names.append(QLatin1String(kGeneratedNamePrefix) + QString::number(generated++));
    }
    return out;
}

// ---------------------------------------------------------------- links

TIBDatabase* TIBSQL::Database() const
{
    return FBase->Database();
}

void TIBSQL::SetDatabase(TIBDatabase* Value)
{
    if (FBase->Database() != Value)
        FBase->SetDatabase(Value);
}

TIBTransaction* TIBSQL::Transaction() const
{
    return FBase->Transaction();
}

void TIBSQL::SetTransaction(TIBTransaction* Value)
{
    if (FBase->Transaction() == Value)
        return;
    if (FPrepared)
        FreeHandle();
    FBase->SetTransaction(Value);
}

isc_db_handle* TIBSQL::DBHandle()
{
    return FBase->DBHandle();
}

isc_tr_handle* TIBSQL::TRHandle()
{
    return FBase->TRHandle();
}

int TIBSQL::SQLDialect() const
{
    TIBDatabase* database = FBase->Database();
    return database ? database->SQLDialect() : 3;
}

ISC_STATUS TIBSQL::Call(ISC_STATUS ErrCode, bool RaiseError)
{
    if (TIBTransaction* transaction = FBase->Transaction())
        return transaction->Call(ErrCode, RaiseError);
    // Without a transaction the result still counts: answering success
    // would let a fetch on a handle that is gone return its last row again.
    TIBDatabase* database = FBase->Database();
    if (database && StatusVectorShowsLostConnection())
        return database->Call(ErrCode, RaiseError);
    if (RaiseError && ErrCode > 0)
        RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
    return ErrCode;
}

const TCodePage* TIBSQL::MessageCodePage() const
{
    TIBDatabase* database = FBase->Database();
    return database ? database->MessageCodePage() : nullptr;
}

void TIBSQL::DoBeforeTransactionEnd()
{
    if (FOpen)
        Close();
}

void TIBSQL::DoBeforeDatabaseDisconnect()
{
    if (FHandle) {
        Close();
        FreeHandle();
    }
}

// ---------------------------------------------------------------- prepare

void TIBSQL::Prepare()
{
    if (FOpen)
        RaiseClientError(ceSQLOpen);
    FBase->CheckDatabase();
    FBase->CheckTransaction();
    if (FPrepared)
        return;
    const QString text = FSQL.Text();
    if (text.isEmpty())
        RaiseClientError(ceEmptyQuery);
    // The text goes to the server zero-terminated: whatever stands after a
    // character 0 would silently not be part of the statement.
    if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
        RaiseClientError(ceSQLHoldsNulCharacter, {static_cast<qlonglong>(nul + 1)});
    if (FParamCheck) {
        const TConvertedSQL converted = ConvertNamedParams(text, FGenerateParamNames);
        FSQLParams->SetCount(static_cast<int>(converted.Names.size()));
        for (int i = 0; i < converted.Names.size(); ++i)
            FSQLParams->AddName(converted.Names.at(i), i);
        TStringList lines;
        lines.SetText(converted.Text);
        FProcessedSQL = lines.Text();
    } else {
        FProcessedSQL = text;
    }
    if (FProcessedSQL.isEmpty())
        RaiseClientError(ceEmptyQuery);

    try {
        Call(FGDSLibrary->isc_dsql_alloc_statement2(ThreadStatusVector(), DBHandle(), &FHandle), true);
        TIBDatabase* database = Database();
        const QByteArray statement = database->CharacterSetCodePage() != 0
                                         ? database->Codec().Encode(FProcessedSQL)
                                         : TCodePage::EncodeSystem(FProcessedSQL);
        Call(FGDSLibrary->isc_dsql_prepare(ThreadStatusVector(), TRHandle(), &FHandle, 0, statement.constData(),
                                           static_cast<unsigned short>(SQLDialect()), nullptr),
             true);

        const char typeItem[] = {isc_info_sql_stmt_type};
        std::array<char, 8> reply{};
        Call(FGDSLibrary->isc_dsql_sql_info(ThreadStatusVector(), &FHandle, 1, typeItem,
                                            static_cast<short>(reply.size()), reply.data()),
             true);
        if (static_cast<unsigned char>(reply[0]) != isc_info_sql_stmt_type)
            RaiseClientError(ceUnknownError);
        const int length = static_cast<int>(FGDSLibrary->isc_vax_integer(&reply[1], 2));
        if (length <= 0 || length > 4 || 3 + length > static_cast<int>(reply.size()))
            RaiseClientError(ceUnknownError);
        FSQLType = static_cast<TIBSQLTypes>(
            FGDSLibrary->isc_vax_integer(&reply[3], static_cast<short>(length)) & 0xFF);

        switch (FSQLType) {
        case SQLGetSegment: case SQLPutSegment: case SQLStartTransaction:
            FreeHandle();
            RaiseClientError(ceNotPermitted);
        case SQLSelect: case SQLInsert: case SQLUpdate: case SQLDelete: case SQLDDL: case SQLExecProcedure:
        case SQLCommit: case SQLRollback: case SQLSelectForUpdate: case SQLSetGenerator:
            if (XSQLDA* params = FSQLParams->AsXSQLDA()) {
                Call(FGDSLibrary->isc_dsql_describe_bind(ThreadStatusVector(), &FHandle,
                                                         static_cast<unsigned short>(SQLDialect()), params),
                     true);
                CheckParameterCount(params->sqld);
                FSQLParams->PrepareBuffers();
            } else {
                // No parameters listed: the server must see no marker either.
                XSQLDA probe{};
                probe.version = SQLDA_VERSION1;
                probe.sqln = 1;
                Call(FGDSLibrary->isc_dsql_describe_bind(ThreadStatusVector(), &FHandle,
                                                         static_cast<unsigned short>(SQLDialect()), &probe),
                     true);
                CheckParameterCount(probe.sqld);
            }
            if (FSQLType == SQLSelect || FSQLType == SQLExecProcedure || FSQLType == SQLSelectForUpdate) {
                FSQLRecord->SetCount(1);
                Call(FGDSLibrary->isc_dsql_describe(ThreadStatusVector(), &FHandle,
                                                    static_cast<unsigned short>(SQLDialect()),
                                                    FSQLRecord->AsXSQLDA()),
                     true);
                const int described = FSQLRecord->AsXSQLDA()->sqld;
                if (described > FSQLRecord->AsXSQLDA()->sqln) {
                    FSQLRecord->SetCount(described);
                    Call(FGDSLibrary->isc_dsql_describe(ThreadStatusVector(), &FHandle,
                                                        static_cast<unsigned short>(SQLDialect()),
                                                        FSQLRecord->AsXSQLDA()),
                         true);
                } else if (described == 0) {
                    FSQLRecord->SetCount(0);
                }
                FSQLRecord->PrepareBuffers();
            }
            break;
        default:
            break;
        }
        FPrepared = true;
        ++FPrepareCount;
    } catch (...) {
        FreeStatement(false);
        throw;
    }
}

void TIBSQL::CheckParameterCount(int Described) const
{
    // Values are sent by position: with another count they would land on
    // the wrong markers, or on none.
    if (Described != FSQLParams->Count())
        RaiseClientError(ceParameterCountMismatch, {FSQLParams->Count(), Described});
}

// ---------------------------------------------------------------- execute and fetch

void TIBSQL::ExecQuery()
{
    if (FOpen)
        RaiseClientError(ceSQLOpen);
    if (!FPrepared)
        Prepare();
    FBase->CheckTransaction();
    if (!FHandle)
        RaiseClientError(ceInvalidStatementHandle);
    XSQLDA* params = FSQLParams->AsXSQLDA();
    const auto dialect = static_cast<unsigned short>(SQLDialect());
    switch (FSQLType) {
    case SQLSelect:
        Call(FGDSLibrary->isc_dsql_execute2(ThreadStatusVector(), TRHandle(), &FHandle, dialect, params, nullptr),
             true);
        Call(FGDSLibrary->isc_dsql_set_cursor_name(ThreadStatusVector(), &FHandle, FCursor.constData(), 0), true);
        FOpen = true;
        FBOF = true;
        FEOF = false;
        FRecordCount = 0;
        if (FGoToFirstRecordOnExecute)
            Next();
        break;
    case SQLExecProcedure:
        Call(FGDSLibrary->isc_dsql_execute2(ThreadStatusVector(), TRHandle(), &FHandle, dialect, params,
                                            FSQLRecord->AsXSQLDA()),
             true);
        break;
    default:
        Call(FGDSLibrary->isc_dsql_execute(ThreadStatusVector(), TRHandle(), &FHandle, dialect, params), true);
        break;
    }
}

TIBXSQLDA* TIBSQL::Next()
{
    if (FEOF)
        return nullptr;
    if (!FOpen)
        RaiseClientError(ceSQLClosed);
    const ISC_STATUS result = Call(FGDSLibrary->isc_dsql_fetch(ThreadStatusVector(), &FHandle,
                                                               static_cast<unsigned short>(SQLDialect()),
                                                               FSQLRecord->AsXSQLDA()),
                                   false);
    if (result == 100 || (result != 0 && StatusVectorHasCode({isc_dsql_cursor_err}))) {
        FEOF = true;
        return nullptr;
    }
    if (result > 0) {
        // The cursor is closed first; the fetch's own failure is then judged,
        // so that a lost connection still force-closes the connection.
        ISC_STATUS_ARRAY failure;
        std::copy(ThreadStatusVector(), ThreadStatusVector() + ISC_STATUS_LENGTH, failure);
        CloseCursor(false);
        std::copy(failure, failure + ISC_STATUS_LENGTH, ThreadStatusVector());
        Call(result, true);
        RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
    }
    ++FRecordCount;
    FBOF = false;
    return FSQLRecord.get();
}

void TIBSQL::Close()
{
    CloseCursor(true);
}

void TIBSQL::CloseCursor(bool RaiseError)
{
    struct TReset {
        TIBSQL* q;
        ~TReset()
        {
            q->FEOF = false;
            q->FBOF = false;
            q->FOpen = false;
            q->FRecordCount = 0;
        }
    } reset{this};
    TIBDatabase* database = Database();
    if (!FHandle || FSQLType != SQLSelect || !FOpen || !database || !database->Connected())
        return;
    const ISC_STATUS result = Call(
        FGDSLibrary->isc_dsql_free_statement(ThreadStatusVector(), &FHandle, static_cast<unsigned short>(DSQL_close)),
        false);
    const ISC_STATUS* status = ThreadStatusVector();
    if (result > 0 && RaiseError && status[0] == isc_arg_gds
        && !StatusVectorHasCode({isc_bad_stmt_handle, isc_dsql_cursor_close_err})) {
        if (StatusVectorShowsLostConnection())
            database->Call(result, true);
        RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
    }
}

void TIBSQL::FreeHandle()
{
    FreeStatement(true);
}

void TIBSQL::FreeStatement(bool RaiseError)
{
    // Dropping the handle closes its cursor too: a cursor whose handle is
    // gone is closed, whatever the server said.
    struct TForget {
        TIBSQL* q;
        ~TForget()
        {
            q->FPrepared = false;
            q->FHandle = 0;
            q->FEOF = false;
            q->FBOF = false;
            q->FOpen = false;
            q->FRecordCount = 0;
        }
    } forget{this};
    TIBDatabase* database = Database();
    if (!FHandle || !database || !database->Connected())
        return;
    const ISC_STATUS result = Call(
        FGDSLibrary->isc_dsql_free_statement(ThreadStatusVector(), &FHandle, static_cast<unsigned short>(DSQL_drop)),
        false);
    const ISC_STATUS* status = ThreadStatusVector();
    if (result > 0 && RaiseError && status[0] == isc_arg_gds && status[1] != isc_bad_stmt_handle) {
        // A server that is gone ends the connection, as for every other call.
        if (StatusVectorShowsLostConnection()) {
            database->Call(result, true);
            return;
        }
        RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
    }
}

int TIBSQL::RowsAffected()
{
    if (!FPrepared)
        return -1;
    const char item[] = {isc_info_sql_records};
    std::array<char, 1049> reply{};
    // Through Call, so that a server that is gone ends the connection.
    Call(FGDSLibrary->isc_dsql_sql_info(ThreadStatusVector(), &FHandle, 1, item, static_cast<short>(reply.size()),
                                        reply.data()),
         true);
    if (static_cast<unsigned char>(reply[0]) != isc_info_sql_records)
        return -1;
    unsigned char wanted = 0;
    switch (FSQLType) {
    case SQLUpdate: wanted = isc_info_req_update_count; break;
    case SQLDelete: wanted = isc_info_req_delete_count; break;
    case SQLInsert: wanted = isc_info_req_insert_count; break;
    default: return -1;
    }
    // The counts follow as items of their own: tag, 2-byte length, value.
    TInfoCursor outer{reply.data(), static_cast<int>(reply.size())};
    unsigned char tag = 0;
    int length = 0;
    const char* value = nullptr;
    if (!outer.Item(*FGDSLibrary, &tag, &length, &value))
        return -1;
    TInfoCursor counts{value, length};
    while (counts.Item(*FGDSLibrary, &tag, &length, &value)) {
        if (tag == isc_info_end)
            break;
        if (tag == wanted && length > 0 && length <= 4)
            return static_cast<int>(FGDSLibrary->isc_vax_integer(value, static_cast<short>(length)));
    }
    return -1;
}

QString TIBSQL::UniqueRelationName() const
{
    return FPrepared && FSQLType == SQLSelect ? FSQLRecord->UniqueRelationName() : QString();
}

QString TIBSQL::Plan()
{
    if (!FPrepared || (FSQLType != SQLSelect && FSQLType != SQLSelectForUpdate && FSQLType != SQLUpdate
                       && FSQLType != SQLDelete))
        return QString();
    const char item[] = {isc_info_sql_get_plan};
    std::array<char, 16384> reply{};
    Call(FGDSLibrary->isc_dsql_sql_info(ThreadStatusVector(), &FHandle, 1, item, static_cast<short>(reply.size()),
                                        reply.data()),
         true);
    TInfoCursor cursor{reply.data(), static_cast<int>(reply.size())};
    unsigned char tag = 0;
    int length = 0;
    const char* value = nullptr;
    if (!cursor.Item(*FGDSLibrary, &tag, &length, &value) || tag != isc_info_sql_get_plan)
        throw EIBPlanError(cePlanUnavailable, IBClientErrorMessage(cePlanUnavailable));
    return QString::fromLocal8Bit(value, length).trimmed();
}

// ---------------------------------------------------------------- values

TIBXSQLDA* TIBSQL::Params()
{
    TIBTransaction* transaction = Transaction();
    if (!FPrepared) {
        if (transaction && !transaction->InTransaction()) {
            transaction->StartTransaction();
            try {
                Prepare();
            } catch (...) {
                transaction->Commit();
                throw;
            }
            transaction->Commit();
        } else {
            Prepare();
        }
    }
    return FSQLParams.get();
}

TIBXSQLVAR* TIBSQL::ParamByName(const QString& Name)
{
    if (!FPrepared)
        Prepare();
    return FSQLParams->ByName(Name);
}

TIBXSQLVAR* TIBSQL::FieldByName(const QString& Name) const
{
    return FSQLRecord->ByName(Name);
}

TIBXSQLVAR* TIBSQL::Fields(int Index) const
{
    if (Index < 0 || Index >= FSQLRecord->Count())
        RaiseClientError(ceFieldNotFound, {QString::number(Index)});
    return FSQLRecord->Vars(Index);
}

int TIBSQL::FieldCount() const
{
    return FSQLRecord->Count();
}

int TIBSQL::ColumnIndex(const QString& Name) const
{
    return FSQLRecord->IndexOfName(Name);
}
