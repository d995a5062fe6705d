#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

// A manual-reset event: once set it stays set, releasing every waiter, until reset.
class PlatformManualResetEvent {
public:
    static constexpr uint32_t INFINITE_WAIT = 0xFFFFFFFFu;

    explicit PlatformManualResetEvent(bool p__bool__InitiallySet = false) : m__bool__IsSet(p__bool__InitiallySet) {}
    void Set();
    void Reset();
    bool IsSet();
    // Waits until the event is set or the time-out (real milliseconds) runs out; true when set.
    bool Wait(uint32_t p__ULONG__TimeoutMilliseconds = INFINITE_WAIT);

private:
    std::mutex m__Mutex;
    std::condition_variable m__Condition;
    bool m__bool__IsSet;
};
