// TIBDatabase: the connection to one database file. It turns its Params lines
// into a database parameter block, attaches and detaches through the client
// library, asks the server for the database's SQL dialect, keeps the lists of
// the transactions and of the statements and record sets that work through
// it, tells them when it disconnects, and recognises a lost connection. It
// owns an internal transaction and the schema cache.
#pragma once

#include "ibclient/base/TSlotList.h"
#include "ibclient/base/TStringList.h"
#include "ibclient/binding/IGDSLibrary.h"
#include "ibclient/binding/TCodePage.h"
#include "ibclient/dataset/TCustomConnection.h"
#include "ibclient/sql/TIdleTimer.h"

#include <QByteArray>
#include <QString>

#include <memory>

class TIBBase;
class TIBSchema;
class TIBTransaction;

class TIBDatabase : public TCustomConnection {
public:
    explicit TIBDatabase(TComponent* AOwner);
    ~TIBDatabase() override;

    // --- properties
    const QString& DatabaseName() const { return FDBName; }
    // The same name does nothing; another one needs the connection detached
    // and empties the schema cache. Nothing is trimmed or checked.
    void SetDatabaseName(const QString& Value);

    TStringList& Params() { return FDBParams; }
    void SetParams(const QStringList& Lines) { FDBParams.Assign(Lines); }

    int SQLDialect() const { return FSQLDialect; }
    void SetSQLDialect(int Value);
    int DBSQLDialect() const { return FDBSQLDialect; }

    TIBTransaction* DefaultTransaction() const { return FDefaultTransaction; }
    void SetDefaultTransaction(TIBTransaction* Value);
    TIBTransaction* InternalTransaction() const { return FInternalTransaction; }

    int IdleTimer() const { return FIdleTimer.Interval(); }
    void SetIdleTimer(int Milliseconds) { FIdleTimer.SetInterval(Milliseconds); }

    const QString& CharacterSet() const { return FCharacterSet; }
    int CharacterSetCodePage() const { return FCharacterSetCodePage; }
    // Converts statement text and column values for this connection.
    const TCodePage& Codec() const { return *FCodec; }
    // The code page of the strings in the server's messages about this
    // connection's data; none when the connection has no code page of its own.
    const TCodePage* MessageCodePage() const { return FCharacterSetCodePage != 0 ? FCodec.get() : nullptr; }

    isc_db_handle Handle() const { return FHandle; }
    isc_db_handle* HandleAddress() { return &FHandle; }
    bool HandleIsShared() const { return FHandleIsShared; }
    // The cached parameter block; rebuilt by the next connect after Params change.
    const QByteArray& DPB() const { return FDPB; }

    bool AllowStreamedConnected() const { return FAllowStreamedConnected; }
    void SetAllowStreamedConnected(bool Value) { FAllowStreamedConnected = Value; }

    using TNotifyEvent = std::function<void(TIBDatabase* Sender)>;
    void SetOnDialectDowngradeWarning(TNotifyEvent e) { FOnDialectDowngradeWarning = std::move(e); }
    void SetOnIdleTimer(TNotifyEvent e) { FOnIdleTimer = std::move(e); }

    // --- checks
    void CheckActive();
    void CheckInactive();
    void CheckDatabaseName();

    // The connection's judgement of a client-call result, with the
    // lost-connection rule: a lost connection force-closes the connection
    // and raises EIBInterBaseError composed from the status vector.
    ISC_STATUS Call(ISC_STATUS ErrCode, bool RaiseError);
    // Detaches whatever happens.
    void ForceClose();
    // A call went through the connection: the idle timer waits another round.
    void MarkUsed() { FIdleTimer.MarkUsed(); }

    // --- transactions
    int AddTransaction(TIBTransaction* TR);
    int FindTransaction(const TIBTransaction* TR) const { return FTransactions.Find(TR); }
    void RemoveTransaction(int Idx);
    void RemoveTransactions();
    TIBTransaction* FindDefaultTransaction() const;
    int TransactionCount() const { return FTransactions.Count(); }
    TIBTransaction* Transactions(int Slot) const { return FTransactions.At(Slot); }

    // --- statements and record sets (their TIBBase links)
    int RegisterSQLObject(TIBBase* Obj);
    void UnregisterSQLObject(int Idx);
    int SQLObjectCount() const { return FSQLObjects.Count(); }
    TIBBase* SQLObjects(int Slot) const { return FSQLObjects.At(Slot); }

    // --- schema cache
    bool Has_DEFAULT_VALUE(const QString& Relation, const QString& Field);
    bool Has_COMPUTED_BLR(const QString& Relation, const QString& Field);
    bool In_Key(const QString& Relation, const QString& Field);
    void FlushSchema();

    IGDSLibrary& GDSLibrary() const { return *FGDSLibrary; }

    // Builds the bytes of a database parameter block from Params lines;
    // sets *CharacterSet when an lc_ctype line names one. Raises the client
    // errors for unknown and refused names and EConvertError for a number
    // that does not convert.
    static QByteArray BuildDPB(const QStringList& Lines, QString* CharacterSet);
    // The code page of a character set name (0 when the name is not known).
    static int CodePageOfCharacterSet(const QString& CharacterSet);

protected:
    bool GetConnected() override { return FHandle != 0; }
    void DoConnect() override;
    void DoDisconnect() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void CloseAttachment(bool Force);
    void ReadDialect();
    void SetCharacterSet(const QString& Name);
    // No call went through the connection for an interval: it detaches.
    void IdleTimeout();

    std::shared_ptr<IGDSLibrary> FGDSLibrary;
    bool FIBLoaded = false;
    int FDBSQLDialect = 3;
    int FSQLDialect = 3;
    TNotifyEvent FOnDialectDowngradeWarning;
    TSlotList<TIBBase> FSQLObjects;
    TSlotList<TIBTransaction> FTransactions;
    QString FDBName;
    TStringList FDBParams;
    bool FDBParamsChanged = true;
    QByteArray FDPB;
    isc_db_handle FHandle = 0;
    bool FHandleIsShared = false;
    TNotifyEvent FOnIdleTimer;
    TIBTransaction* FDefaultTransaction = nullptr;
    TIBTransaction* FInternalTransaction = nullptr;
    // Detaches the connection after an interval without calls (never here: 0).
    TIdleTimer FIdleTimer;
    bool FAllowStreamedConnected = true;
    std::unique_ptr<TIBSchema> FSchema;
    QString FCharacterSet = QStringLiteral("NONE");
    int FCharacterSetCodePage = 1252;
    std::unique_ptr<TCodePage> FCodec;
};
