// TCustomConnection: the generic connection component. Assigning Connected
// runs the connect or disconnect protocol around the concrete connection's
// DoConnect and DoDisconnect, with the four events, and tells the registered
// record sets about each change (a connection-changed data event).
#pragma once

#include "ibclient/base/TComponent.h"

#include <functional>
#include <vector>

class TDataSet;

class TCustomConnection : public TComponent {
public:
    using TNotifyEvent = std::function<void(TCustomConnection* Sender)>;

    explicit TCustomConnection(TComponent* AOwner);
    ~TCustomConnection() override;

    bool Connected() { return GetConnected(); }
    // Assigning the current state does nothing at all.
    void SetConnected(bool Value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool Value) { FLoginPrompt = Value; }

    void SetBeforeConnect(TNotifyEvent e) { FBeforeConnect = std::move(e); }
    void SetAfterConnect(TNotifyEvent e) { FAfterConnect = std::move(e); }
    void SetBeforeDisconnect(TNotifyEvent e) { FBeforeDisconnect = std::move(e); }
    void SetAfterDisconnect(TNotifyEvent e) { FAfterDisconnect = std::move(e); }

    // Record sets registered as clients receive the connection-changed event.
    void RegisterClient(TDataSet* Client);
    void UnRegisterClient(TDataSet* Client);
    int DataSetCount() const { return static_cast<int>(FDataSets.size()); }
    TDataSet* DataSets(int Index) const { return FDataSets.at(static_cast<std::size_t>(Index)); }

    // The record set that a component is, or none.
    static TDataSet* AsDataSet(TComponent* Component);

protected:
    virtual bool GetConnected() = 0;
    virtual void DoConnect() = 0;
    virtual void DoDisconnect() = 0;
    // Tells every registered record set that the connection changed.
    void SendConnectEvent(bool Connecting);

    void DoBeforeConnect() { if (FBeforeConnect) FBeforeConnect(this); }
    void DoAfterConnect() { if (FAfterConnect) FAfterConnect(this); }
    void DoBeforeDisconnect() { if (FBeforeDisconnect) FBeforeDisconnect(this); }
    void DoAfterDisconnect() { if (FAfterDisconnect) FAfterDisconnect(this); }

    // The connect-when-loaded mark of a stored form; never set here.
    bool FStreamedConnected = false;

private:
    bool FLoginPrompt = true;
    TNotifyEvent FBeforeConnect, FAfterConnect, FBeforeDisconnect, FAfterDisconnect;
    std::vector<TDataSet*> FDataSets;
};
