// TIBTransaction: one transaction over every database in its list. Its Params
// lines become a transaction parameter block; it starts with
// isc_start_multiple and ends by commit, commit-retaining, rollback or
// rollback-retaining, telling the statements and record sets attached to it
// before and after a hard end. The retaining ends tell nobody: cursors,
// prepared statements and open record sets stay as they are.
#pragma once

#include "ibclient/base/TComponent.h"
#include "ibclient/base/TSlotList.h"
#include "ibclient/base/TStringList.h"
#include "ibclient/binding/IGDSLibrary.h"
#include "ibclient/sql/TIdleTimer.h"

#include <QByteArray>

#include <functional>
#include <memory>

class TCodePage;
class TIBBase;
class TIBDatabase;

enum TIBTransactionAction { TARollback = 0, TACommit = 1, TARollbackRetaining = 2, TACommitRetaining = 3 };

enum TAutoStopAction {
    saNone = 0,
    saRollback = 1,
    saCommit = 2,
    saRollbackRetaining = 3,
    saCommitRetaining = 4
};

// One entry of the transaction existence block handed to isc_start_multiple.
struct TIBTEB {
    isc_db_handle* DatabaseHandle;
    ISC_LONG TPBLength;
    const ISC_UCHAR* TPBAddress;
};
static_assert(sizeof(TIBTEB) == 3 * sizeof(void*), "the client library reads entries of three words");
static_assert(offsetof(TIBTEB, TPBLength) == sizeof(void*));
static_assert(offsetof(TIBTEB, TPBAddress) == 2 * sizeof(void*));

class TIBTransaction : public TComponent {
public:
    using TNotifyEvent = std::function<void(TIBTransaction* Sender)>;

    explicit TIBTransaction(TComponent* AOwner);
    ~TIBTransaction() override;

    // --- starting and ending
    void StartTransaction();
    void Commit() { FinishTransaction(TACommit, false); }
    void CommitRetaining() { FinishTransaction(TACommitRetaining, false); }
    void Rollback() { FinishTransaction(TARollback, false); }
    void RollbackRetaining() { FinishTransaction(TARollbackRetaining, false); }
    // StartTransaction, marked as auto-started, when AllowAutoStart.
    void AutoStartTransaction();
    // Ends an auto-started transaction when no attached record set is open
    // (only with an AutoStopAction other than saNone).
    void CheckAutoStop();
    // A database about to detach: an active transaction ends hard and forced,
    // by DefaultAction (commit for the commit actions, rollback otherwise).
    void DatabaseDisconnecting();

    bool Active() const { return InTransaction(); }
    void SetActive(bool Value);
    bool InTransaction() const { return FHandle != 0; }
    isc_tr_handle Handle() const { return FHandle; }
    isc_tr_handle* HandleAddress() { return &FHandle; }
    bool HandleIsShared() const { return FHandleIsShared; }

    // --- settings
    TStringList& Params() { return FTRParams; }
    void SetParams(const QStringList& Lines) { FTRParams.Assign(Lines); }
    TIBTransactionAction DefaultAction() const { return FDefaultAction; }
    void SetDefaultAction(TIBTransactionAction Value);
    TAutoStopAction AutoStopAction() const { return FAutoStopAction; }
    void SetAutoStopAction(TAutoStopAction Value) { FAutoStopAction = Value; }
    bool AllowAutoStart() const { return FAllowAutoStart; }
    void SetAllowAutoStart(bool Value) { FAllowAutoStart = Value; }
    int IdleTimer() const { return FIdleTimer.Interval(); }
    void SetIdleTimer(int Milliseconds) { FIdleTimer.SetInterval(Milliseconds); }
    void SetOnIdleTimer(TNotifyEvent e) { FOnIdleTimer = std::move(e); }

    // The cached parameter block (built by the next start after Params change).
    const QByteArray& TPB() const { return FTPB; }
    int TPBLength() const { return static_cast<int>(FTPB.size()); }
    // The server's number for the running transaction, asked once.
    int TransactionID();

    // --- checks
    void CheckInTransaction();
    void CheckNotInTransaction();
    void CheckDatabasesInList();

    // --- databases
    TIBDatabase* DefaultDatabase() const { return FDefaultDatabase; }
    void SetDefaultDatabase(TIBDatabase* Value);
    int AddDatabase(TIBDatabase* DB);
    int FindDatabase(const TIBDatabase* DB) const { return FDatabases.Find(DB); }
    void RemoveDatabase(int Idx);
    void RemoveDatabases();
    TIBDatabase* FindDefaultDatabase() const;
    int DatabaseCount() const { return FDatabases.Count(); }
    TIBDatabase* Databases(int Slot) const { return FDatabases.At(Slot); }

    // --- statements and record sets (their TIBBase links)
    int RegisterSQLObject(TIBBase* Obj) { return FSQLObjects.Add(Obj); }
    void UnregisterSQLObject(int Idx);
    int SQLObjectCount() const { return FSQLObjects.Count(); }
    TIBBase* SQLObjects(int Slot) const { return FSQLObjects.At(Slot); }

    // The one place where a client-call result is judged; a lost connection
    // goes to the default database's Call.
    ISC_STATUS Call(ISC_STATUS ErrCode, bool RaiseError);
    // The code page in which the server's messages quote data: the default
    // database's (none without one).
    const TCodePage* MessageCodePage() const;

    // Builds the bytes of a transaction parameter block from Params lines.
    static QByteArray BuildTPB(const QStringList& Lines);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void FinishTransaction(TIBTransactionAction Action, bool Force);
    void EndHard(TIBTransactionAction Action, bool Force);
    // No call went through the transaction for an interval: it ends, forced,
    // by its default action.
    void IdleTimeout();

    std::shared_ptr<IGDSLibrary> FGDSLibrary;
    bool FIBLoaded = false;
    TSlotList<TIBDatabase> FDatabases;
    TSlotList<TIBBase> FSQLObjects;
    TIBDatabase* FDefaultDatabase = nullptr;
    isc_tr_handle FHandle = 0;
    bool FHandleIsShared = false;
    TNotifyEvent FOnIdleTimer;
    QByteArray FTPB;
    TIdleTimer FIdleTimer;
    TIBTransactionAction FDefaultAction = TACommit;
    TStringList FTRParams;
    bool FTRParamsChanged = true;
    bool FAutoStarted = false;
    TAutoStopAction FAutoStopAction = saNone;
    bool FAllowAutoStart = true;
    int FTransactionID = 0;
};
