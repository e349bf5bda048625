// TIBBase: the link through which a statement or a record set attaches to one
// connection and one transaction, and through which they tell it that they
// are about to disconnect or end, have done so, or are being destroyed.
#pragma once

#include <ibase.h>

#include <functional>

class TComponent;
class TIBDatabase;
class TIBTransaction;

class TIBBase {
public:
    using TNotifyEvent = std::function<void(TIBBase* Sender)>;

    explicit TIBBase(TComponent* AOwner);
    virtual ~TIBBase();

    TIBBase(const TIBBase&) = delete;
    TIBBase& operator=(const TIBBase&) = delete;

    TComponent* Owner() const { return FOwner; }
    TIBDatabase* Database() const { return FDatabase; }
    TIBTransaction* Transaction() const { return FTransaction; }
    virtual void SetDatabase(TIBDatabase* Value);
    virtual void SetTransaction(TIBTransaction* Value);

    // CheckDatabase / CheckTransaction first; the address the client library fills or reads.
    virtual isc_db_handle* DBHandle();
    virtual isc_tr_handle* TRHandle();

    // "Database not assigned", then the connection must be connected.
    virtual void CheckDatabase();
    // "Transaction not assigned", then the transaction must be active.
    virtual void CheckTransaction();

    // The six notifications; each calls its event, the "freed" ones then
    // drop the database or transaction.
    virtual void DoBeforeDatabaseDisconnect();
    virtual void DoAfterDatabaseDisconnect();
    virtual void DoDatabaseFree();
    virtual void DoBeforeTransactionEnd();
    virtual void DoAfterTransactionEnd();
    virtual void DoTransactionFree();

    void SetBeforeDatabaseDisconnect(TNotifyEvent e) { FBeforeDatabaseDisconnect = std::move(e); }
    void SetAfterDatabaseDisconnect(TNotifyEvent e) { FAfterDatabaseDisconnect = std::move(e); }
    void SetOnDatabaseFree(TNotifyEvent e) { FOnDatabaseFree = std::move(e); }
    void SetBeforeTransactionEnd(TNotifyEvent e) { FBeforeTransactionEnd = std::move(e); }
    void SetAfterTransactionEnd(TNotifyEvent e) { FAfterTransactionEnd = std::move(e); }
    void SetOnTransactionFree(TNotifyEvent e) { FOnTransactionFree = std::move(e); }

private:
    // The lists drop a link by clearing these directly, never through the setters.
    friend class TIBDatabase;
    friend class TIBTransaction;

    TIBDatabase* FDatabase = nullptr;
    int FIndexInDatabase = -1;
    TIBTransaction* FTransaction = nullptr;
    int FIndexInTransaction = -1;
    TComponent* FOwner;
    TNotifyEvent FBeforeDatabaseDisconnect, FAfterDatabaseDisconnect, FOnDatabaseFree;
    TNotifyEvent FBeforeTransactionEnd, FAfterTransactionEnd, FOnTransactionFree;
};
