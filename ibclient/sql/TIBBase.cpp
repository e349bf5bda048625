#include "ibclient/sql/TIBBase.h"

#include "ibclient/binding/EIBError.h"
#include "ibclient/sql/TIBDatabase.h"
#include "ibclient/sql/TIBTransaction.h"

TIBBase::TIBBase(TComponent* AOwner) : FOwner(AOwner) {}

TIBBase::~TIBBase()
{
    SetDatabase(nullptr);
    SetTransaction(nullptr);
}

void TIBBase::SetDatabase(TIBDatabase* Value)
{
    if (FDatabase)
        FDatabase->UnregisterSQLObject(FIndexInDatabase);
    FDatabase = Value;
    FIndexInDatabase = -1;
    if (Value) {
        FIndexInDatabase = Value->RegisterSQLObject(this);
        if (!FTransaction)
            SetTransaction(Value->FindDefaultTransaction());
    }
}

void TIBBase::SetTransaction(TIBTransaction* Value)
{
    if (FTransaction)
        FTransaction->UnregisterSQLObject(FIndexInTransaction);
    FTransaction = Value;
    FIndexInTransaction = -1;
    if (Value) {
        FIndexInTransaction = Value->RegisterSQLObject(this);
        if (!FDatabase)
            SetDatabase(Value->FindDefaultDatabase());
    }
}

isc_db_handle* TIBBase::DBHandle()
{
    CheckDatabase();
    return FDatabase->HandleAddress();
}

isc_tr_handle* TIBBase::TRHandle()
{
    CheckTransaction();
    return FTransaction->HandleAddress();
}

void TIBBase::CheckDatabase()
{
    if (!FDatabase)
        RaiseClientError(ceDatabaseNotAssigned);
    FDatabase->CheckActive();
}

void TIBBase::CheckTransaction()
{
    if (!FTransaction)
        RaiseClientError(ceTransactionNotAssigned);
    FTransaction->CheckInTransaction();
}

void TIBBase::DoBeforeDatabaseDisconnect()
{
    if (FBeforeDatabaseDisconnect)
        FBeforeDatabaseDisconnect(this);
}

void TIBBase::DoAfterDatabaseDisconnect()
{
    if (FAfterDatabaseDisconnect)
        FAfterDatabaseDisconnect(this);
}

void TIBBase::DoDatabaseFree()
{
    if (FOnDatabaseFree)
        FOnDatabaseFree(this);
    SetDatabase(nullptr);
}

void TIBBase::DoBeforeTransactionEnd()
{
    if (FBeforeTransactionEnd)
        FBeforeTransactionEnd(this);
}

void TIBBase::DoAfterTransactionEnd()
{
    if (FAfterTransactionEnd)
        FAfterTransactionEnd(this);
}

void TIBBase::DoTransactionFree()
{
    if (FOnTransactionFree)
        FOnTransactionFree(this);
    SetTransaction(nullptr);
}
