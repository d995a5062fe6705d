#pragma once
#include <mutex>

// A critical section: a lock that the thread holding it may take again.
class PlatformRecursiveLock {
public:
    void Enter() { m__Mutex.lock(); }
    void Leave() { m__Mutex.unlock(); }
    // std::lock_guard support.
    void lock() { Enter(); }
    void unlock() { Leave(); }

private:
    std::recursive_mutex m__Mutex;
};
