#include "FakeClock.h"

FakeClock::FakeClock() { m__PlatformClock__Previous = PlatformClock::Replace(this); }

FakeClock::~FakeClock() { PlatformClock::Replace(m__PlatformClock__Previous); }

void FakeClock::Sleep(uint32_t p__ULONG__Milliseconds) {
    m__ULONG__Now += p__ULONG__Milliseconds;
    m__ULONGLONG__Slept += p__ULONG__Milliseconds;
    uint64_t l__ULONGLONG__Count = ++m__ULONGLONG__Sleeps;
    if (m__Hook) m__Hook(l__ULONGLONG__Count);
}
