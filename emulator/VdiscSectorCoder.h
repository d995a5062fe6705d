#pragma once
#include <cstdint>

// The recorder's own CD sector arithmetic: EDC, the P and Q parity of the
// Reed-Solomon product code, the scrambler, sync and headers, and the Q
// sub-channel. It is kept apart from the toolkit's so that a fault there shows
// as a mismatch here; only the address arithmetic (CTarnwick_CdAddress) and the
// byte order routines are shared.
class VdiscSectorCoder {
public:
    static constexpr int RAW_SIZE = 2352;

    // CRC-32 of the sector EDC (polynomial x^32+x^31+x^16+x^15+x^4+x^3+x+1, LSB first).
    static uint32_t Edc(const uint8_t* p__PUCHAR__Data, uint32_t p__ULONG__Length);
    // Writes the 172 P and 104 Q parity bytes of a raw sector (bytes 2076-2351);
    // for Mode 2 the 4 header bytes count as zero.
    static void ComputeEcc(uint8_t* p__PUCHAR__Sector, bool p__bool__ZeroAddress);
    // True when bytes 2076-2351 hold the parity ComputeEcc would write (the sector is left as it was).
    static bool EccMatches(uint8_t* p__PUCHAR__Sector, bool p__bool__ZeroAddress);
    // XORs bytes 12-2351 with the scrambling sequence (it is its own inverse).
    static void Scramble(uint8_t* p__PUCHAR__Sector);

    // Full raw sectors built from user data (2352 bytes out).
    static void Mode1(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__User2048, uint8_t* p__PUCHAR__Raw);
    // Mode 2 with 8-byte subheader + 2048 (Form 1) or 2324 (Form 2) bytes, chosen by subheader bit 5 of byte 2.
    static void Mode2Xa(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__SubheaderAndData, uint8_t* p__PUCHAR__Raw);
    // Mode 2 formless: 2336 bytes after the header as given.
    static void Mode2Formless(int32_t p__LONG__Lba, const uint8_t* p__PUCHAR__Data2336, uint8_t* p__PUCHAR__Raw);
    static void SyncAndHeader(int32_t p__LONG__Lba, uint8_t p__UCHAR__Mode, uint8_t* p__PUCHAR__Raw);
    // True when the sector starts with the 12-byte sync pattern.
    static bool HasSync(const uint8_t* p__PUCHAR__Raw);

    // CRC-16 of Q sub-channel data (x^16+x^12+x^5+1, inverted), over 10 bytes.
    static uint16_t QCrc(const uint8_t* p__PUCHAR__Q10);
    // Spreads 12 Q bytes and the P flag into 96 raw P-W bytes (P bit 7, Q bit 6).
    static void SpreadPQ(const uint8_t* p__PUCHAR__Q12, bool p__bool__P, uint8_t* p__PUCHAR__Raw96);
    // Gathers the 12 Q bytes back from 96 raw P-W bytes.
    static void GatherQ(const uint8_t* p__PUCHAR__Raw96, uint8_t* p__PUCHAR__Q12);
};
