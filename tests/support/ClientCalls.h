// Watches the client calls a test makes: counts them by function name while
// installed, and can run an action just before the N-th call of a function
// (to cut a server off in the middle of an operation, say).
#pragma once

#include "ibclient/binding/IGDSLibrary.h"

#include <functional>
#include <map>
#include <string>

class TClientCalls : public TClientCallObserver {
public:
    TClientCalls() { SetClientCallObserver(this); }
    ~TClientCalls() override { SetClientCallObserver(nullptr); }
    TClientCalls(const TClientCalls&) = delete;
    TClientCalls& operator=(const TClientCalls&) = delete;

    // Calls of one function since installed (or since Reset).
    int Count(const std::string& function) const
    {
        const auto it = FCounts.find(function);
        return it == FCounts.end() ? 0 : it->second;
    }
    int Total() const
    {
        int total = 0;
        for (const auto& entry : FCounts)
            total += entry.second;
        return total;
    }
    void Reset() { FCounts.clear(); }

    // Runs Action just before the N-th call of Function (counting from 1).
    void Before(const std::string& function, int n, std::function<void()> action)
    {
        FBeforeFunction = function;
        FBeforeN = n;
        FAction = std::move(action);
    }

    bool BeforeCall(const char* name, ISC_STATUS*) override
    {
        const int n = ++FCounts[name];
        if (FAction && n == FBeforeN && FBeforeFunction == name) {
            auto action = std::move(FAction);
            FAction = nullptr;
            action();
        }
        return false;
    }

private:
    std::map<std::string, int> FCounts;
    std::string FBeforeFunction;
    int FBeforeN = 0;
    std::function<void()> FAction;
};
