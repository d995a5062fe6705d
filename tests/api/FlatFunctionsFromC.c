/* Compiled as C: the public headers must be usable from a C program. */
#include "tarnwick.h"
#include "sonquill.h"
#include "wnaspi32.h"

int TarnwickTest_CallFlatFunctionsFromC(void) {
    ULONG version = 0;
    if (Tarnwick_UpStart() != 0) return 1;
    if (Tarnwick_GetVersion() != 0x20040814u) return 2;
    if (Sonquill_VersionGet(&version) != 0 || version != 0x20040814u) return 3;
    if (Tarnwick_DownShut() != 0) return 4;
    return 0;
}
