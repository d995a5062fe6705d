#pragma once
// CD addresses as minute, second and frame (75 frames a second, 60 seconds a minute) on a
// clock of 100 minutes, 00:00:00 to 99:59:74, in binary or as two BCD digits each.
//
// An absolute address is the LBA plus 150 (LBA 0 is 00:02:00, LBA -150 is 00:00:00) taken
// modulo 100 minutes, so the lead-in's LBAs -45150 to -151 read 90:00:00 to 99:59:74 (LBA +
// 450150). A relative address, a count of blocks such as a track time in sub-channel Q, has
// no offset. Reading an address back takes minutes 90 to 99 as the lead-in (negative LBAs)
// and anything below as the program area, unless the caller knows the address lies in the
// program area (a cue sheet).
//
// The one out-of-range rule: a conversion to minute, second and frame always writes the
// value's place on the clock (wrapped modulo 100 minutes, never anything else) and returns
// TRUE only when that address stands for the value alone and so reads back to it: absolute
// LBAs -45150 to 404849 (from 90 minutes on the program area reads like the lead-in),
// relative counts 0 to 449999. Reading back does not check the fields; IsValidMsf does.
#include "tarnwick_types.h"

class CTarnwick_CdAddress {
public:
    static constexpr LONG FRAMES_PER_SECOND = 75;
    static constexpr LONG SECONDS_PER_MINUTE = 60;
    static constexpr LONG FRAMES_PER_MINUTE = FRAMES_PER_SECOND * SECONDS_PER_MINUTE;
    static constexpr LONG CLOCK_MINUTES = 100;
    static constexpr LONG CLOCK_FRAMES = CLOCK_MINUTES * FRAMES_PER_MINUTE;
    // LBA 0 is two seconds into the clock.
    static constexpr LONG PROGRAM_OFFSET = 2 * FRAMES_PER_SECOND;
    // Minutes from here on are the lead-in.
    static constexpr LONG LEAD_IN_MINUTE = 90;
    // A lead-in address's frame count minus this is its LBA.
    static constexpr LONG LEAD_IN_OFFSET = CLOCK_FRAMES + PROGRAM_OFFSET;
    // The LBAs whose absolute address converts back to them: 90:00:00 to 89:59:74.
    static constexpr LONG FIRST_LBA = LEAD_IN_MINUTE * FRAMES_PER_MINUTE - LEAD_IN_OFFSET;
    static constexpr LONG LAST_LBA = LEAD_IN_MINUTE * FRAMES_PER_MINUTE - PROGRAM_OFFSET - 1;

    // Absolute address of an LBA into p__PUCHAR__MSF[0..2]. Inline: the sector codec
    // converts one for every sector it encodes.
    static BOOLEAN LbaToMsf(LONG p__LONG__LBA, PUCHAR p__PUCHAR__MSF) {
        Store(LONGLONG(p__LONG__LBA) + PROGRAM_OFFSET, p__PUCHAR__MSF, false);
        return IsUnambiguous(p__LONG__LBA);
    }
    static BOOLEAN LbaToMsfBcd(LONG p__LONG__LBA, PUCHAR p__PUCHAR__MSF) {
        Store(LONGLONG(p__LONG__LBA) + PROGRAM_OFFSET, p__PUCHAR__MSF, true);
        return IsUnambiguous(p__LONG__LBA);
    }
    // Relative address of a block count into p__PUCHAR__MSF[0..2].
    static BOOLEAN BlocksToMsf(LONG p__LONG__Blocks, PUCHAR p__PUCHAR__MSF);
    static BOOLEAN BlocksToMsfBcd(LONG p__LONG__Blocks, PUCHAR p__PUCHAR__MSF);
    // TRUE for the LBAs whose absolute address reads back to them (FIRST_LBA to LAST_LBA).
    static BOOLEAN IsUnambiguous(LONG p__LONG__LBA) {
        return p__LONG__LBA >= FIRST_LBA && p__LONG__LBA <= LAST_LBA;
    }

    // The LBA of an absolute address: minutes 90 and up are the lead-in.
    static LONG MsfToLba(ULONG p__ULONG__Minute, ULONG p__ULONG__Second, ULONG p__ULONG__Frame);
    static LONG MsfBcdToLba(const UCHAR* p__PUCHAR__MSF);
    // The LBA of an absolute address known to lie in the program area (no lead-in rule).
    static LONG ProgramMsfToLba(ULONG p__ULONG__Minute, ULONG p__ULONG__Second, ULONG p__ULONG__Frame) {
        return MsfToBlocks(p__ULONG__Minute, p__ULONG__Second, p__ULONG__Frame) - PROGRAM_OFFSET;
    }
    // The block count of a relative address.
    static LONG MsfToBlocks(ULONG p__ULONG__Minute, ULONG p__ULONG__Second, ULONG p__ULONG__Frame) {
        return static_cast<LONG>(p__ULONG__Minute * FRAMES_PER_MINUTE + p__ULONG__Second * FRAMES_PER_SECOND +
                                 p__ULONG__Frame);
    }
    // TRUE when the fields lie on the clock (minute below 100, second below 60, frame below 75).
    static BOOLEAN IsValidMsf(ULONG p__ULONG__Minute, ULONG p__ULONG__Second, ULONG p__ULONG__Frame) {
        return p__ULONG__Minute < CLOCK_MINUTES && p__ULONG__Second < SECONDS_PER_MINUTE &&
               p__ULONG__Frame < FRAMES_PER_SECOND;
    }

    // Two BCD digits of a value's last two decimal digits, and back.
    static UCHAR ToBcd(ULONG p__ULONG__Value) {
        return static_cast<UCHAR>((((p__ULONG__Value / 10) % 10) << 4) | (p__ULONG__Value % 10));
    }
    static ULONG FromBcd(UCHAR p__UCHAR__Value) { return (p__UCHAR__Value >> 4) * 10u + (p__UCHAR__Value & 0x0Fu); }
    static BOOLEAN IsBcd(UCHAR p__UCHAR__Value) { return (p__UCHAR__Value >> 4) <= 9 && (p__UCHAR__Value & 0x0F) <= 9; }

    // Writes the place of a frame count on the clock (64-bit, so that no 32-bit LBA plus its
    // offset overflows; the remainder is taken non-negative).
    static void Store(LONGLONG p__LONGLONG__Frames, PUCHAR p__PUCHAR__MSF, bool p__bool__Bcd) {
        LONGLONG l__LONGLONG__OnClock = p__LONGLONG__Frames % CLOCK_FRAMES;
        if (l__LONGLONG__OnClock < 0) l__LONGLONG__OnClock += CLOCK_FRAMES;
        const ULONG l__ULONG__Frames = static_cast<ULONG>(l__LONGLONG__OnClock);
        const ULONG l__ULONG__Field[3] = {l__ULONG__Frames / FRAMES_PER_MINUTE,
                                          l__ULONG__Frames % FRAMES_PER_MINUTE / FRAMES_PER_SECOND,
                                          l__ULONG__Frames % FRAMES_PER_SECOND};
        for (int l__int__Index = 0; l__int__Index < 3; ++l__int__Index)
            p__PUCHAR__MSF[l__int__Index] =
                p__bool__Bcd ? ToBcd(l__ULONG__Field[l__int__Index]) : static_cast<UCHAR>(l__ULONG__Field[l__int__Index]);
    }
};
