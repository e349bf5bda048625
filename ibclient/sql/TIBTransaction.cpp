#include "ibclient/sql/TIBTransaction.h"

#include "ibclient/binding/EIBError.h"
#include "ibclient/binding/StatusVector.h"
#include "ibclient/binding/TCodePage.h"
#include "ibclient/dataset/TDataSet.h"
#include "ibclient/sql/TIBBase.h"
#include "ibclient/sql/TIBDatabase.h"

#include <array>
#include <vector>

namespace {

// The transaction parameter names; a name's code is its position (from 1).
enum class TTpbKind { Code, LockTable, Refused };

struct TTpbName {
    const char* name;
    TTpbKind kind;
};

constexpr std::array<TTpbName, 21> kTpbNames = {{
    {"consistency", TTpbKind::Code},   {"concurrency", TTpbKind::Code},      {"shared", TTpbKind::Code},
    {"protected", TTpbKind::Code},     {"exclusive", TTpbKind::Code},        {"wait", TTpbKind::Code},
    {"nowait", TTpbKind::Code},        {"read", TTpbKind::Code},             {"write", TTpbKind::Code},
    {"lock_read", TTpbKind::LockTable}, {"lock_write", TTpbKind::LockTable}, {"verb_time", TTpbKind::Refused},
    {"commit_time", TTpbKind::Refused}, {"ignore_limbo", TTpbKind::Code},    {"read_committed", TTpbKind::Code},
    {"autocommit", TTpbKind::Refused}, {"rec_version", TTpbKind::Code},      {"no_rec_version", TTpbKind::Code},
    {"restart_requests", TTpbKind::Code}, {"no_auto_undo", TTpbKind::Code},  {"no_savepoint", TTpbKind::Code},
}};

bool IsBlank(const QString& line)
{
    for (QChar c : line)
        if (c.unicode() > 32)
            return false;
    return true;
}

QString AsciiLower(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

} // namespace

TIBTransaction::TIBTransaction(TComponent* AOwner)
    : TComponent(AOwner), FGDSLibrary(SharedClientLibrary()), FIdleTimer([this] { IdleTimeout(); })
{
    FGDSLibrary->CheckIBLoaded();
    FIBLoaded = true;
    FTRParams.SetOnChanging([this] { CheckNotInTransaction(); });
    FTRParams.SetOnChange([this] { FTRParamsChanged = true; });
}

TIBTransaction::~TIBTransaction()
{
    Destroying();
    if (!FIBLoaded)
        return;
    FIdleTimer.SetInterval(0);
    if (InTransaction()) {
        try {
            EndHard(FDefaultAction == TACommit || FDefaultAction == TACommitRetaining ? TACommit : TARollback, true);
        } catch (...) {
        }
    }
    FSQLObjects.ForEach([](TIBBase* link, int) {
        try {
            link->DoTransactionFree();
        } catch (...) {
        }
    });
    FSQLObjects.ForEach([](TIBBase* link, int) { link->SetTransaction(nullptr); });
    RemoveDatabases();
}

void TIBTransaction::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FDefaultDatabase) {
        RemoveDatabase(FDatabases.Find(FDefaultDatabase));
        FDefaultDatabase = nullptr;
    }
}

void TIBTransaction::SetActive(bool Value)
{
    if (Value && !InTransaction())
        StartTransaction();
    else if (!Value && InTransaction())
        Rollback();
}

void TIBTransaction::SetDefaultAction(TIBTransactionAction Value)
{
    if (Value == TARollbackRetaining && FGDSLibrary->GetIBClientVersion() < 6.0)
        RaiseClientError(ceInterBase6Function, {QStringLiteral("isc_rollback_retaining")});
    FDefaultAction = Value;
}

void TIBTransaction::CheckInTransaction()
{
    if (!InTransaction())
        RaiseClientError(ceNotInTransaction);
}

void TIBTransaction::CheckNotInTransaction()
{
    if (InTransaction())
        RaiseClientError(ceInTransaction);
}

void TIBTransaction::CheckDatabasesInList()
{
    if (DatabaseCount() == 0)
        RaiseClientError(ceNoDatabasesInTransaction);
}

