#pragma once
#include <cstdint>

// The one clock of the toolkit: Sleep and GetTickCount go through the current
// clock, which tests replace so that long retry and polling loops run at once.
class PlatformClock {
public:
    virtual ~PlatformClock() = default;
    virtual void Sleep(uint32_t p__ULONG__Milliseconds) = 0;
    // Milliseconds since an arbitrary start, wrapping at 2^32.
    virtual uint32_t GetTickCount() = 0;

    // The clock in use (the system clock unless replaced).
    static PlatformClock& Current();
    // Installs a clock (nullptr restores the system clock); returns the one it replaced.
    static PlatformClock* Replace(PlatformClock* p__PlatformClock__Clock);
};

// Real time: nanosleep and the monotonic clock.
class PlatformSystemClock : public PlatformClock {
public:
    void Sleep(uint32_t p__ULONG__Milliseconds) override;
    uint32_t GetTickCount() override;
};

inline void Sleep(uint32_t p__ULONG__Milliseconds) { PlatformClock::Current().Sleep(p__ULONG__Milliseconds); }
inline uint32_t GetTickCount() { return PlatformClock::Current().GetTickCount(); }
