#pragma once
// Small byte routines shared by the toolkit: byte order swaps of 16- and 32-bit values, swapping a run of
// 16-bit units in place (big-endian UCS-2 names), counting 2048-byte blocks, the big-endian
// numbers of SCSI command blocks, pages and records, and the little- and both-endian numbers of
// disc file systems.
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
    // Big-endian numbers at a byte address (no alignment needed); Put stores the low bits.
    static ULONG GetBigEndian16(const UCHAR* p__PUCHAR__At) {
        return (static_cast<ULONG>(p__PUCHAR__At[0]) << 8) | p__PUCHAR__At[1];
    }
    static ULONG GetBigEndian24(const UCHAR* p__PUCHAR__At) {
        return (static_cast<ULONG>(p__PUCHAR__At[0]) << 16) | (static_cast<ULONG>(p__PUCHAR__At[1]) << 8) |
               p__PUCHAR__At[2];
    }
    static ULONG GetBigEndian32(const UCHAR* p__PUCHAR__At) {
        return (static_cast<ULONG>(p__PUCHAR__At[0]) << 24) | (static_cast<ULONG>(p__PUCHAR__At[1]) << 16) |
               (static_cast<ULONG>(p__PUCHAR__At[2]) << 8) | p__PUCHAR__At[3];
    }
    static void PutBigEndian16(PUCHAR p__PUCHAR__At, ULONG p__ULONG__Value) {
        p__PUCHAR__At[0] = static_cast<UCHAR>(p__ULONG__Value >> 8);
        p__PUCHAR__At[1] = static_cast<UCHAR>(p__ULONG__Value);
    }
    static void PutBigEndian24(PUCHAR p__PUCHAR__At, ULONG p__ULONG__Value) {
        p__PUCHAR__At[0] = static_cast<UCHAR>(p__ULONG__Value >> 16);
        PutBigEndian16(p__PUCHAR__At + 1, p__ULONG__Value);
    }
    static void PutBigEndian32(PUCHAR p__PUCHAR__At, ULONG p__ULONG__Value) {
        p__PUCHAR__At[0] = static_cast<UCHAR>(p__ULONG__Value >> 24);
        PutBigEndian24(p__PUCHAR__At + 1, p__ULONG__Value);
    }
    // Little-endian numbers at a byte address (no alignment needed); Put stores the low bits.
    static ULONG GetLittleEndian16(const UCHAR* p__PUCHAR__At) {
        return p__PUCHAR__At[0] | (static_cast<ULONG>(p__PUCHAR__At[1]) << 8);
    }
    static ULONG GetLittleEndian32(const UCHAR* p__PUCHAR__At) {
        return GetLittleEndian16(p__PUCHAR__At) | (GetLittleEndian16(p__PUCHAR__At + 2) << 16);
    }
    static void PutLittleEndian16(PUCHAR p__PUCHAR__At, ULONG p__ULONG__Value) {
        p__PUCHAR__At[0] = static_cast<UCHAR>(p__ULONG__Value);
        p__PUCHAR__At[1] = static_cast<UCHAR>(p__ULONG__Value >> 8);
    }
    static void PutLittleEndian32(PUCHAR p__PUCHAR__At, ULONG p__ULONG__Value) {
        PutLittleEndian16(p__PUCHAR__At, p__ULONG__Value);
        PutLittleEndian16(p__PUCHAR__At + 2, p__ULONG__Value >> 16);
    }
    static uint64_t GetLittleEndian64(const UCHAR* p__PUCHAR__At) {
        return GetLittleEndian32(p__PUCHAR__At) | (static_cast<uint64_t>(GetLittleEndian32(p__PUCHAR__At + 4)) << 32);
    }
    static void PutLittleEndian64(PUCHAR p__PUCHAR__At, uint64_t p__ULONGLONG__Value) {
        PutLittleEndian32(p__PUCHAR__At, static_cast<ULONG>(p__ULONGLONG__Value));
        PutLittleEndian32(p__PUCHAR__At + 4, static_cast<ULONG>(p__ULONGLONG__Value >> 32));
    }
    // Both-endian numbers of ISO9660 and its relatives: the little-endian copy, then the big-endian one.
    static void PutBothEndian16(PUCHAR p__PUCHAR__At, ULONG p__ULONG__Value) {
        PutLittleEndian16(p__PUCHAR__At, p__ULONG__Value);
        PutBigEndian16(p__PUCHAR__At + 2, p__ULONG__Value);
    }
    static void PutBothEndian32(PUCHAR p__PUCHAR__At, ULONG p__ULONG__Value) {
        PutLittleEndian32(p__PUCHAR__At, p__ULONG__Value);
        PutBigEndian32(p__PUCHAR__At + 4, p__ULONG__Value);
    }
    // The number of 2048-byte blocks that hold p__LONGLONG__Bytes bytes (a non-negative count), rounded up.
    static LONGLONG BlocksOf2048(LONGLONG p__LONGLONG__Bytes);
};