QByteArray TIBTransaction::BuildTPB(const QStringList& Lines)
{
    QByteArray tpb;
    if (Lines.isEmpty())
        return tpb;
    tpb.append(static_cast<char>(isc_tpb_version3));
    for (const QString& line : Lines) {
        if (IsBlank(line))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        const QString written = eq < 0 ? line : line.left(eq);
        const QString value = eq < 0 ? QString() : line.mid(eq + 1);
        QString name = AsciiLower(written);
        if (name.startsWith(QLatin1String("isc_tpb_")))
            name.remove(0, 8);
        const auto entry = std::find_if(kTpbNames.begin(), kTpbNames.end(),
                                        [&](const TTpbName& n) { return name == QLatin1String(n.name); });
        if (entry == kTpbNames.end())
            RaiseClientError(ceTpbConstantUnknown, {written});
        const char code = static_cast<char>(entry - kTpbNames.begin() + 1);
        switch (entry->kind) {
        case TTpbKind::Refused:
            RaiseClientError(ceTpbConstantUnsupported, {QLatin1String(entry->name)});
        case TTpbKind::Code:
            tpb.append(code);
            break;
        case TTpbKind::LockTable: {
            const QByteArray table = TCodePage::EncodeSystem(value);
            // One length byte counts the table name; a longer one cannot be sent whole.
            if (table.size() > 255)
                RaiseClientError(ceParameterValueTooLong, {QLatin1String(entry->name), static_cast<int>(table.size())});
            tpb.append(code).append(static_cast<char>(table.size())).append(table);
            break;
        }
        }
    }
    return tpb;
}

void TIBTransaction::StartTransaction()
{
    CheckNotInTransaction();
    CheckDatabasesInList();
    FDatabases.ForEach([](TIBDatabase* database, int) {
        if (!database->Connected())
            RaiseClientError(ceDatabaseClosed);
    });
    if (FTRParamsChanged) {
        // A build that fails leaves the flag set, so the next start builds
        // again instead of sending a block that no longer matches Params.
        FTRParamsChanged = false;
        try {
            FTPB = BuildTPB(FTRParams.Lines());
        } catch (...) {
            FTRParamsChanged = true;
            throw;
        }
    }
    std::vector<TIBTEB> teb;
    FDatabases.ForEach([&](TIBDatabase* database, int) {
        teb.push_back({database->HandleAddress(), static_cast<ISC_LONG>(FTPB.size()),
                       reinterpret_cast<const ISC_UCHAR*>(FTPB.constData())});
    });
    const ISC_STATUS result = FGDSLibrary->isc_start_multiple(ThreadStatusVector(), &FHandle,
                                                              static_cast<short>(teb.size()), teb.data());
    if (Call(result, false) > 0) {
        FHandle = 0;
        // Judged again with raising: a server that is gone ends the
        // connection here too, so that one reopen is enough.
        Call(result, true);
        RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
    }
}

void TIBTransaction::AutoStartTransaction()
{
    if (!FAllowAutoStart && !IsDesigning())
        return;
    StartTransaction();
    FAutoStarted = true;
}

void TIBTransaction::FinishTransaction(TIBTransactionAction Action, bool Force)
{
    CheckInTransaction();
    if (Action == TACommitRetaining || Action == TARollbackRetaining) {
        const ISC_STATUS result = Action == TACommitRetaining
                                      ? FGDSLibrary->isc_commit_retaining(ThreadStatusVector(), &FHandle)
                                      : FGDSLibrary->isc_rollback_retaining(ThreadStatusVector(), &FHandle);
        Call(result, true);
    } else {
        EndHard(Action, Force);
    }
    if (!InTransaction())
        FAutoStarted = false;
}

void TIBTransaction::EndHard(TIBTransactionAction Action, bool Force)
{
    const TAutoStopAction saved = FAutoStopAction;
    FAutoStopAction = saNone;
    try {
        FSQLObjects.ForEach([](TIBBase* link, int) { link->DoBeforeTransactionEnd(); });
    } catch (...) {
        FAutoStopAction = saved;
        throw;
    }
    FAutoStopAction = saved;

    if (InTransaction()) {
        ISC_STATUS* status = ThreadStatusVector();
        const ISC_STATUS result = Action == TACommit ? FGDSLibrary->isc_commit_transaction(status, &FHandle)
                                                     : FGDSLibrary->isc_rollback_transaction(status, &FHandle);
        const bool failed = Call(result, false) > 0;
        if (Force) {
            if (failed)
                FGDSLibrary->isc_rollback_transaction(ThreadStatusVector(), &FHandle);
            FHandle = 0;
        } else if (failed) {
            const int errorCode = static_cast<int>(status[1]);
            const int sqlCode = static_cast<int>(FGDSLibrary->isc_sqlcode(status));
            if ((sqlCode == -902 && errorCode == isc_network_error) || StatusVectorShowsLostConnection()) {
                // Composed before the forced close overwrites the status vector.
                const QString text = InterpretStatusVector(*FGDSLibrary, status, MessageCodePage());
                if (TIBDatabase* database = FindDefaultDatabase())
                    database->ForceClose();
                throw EIBInterBaseError(sqlCode, errorCode, text);
            }
            RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
        }
    }
    FSQLObjects.ForEach([](TIBBase* link, int) { link->DoAfterTransactionEnd(); });
    FTransactionID = 0;
}

void TIBTransaction::DatabaseDisconnecting()
{
    if (InTransaction())
        FinishTransaction(FDefaultAction == TACommit || FDefaultAction == TACommitRetaining ? TACommit : TARollback,
                          true);
}

