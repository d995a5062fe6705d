#pragma once
// The pieces every raw CD block is made of when the host sends whole sectors with their
// sub-channel: the CD-ROM scrambler, the 12-byte sub-channel Q record with its CRC, the two
// sub-channel forms that follow the 2352-byte raw sector, and the raw sector of a block
// the host generates itself (lead-in, pre-gap, lead-out).
//
// Block forms (the size of one block is the form):
//   raw + P-Q     2368 bytes: raw sector, Q record at 2352-2363, 2364-2366 zero, byte 2367
//                 bit 7 the P flag;
//   raw + raw P-W 2448 bytes: raw sector, then one byte per sub-channel symbol (96): bit 7
//                 P, bit 6 Q, bits 0-5 (R to W) zero.
#include <cstdint>

#include "tarnwick_types.h"

class CTarnwick_RawSubchannel {
public:
    static constexpr ULONG RAW_SECTOR_BYTES = 2352;
    static constexpr ULONG Q_BYTES = 12;
    static constexpr ULONG RAW_PW_BYTES = 96;
    static constexpr ULONG PQ_BLOCK_BYTES = RAW_SECTOR_BYTES + 16;
    static constexpr ULONG RAW_PW_BLOCK_BYTES = RAW_SECTOR_BYTES + RAW_PW_BYTES;
    // The scrambled part of a raw sector: everything after the sync pattern.
    static constexpr ULONG SCRAMBLE_OFFSET = 12;
    static constexpr ULONG SCRAMBLE_BYTES = RAW_SECTOR_BYTES - SCRAMBLE_OFFSET;

    // CONTROL/ADR of a Q record in mode 1 (ADR 1): a data track, or audio without pre-emphasis.
    static constexpr UCHAR CONTROL_ADR_DATA = 0x41;
    static constexpr UCHAR CONTROL_ADR_AUDIO = 0x01;
    static UCHAR ControlAdr(BOOLEAN p__BOOLEAN__IsData) { return p__BOOLEAN__IsData ? CONTROL_ADR_DATA : CONTROL_ADR_AUDIO; }

    // XORs bytes 12-2351 of a raw sector with the scrambling sequence (its own inverse).
    static void Scramble(PUCHAR p__PUCHAR__Sector);
    // Scrambles a raw sector that is a data sector (the sync pattern, and a mode byte with
    // either of its low two bits set); TRUE when it did. Audio is left alone.
    static BOOLEAN ScrambleDataSector(PUCHAR p__PUCHAR__Sector);
    // The sequence itself, 2340 bytes, for whoever needs to look at it.
    static const UCHAR* ScramblingSequence();

    // The CRC of the first ten Q bytes as stored: polynomial 1021h, initial value 0, inverted.
    static USHORT QCrc(const UCHAR* p__PUCHAR__Q10);
    // Fills a 12-byte Q record: CONTROL/ADR, TNO, POINT or INDEX, MIN/SEC/FRAME, ZERO,
    // PMIN/PSEC/PFRAME or AMIN/ASEC/AFRAME, and the CRC high byte first.
    static void BuildQ(PUCHAR p__PUCHAR__Q12, UCHAR p__UCHAR__ControlAdr, UCHAR p__UCHAR__Tno, UCHAR p__UCHAR__PointOrIndex,
                       const UCHAR* p__PUCHAR__Msf, const UCHAR* p__PUCHAR__PointOrAbsoluteMsf);

    // Writes the sub-channel part of a block of the given form (the bytes after the raw
    // sector) from a Q record and the P flag.
    static void PutSubchannel(PUCHAR p__PUCHAR__Block, ULONG p__ULONG__BlockBytes, const UCHAR* p__PUCHAR__Q12,
                              BOOLEAN p__BOOLEAN__P);
    // The 96 raw P-W bytes of a Q record and P flag.
    static void SpreadQ(const UCHAR* p__PUCHAR__Q12, BOOLEAN p__BOOLEAN__P, PUCHAR p__PUCHAR__Raw96);
    // Back from 96 raw P-W bytes: the Q record (bit 6 of each byte, first byte the most
    // significant bit) and the P flag (bit 7 of the first byte).
    static void GatherQ(const UCHAR* p__PUCHAR__Raw96, PUCHAR p__PUCHAR__Q12, BOOLEAN* p__PBOOLEAN__P);

    // A generated raw sector with zero user data, ready to send: in a data session the
    // sync, the address of p__LONG__LBA, mode 1 with EDC and ECC (or mode 2 without them),
    // then scrambled; in an audio session 2352 zero bytes.
    static void BuildGeneratedSector(PUCHAR p__PUCHAR__Sector, LONG p__LONG__LBA, BOOLEAN p__BOOLEAN__IsData,
                                     BOOLEAN p__BOOLEAN__IsMode2);

    // TRUE for the two block forms.
    static BOOLEAN IsBlockForm(ULONG p__ULONG__BlockBytes) {
        return p__ULONG__BlockBytes == PQ_BLOCK_BYTES || p__ULONG__BlockBytes == RAW_PW_BLOCK_BYTES;
    }
};
