// TIBSQL: one SQL statement bound to one database and one transaction. It
// turns the names of ":name" parameters into the "?" markers the server
// accepts, prepares the statement, describes its parameters and result
// columns into two descriptor areas, executes it and, for a select, keeps a
// cursor open and fetches one row at a time.
//
// The cursor survives commit-retaining; a hard end of the transaction closes
// it, and a disconnect frees the statement handle.
#pragma once

#include "ibclient/base/TComponent.h"
#include "ibclient/base/TStringList.h"
#include "ibclient/binding/IGDSLibrary.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class TCodePage;
class TIBBase;
class TIBDatabase;
class TIBTransaction;
class TIBXSQLDA;
class TIBXSQLVAR;

// The statement kind: the server's statement-type code taken as is.
enum TIBSQLTypes {
    SQLUnknown = 0,
    SQLSelect = 1,
    SQLInsert = 2,
    SQLUpdate = 3,
    SQLDelete = 4,
    SQLDDL = 5,
    SQLGetSegment = 6,
    SQLPutSegment = 7,
    SQLExecProcedure = 8,
    SQLStartTransaction = 9,
    SQLCommit = 10,
    SQLRollback = 11,
    SQLSelectForUpdate = 12,
    SQLSetGenerator = 13
};

class TIBSQL : public TComponent {
public:
    using TNotifyEvent = std::function<void(TIBSQL* Sender)>;

    explicit TIBSQL(TComponent* AOwner);
    ~TIBSQL() override;

    // --- the text
    TStringList& SQL() { return FSQL; }
    // Replaces the lines, unless the assembled text is the same.
    void SetSQL(const QStringList& Lines);
    void SetSQLText(const QString& Text);
    // The text sent to the server, after the conversion of named parameters.
    const QString& ProcessedSQL() const { return FProcessedSQL; }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool Value) { FParamCheck = Value; }
    bool GenerateParamNames() const { return FGenerateParamNames; }
    void SetGenerateParamNames(bool Value) { FGenerateParamNames = Value; }
    void SetOnSQLChanging(TNotifyEvent e) { FOnSQLChanging = std::move(e); }

    // --- database and transaction, through the link
    TIBDatabase* Database() const;
    void SetDatabase(TIBDatabase* Value);
    TIBTransaction* Transaction() const;
    void SetTransaction(TIBTransaction* Value);
    TIBBase* Base() const { return FBase.get(); }
    isc_db_handle* DBHandle();
    isc_tr_handle* TRHandle();

    // --- running
    void Prepare();
    void ExecQuery();
    // Fetches one row: the result area, or none at the end.
    TIBXSQLDA* Next();
    void Close();
    void FreeHandle();
    void Unprepare() { FreeHandle(); }

    bool Prepared() const { return FPrepared; }
    // Grows with every successful prepare: what was worked out from the
    // descriptor areas stays valid while it is unchanged.
    int PrepareCount() const { return FPrepareCount; }
    bool Open() const { return FOpen; }
    bool Eof() const { return FEOF || !FOpen; }
    bool Bof() const { return FBOF; }
    int RecordCount() const { return FRecordCount; }
    bool GoToFirstRecordOnExecute() const { return FGoToFirstRecordOnExecute; }
    void SetGoToFirstRecordOnExecute(bool Value) { FGoToFirstRecordOnExecute = Value; }
    TIBSQLTypes SQLType() const { return FSQLType; }
    isc_stmt_handle Handle() const { return FHandle; }
    // Rows changed by the last update, delete or insert; -1 otherwise.
    int RowsAffected();
    QString UniqueRelationName() const;
    // The access plan; raises EIBPlanError when the server gives none.
    QString Plan();

    // --- values
    // The parameter area, prepared first (a transaction that is not active
    // is started for the prepare and committed again).
    TIBXSQLDA* Params();
    TIBXSQLVAR* ParamByName(const QString& Name);
    // The result area (the current row).
    TIBXSQLDA* Current() const { return FSQLRecord.get(); }
    TIBXSQLVAR* FieldByName(const QString& Name) const;
    // Result column by position; outside the area fails with Field "%s" not found.
    TIBXSQLVAR* Fields(int Index) const;
    int FieldCount() const;
    // Position of the named result column, or -1.
    int ColumnIndex(const QString& Name) const;

    // The SQL dialect in which the statement speaks: the connection's.
    int SQLDialect() const;
    // With a transaction, the transaction's judgement; without, raise when asked.
    ISC_STATUS Call(ISC_STATUS ErrCode, bool RaiseError);
    IGDSLibrary& GDSLibrary() const { return *FGDSLibrary; }

    // Normalises an identifier: blanks and control characters off both ends;
    // dialect 1 upper-cases; otherwise a double-quoted name loses its quotes
    // (doubled ones become single) and keeps its case, any other is upper-cased.
    static QString NormalizeIdentifier(int Dialect, const QString& Name);

    // The result of converting ":name" parameters to "?" markers.
    struct TConvertedSQL {
        QString Text;
        QStringList Names;
    };
    // Fails with the SQL parse error for an unclosed string or comment and a
    // marker without a name (unless GenerateParamNames).
    static TConvertedSQL ConvertNamedParams(const QString& Text, bool GenerateParamNames);

    // The code page in which the server's messages quote this statement's
    // data: its connection's (none without a connection).
    const TCodePage* MessageCodePage() const;

private:
    // Fails the prepare when the server describes another number of
    // parameters than the area holds.
    void CheckParameterCount(int Described) const;
    void CloseCursor(bool RaiseError);
    void FreeStatement(bool RaiseError);
    void SQLChanging();
    void DoBeforeTransactionEnd();
    void DoBeforeDatabaseDisconnect();

    std::shared_ptr<IGDSLibrary> FGDSLibrary;
    bool FIBLoaded = false;
    std::unique_ptr<TIBBase> FBase;
    bool FBOF = false;
    bool FEOF = false;
    bool FGoToFirstRecordOnExecute = true;
    bool FOpen = false;
    bool FPrepared = false;
    int FRecordCount = 0;
    QByteArray FCursor;
    isc_stmt_handle FHandle = 0;
    TNotifyEvent FOnSQLChanging;
    TStringList FSQL;
    bool FParamCheck = true;
    QString FProcessedSQL;
    std::unique_ptr<TIBXSQLDA> FSQLParams;
    std::unique_ptr<TIBXSQLDA> FSQLRecord;
    TIBSQLTypes FSQLType = SQLUnknown;
    bool FGenerateParamNames = false;
    int FPrepareCount = 0;
};
