#include "PlatformManualResetEvent.h"

#include <chrono>

void PlatformManualResetEvent::Set() {
    // Notified under the lock: a waiter that wakes may destroy the event at once.
    std::lock_guard<std::mutex> l__Guard(m__Mutex);
    m__bool__IsSet = true;
    m__Condition.notify_all();
}

void PlatformManualResetEvent::Reset() {
    std::lock_guard<std::mutex> l__Guard(m__Mutex);
    m__bool__IsSet = false;
}

bool PlatformManualResetEvent::IsSet() {
    std::lock_guard<std::mutex> l__Guard(m__Mutex);
    return m__bool__IsSet;
}

bool PlatformManualResetEvent::Wait(uint32_t p__ULONG__TimeoutMilliseconds) {
    std::unique_lock<std::mutex> l__Lock(m__Mutex);
    if (p__ULONG__TimeoutMilliseconds == INFINITE_WAIT) {
        m__Condition.wait(l__Lock, [this] { return m__bool__IsSet; });
        return true;
    }
    return m__Condition.wait_for(l__Lock, std::chrono::milliseconds(p__ULONG__TimeoutMilliseconds),
                                 [this] { return m__bool__IsSet; });
}
