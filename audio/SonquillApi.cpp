// Start, stop and version of the compressed-audio toolkit.
#include "DebugPrint.h"
#include "sonquill.h"

extern "C" ULONG Sonquill_UpStart(void) {
    DebugPrint("\nSonquill  Media Streaming Toolkit for Windows 95/98/Me/NT/2000/XP/2003  Version 4.0.0 ( 0x%08X )\n",
               SONQUILL_VERSION);
    // The media runtime needs no per-thread initialisation on this platform.
    return 0;
}

extern "C" ULONG Sonquill_DownShut(void) { return 0; }

extern "C" ULONG Sonquill_VersionGet(PULONG p__PULONG__Version) {
    if (p__PULONG__Version == nullptr) return 87;
    *p__PULONG__Version = SONQUILL_VERSION;
    return 0;
}