void TIBTransaction::CheckAutoStop()
{
    if (FAutoStopAction == saNone || !InTransaction() || !FAutoStarted)
        return;
    bool anOpenRecordSet = false;
    FSQLObjects.ForEach([&](TIBBase* link, int) {
        if (TDataSet* dataSet = TCustomConnection::AsDataSet(link->Owner()))
            anOpenRecordSet = anOpenRecordSet || dataSet->Active();
    });
    if (anOpenRecordSet)
        return;
    switch (FAutoStopAction) {
    case saRollback: Rollback(); break;
    case saCommit: Commit(); break;
    case saRollbackRetaining: RollbackRetaining(); break;
    case saCommitRetaining: CommitRetaining(); break;
    case saNone: break;
    }
}

ISC_STATUS TIBTransaction::Call(ISC_STATUS ErrCode, bool RaiseError)
{
    FDatabases.ForEach([](TIBDatabase* database, int) { database->MarkUsed(); });
    FIdleTimer.MarkUsed();
    // A lost connection ends at the connection, which force-closes itself.
    // This client library reports it to statements and transactions as a
    // failed network read or write rather than as a lost connection, so all
    // three are handed over; otherwise the connection would stay attached to
    // a dead server for good.
    if (StatusVectorShowsLostConnection()) {
        if (TIBDatabase* database = FindDefaultDatabase())
            return database->Call(ErrCode, RaiseError);
    }
    if (RaiseError && ErrCode > 0)
        RaiseStatusVectorError(*FGDSLibrary, MessageCodePage());
    return ErrCode;
}

const TCodePage* TIBTransaction::MessageCodePage() const
{
    TIBDatabase* database = FindDefaultDatabase();
    return database ? database->MessageCodePage() : nullptr;
}

int TIBTransaction::TransactionID()
{
    CheckInTransaction();
    if (FTransactionID != 0)
        return FTransactionID;
    const char items[] = {isc_info_tra_id};
    std::array<char, 32> reply{};
    Call(FGDSLibrary->isc_transaction_info(ThreadStatusVector(), &FHandle, 1, items,
                                           static_cast<short>(reply.size()), reply.data()),
         true);
    if (static_cast<unsigned char>(reply[0]) == isc_info_tra_id) {
        const int length = static_cast<int>(FGDSLibrary->isc_vax_integer(&reply[1], 2));
        if (length > 0 && length <= 8 && 3 + length <= static_cast<int>(reply.size()))
            FTransactionID = static_cast<int>(FGDSLibrary->isc_vax_integer(&reply[3], static_cast<short>(length)));
    }
    return FTransactionID;
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* Value)
{
    if (Value == FDefaultDatabase)
        return;
    if (FDefaultDatabase) {
        TIBDatabase* old = FDefaultDatabase;
        RemoveFreeNotification(old);
        old->RemoveTransaction(old->FindTransaction(this));
        RemoveDatabase(FDatabases.Find(old));
    }
    FDefaultDatabase = Value;
    if (Value) {
        Value->AddTransaction(this);
        AddDatabase(Value);
        FreeNotification(Value);
        FSQLObjects.ForEach([Value](TIBBase* link, int) {
            if (!link->Database())
                link->SetDatabase(Value);
        });
    }
}

int TIBTransaction::AddDatabase(TIBDatabase* DB)
{
    const int slot = FDatabases.Find(DB);
    return slot >= 0 ? slot : FDatabases.Add(DB);
}

void TIBTransaction::RemoveDatabase(int Idx)
{
    TIBDatabase* database = FDatabases.Remove(Idx);
    if (!database)
        return;
    database->RemoveTransaction(database->FindTransaction(this));
    if (database == FDefaultDatabase) {
        RemoveFreeNotification(database);
        FDefaultDatabase = nullptr;
    }
}

void TIBTransaction::RemoveDatabases()
{
    for (int i = 0; i < FDatabases.Size(); ++i)
        RemoveDatabase(i);
}

TIBDatabase* TIBTransaction::FindDefaultDatabase() const
{
    if (FDefaultDatabase)
        return FDefaultDatabase;
    TIBDatabase* found = nullptr;
    FDatabases.ForEach([&](TIBDatabase* database, int) {
        if (!found && database->DefaultTransaction() == this)
            found = database;
    });
    return found;
}

void TIBTransaction::UnregisterSQLObject(int Idx)
{
    TIBBase* link = FSQLObjects.Remove(Idx);
    if (!link)
        return;
    link->FTransaction = nullptr;
    link->FIndexInTransaction = -1;
}

void TIBTransaction::IdleTimeout()
{
    if (!InTransaction())
        return;
    FinishTransaction(FDefaultAction, true);
    if (FOnIdleTimer)
        FOnIdleTimer(this);
}
