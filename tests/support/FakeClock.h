#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

#include "PlatformClock.h"

// A clock whose Sleep returns at once and only moves the tick count on. Installed
// for its lifetime. An optional hook runs on every sleep (to change a scripted
// drive's answers as time passes).
class FakeClock : public PlatformClock {
public:
    FakeClock();
    ~FakeClock() override;
    void Sleep(uint32_t p__ULONG__Milliseconds) override;
    uint32_t GetTickCount() override { return m__ULONG__Now.load(); }

    uint64_t SleepCount() const { return m__ULONGLONG__Sleeps.load(); }
    uint64_t SleptMilliseconds() const { return m__ULONGLONG__Slept.load(); }
    void OnSleep(std::function<void(uint64_t)> p__Hook) { m__Hook = std::move(p__Hook); }

private:
    std::atomic<uint32_t> m__ULONG__Now{1000};
    std::atomic<uint64_t> m__ULONGLONG__Sleeps{0};
    std::atomic<uint64_t> m__ULONGLONG__Slept{0};
    std::function<void(uint64_t)> m__Hook;
    PlatformClock* m__PlatformClock__Previous;
};
