#pragma once
#include "tarnwick_types.h"

// What the command needs to know of a disc type (TARNWICK_DISC_TYPE_*): its name and kind.
class CTarnwick_CliDiscType {
public:
    // "CD-R", "DVD+RW", "BD-RE"..., "unknown medium" for TARNWICK_DISC_TYPE_UNSUPPORTED.
    static const char* Name(ULONG p__ULONG__Type);
    static bool IsCd(ULONG p__ULONG__Type);
    static bool IsBd(ULONG p__ULONG__Type);
    static bool IsDvd(ULONG p__ULONG__Type) { return p__ULONG__Type != 0 && !IsCd(p__ULONG__Type) && !IsBd(p__ULONG__Type); }
    // Erased with BLANK: CD-RW, DVD-RW (and the double-density CD-RW).
    static bool IsBlankable(ULONG p__ULONG__Type);
    // Formatted, and then written anywhere: DVD+RW, DVD-RAM, BD-RE.
    static bool IsFormattable(ULONG p__ULONG__Type);
    // Can be made empty again: blankable or formattable.
    static bool IsErasable(ULONG p__ULONG__Type) { return IsBlankable(p__ULONG__Type) || IsFormattable(p__ULONG__Type); }
    // A recordable or rewritable medium (not a pressed disc).
    static bool IsWritable(ULONG p__ULONG__Type);
    // Bytes a second of 1x when blocks of p__ULONG__BlockBytes are moved: 75 blocks a second on a
    // CD (176,400 bytes of 2,352-byte blocks), 1,385,000 bytes on a DVD, 4,495,500 on a BD; 0 for
    // no medium.
    static double BytesPerX(ULONG p__ULONG__Type, ULONG p__ULONG__BlockBytes = 2352);
    // KB/s of 1x as SET CD SPEED counts them (1000 bytes): 176, 1385, 4496.
    static unsigned long KilobytesPerX(ULONG p__ULONG__Type);
};
