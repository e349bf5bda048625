// TIdleTimer: the idle timer of a connection or a transaction. Each tick
// finds out whether a client call went through the owner since the previous
// tick; when none did, the owner's idle action runs. Every call through the
// owner marks it as used. The ticks come from the window system's timer on
// the one user-interface thread.
#pragma once

#include <functional>
#include <memory>

class QTimer;

class TIdleTimer {
public:
    // OnIdle runs on a tick after an interval without calls.
    explicit TIdleTimer(std::function<void()> OnIdle);
    ~TIdleTimer();
    TIdleTimer(const TIdleTimer&) = delete;
    TIdleTimer& operator=(const TIdleTimer&) = delete;

    // Milliseconds; 0 means no timer. A negative value is refused with
    // "Timeout values cannot be negative".
    int Interval() const;
    void SetInterval(int Milliseconds);
    // A call went through the owner.
    void MarkUsed() { FCanTimeout = false; }

private:
    void Tick();

    std::function<void()> FOnIdle;
    std::unique_ptr<QTimer> FTimer;
    bool FCanTimeout = false;
};
