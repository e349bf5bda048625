#include "ibclient/sql/TIdleTimer.h"

#include "ibclient/binding/EIBError.h"

#include <QTimer>

TIdleTimer::TIdleTimer(std::function<void()> OnIdle) : FOnIdle(std::move(OnIdle)) {}

TIdleTimer::~TIdleTimer() = default;

int TIdleTimer::Interval() const
{
    return FTimer ? FTimer->interval() : 0;
}

void TIdleTimer::SetInterval(int Milliseconds)
{
    if (Milliseconds < 0)
        RaiseClientError(ceTimeoutNegative);
    if (Milliseconds == 0) {
        FTimer.reset();
        return;
    }
    if (!FTimer) {
        FTimer = std::make_unique<QTimer>();
        QObject::connect(FTimer.get(), &QTimer::timeout, [this] { Tick(); });
    }
    FTimer->setInterval(Milliseconds);
    FTimer->start();
}

void TIdleTimer::Tick()
{
    // The flag is set again for the next round, after the owner's action
    // (whose own calls would otherwise count as use) and also when it fails.
    struct TRearm {
        bool& flag;
        ~TRearm() { flag = true; }
    } rearm{FCanTimeout};
    if (FCanTimeout && FOnIdle)
        FOnIdle();
}
