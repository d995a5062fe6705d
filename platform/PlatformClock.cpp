#include "PlatformClock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
PlatformSystemClock g__SystemClock;
std::atomic<PlatformClock*> g__Current{&g__SystemClock};
}  // namespace

PlatformClock& PlatformClock::Current() { return *g__Current.load(std::memory_order_acquire); }

PlatformClock* PlatformClock::Replace(PlatformClock* p__PlatformClock__Clock) {
    PlatformClock* l__PlatformClock__Old =
        g__Current.exchange(p__PlatformClock__Clock != nullptr ? p__PlatformClock__Clock : &g__SystemClock);
    return l__PlatformClock__Old == &g__SystemClock ? nullptr : l__PlatformClock__Old;
}

void PlatformSystemClock::Sleep(uint32_t p__ULONG__Milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(p__ULONG__Milliseconds));
}

uint32_t PlatformSystemClock::GetTickCount() {
    auto l__Now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(l__Now).count());
}
