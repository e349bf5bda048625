#include "ibclient/dataset/TCustomConnection.h"

#include "ibclient/dataset/TDataSet.h"

#include <algorithm>

TCustomConnection::TCustomConnection(TComponent* AOwner) : TComponent(AOwner) {}

TCustomConnection::~TCustomConnection() = default;

void TCustomConnection::SetConnected(bool Value)
{
    if (Value == GetConnected())
        return;
    if (Value) {
        DoBeforeConnect();
        DoConnect();
        SendConnectEvent(true);
        DoAfterConnect();
    } else {
        DoBeforeDisconnect();
        SendConnectEvent(false);
        DoDisconnect();
        DoAfterDisconnect();
    }
}

void TCustomConnection::RegisterClient(TDataSet* Client)
{
    if (std::find(FDataSets.begin(), FDataSets.end(), Client) == FDataSets.end())
        FDataSets.push_back(Client);
}

void TCustomConnection::UnRegisterClient(TDataSet* Client)
{
    std::erase(FDataSets, Client);
}

void TCustomConnection::SendConnectEvent(bool Connecting)
{
    // Walk a copy: a record set may unregister itself while it is told.
    const std::vector<TDataSet*> dataSets = FDataSets;
    for (TDataSet* dataSet : dataSets)
        if (std::find(FDataSets.begin(), FDataSets.end(), dataSet) != FDataSets.end())
            dataSet->DataEvent(deConnectChange, Connecting);
}

TDataSet* TCustomConnection::AsDataSet(TComponent* Component)
{
    return dynamic_cast<TDataSet*>(Component);
}
