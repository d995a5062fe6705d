// Tarnwick_UpStart, Tarnwick_DownShut and Tarnwick_GetVersion.
#include <atomic>

#include "CTarnwick_FlatBoundary.h"
#include "TarnwickI_Started.h"
#include "sonquill.h"
#include "tarnwick.h"

namespace {
// Start and stop are called from one thread before and after all other work; the
// atomic only keeps readers on other threads well defined.
std::atomic<BOOLEAN> g__BOOLEAN__IsStarted{FALSE};
}  // namespace

BOOLEAN TarnwickI_IsStarted() { return g__BOOLEAN__IsStarted.load(); }

extern "C" ULONG Tarnwick_UpStart(void) {
    return CTarnwick_FlatBoundary::CallTree("Tarnwick:Tarnwick_UpStart", nullptr, 0, nullptr, [] {
        if (g__BOOLEAN__IsStarted.load()) return;
        (void)Sonquill_UpStart();
        g__BOOLEAN__IsStarted.store(TRUE);
    });
}

extern "C" ULONG Tarnwick_DownShut(void) {
    return CTarnwick_FlatBoundary::CallTree("Tarnwick:Tarnwick_DownShut", nullptr, 0, nullptr, [] {
        if (g__BOOLEAN__IsStarted.load()) (void)Sonquill_DownShut();
        g__BOOLEAN__IsStarted.store(FALSE);
    });
}

extern "C" ULONG Tarnwick_GetVersion(void) { return TARNWICK_VERSION; }
