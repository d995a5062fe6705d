#pragma once
#include <cstdint>

// What the recorder checks and learns of a raw Disc-At-Once run (write type 3), block by
// block as the host sends them: the Q record of each block against where the block lies,
// the table of contents the lead-in's Q records carry, and the sync, header, EDC and ECC
// of every data sector. The disc's tracks are then made from what it learned.
//
// Refusals raise ILLEGAL REQUEST with a reason for the command log:
//   21h/02h (invalid address for write) for a header address or Q absolute time that is not
//           the block's own address;
//   64h/00h (illegal mode for this track) for every other content fault: Q CRC, ADR, TNO,
//           POINT, index, control, relative time, an incomplete or contradictory TOC, sync,
//           mode, subheader, EDC and ECC.
// A run checks a WRITE on a copy and keeps the copy only when every block passed, so a
// refused WRITE leaves the run as it was.
class VdiscRawChecker {
public:
    static constexpr int NO_TRACK = 0;
    static constexpr int LEAD_OUT_AREA = 100;  // area index of the lead-out (0 is the lead-in, 1-99 the tracks)

    VdiscRawChecker();

    // Checks the blocks of one WRITE (2368 bytes: raw + P-Q, or 2448: raw + raw P-W) and
    // learns from them; raises the sense of the first block at fault.
    void Check(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Size);
    // Learns from one block recorded earlier (a run picked up again after the disc file was
    // reopened): positions are followed, the EDC and ECC of data sectors are not computed again.
    void Learn(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Block, uint32_t p__ULONG__Size);

    // The lead-in's table of contents was complete and coherent when the program area began.
    bool TocComplete() const { return m__bool__Complete; }
    int FirstTrack() const { return m__int__First; }
    int LastTrack() const { return m__int__Last; }
    int32_t LeadOut() const { return m__LONG__LeadOut; }
    // Disc type from A0's PSEC: 00h, 10h or 20h.
    uint8_t DiscType() const { return m__Items[A0].m__UCHAR__Msf[1]; }
    int32_t Start(int p__int__Track) const { return m__LONG__Start[p__int__Track]; }
    uint8_t Control(int p__int__Track) const { return m__Items[p__int__Track].m__UCHAR__Control; }
    // 1 or 2 from the track's data sectors (0 when none came).
    uint8_t Mode(int p__int__Track) const { return m__UCHAR__Mode[p__int__Track]; }
    // First block of the track that carried INDEX 00 (INT32_MAX when none did).
    int32_t IndexZero(int p__int__Track) const { return m__LONG__IndexZero[p__int__Track]; }

private:
    static constexpr int A0 = 100, A1 = 101, A2 = 102;
    struct TocItem {
        bool m__bool__Present = false;
        uint8_t m__UCHAR__Control = 0;
        uint8_t m__UCHAR__Msf[3] = {};  // PMIN, PSEC, PFRAME as recorded (BCD)
    };

    void Block(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Block, uint32_t p__ULONG__Size, bool p__bool__Verify);
    void LeadInQ(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Q);
    void CompleteToc(int32_t p__LONG__Lba);
    // The track whose range holds the LBA (NO_TRACK before the first track's start).
    int TrackHolding(int32_t p__LONG__Lba);
    void MainData(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Raw, int p__int__Area, bool p__bool__Verify);

    TocItem m__Items[103];  // by POINT: tracks 1-99, then A0, A1, A2
    bool m__bool__Complete = false;
    int m__int__First = 0, m__int__Last = 0;
    int m__int__Hint = 0;      // the track found last: blocks come in order
    int m__int__Previous = 0;  // the track of the last block with a position (ADR 1)
    int32_t m__LONG__LeadOut = 0;
    int32_t m__LONG__Start[100] = {};
    int32_t m__LONG__IndexZero[100];
    uint8_t m__UCHAR__Mode[101] = {};  // by area
};
