#pragma once
// Small byte routines shared by the toolkit: byte order swaps of 16- and 32-bit values, swapping a run of
// 16-bit units in place (big-endian UCS-2 names), and counting 2048-byte blocks.
#include "tarnwick_types.h"

class CTarnwick_Bytes {
public:
    static USHORT Swap16(USHORT p__USHORT__Value) {
        return static_cast<USHORT>((p__USHORT__Value >> 8) | (p__USHORT__Value << 8));
    }
    static ULONG Swap32(ULONG p__ULONG__Value) {
        return (p__ULONG__Value >> 24) | ((p__ULONG__Value >> 8) & 0x0000FF00u) |
               ((p__ULONG__Value << 8) & 0x00FF0000u) | (p__ULONG__Value << 24);
    }
    // Swaps the two bytes of each of p__ULONG__Count 16-bit units; the buffer need not be aligned.
    static void Swap16Array(PVOID p__PVOID__Buffer, ULONG p__ULONG__Count);
    // The number of 2048-byte blocks that hold p__LONGLONG__Bytes bytes (a non-negative count), rounded up.
    static LONGLONG BlocksOf2048(LONGLONG p__LONGLONG__Bytes);
};
