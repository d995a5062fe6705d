#pragma once
// A self-contained codec of raw 2352-byte CD-ROM sectors: builds sectors of the five data
// types and corrects damaged Mode 1 and Mode 2 Form 1 sectors with their P and Q
// Reed-Solomon parity, accepting a correction only when the sector's EDC holds.
#include "tarnwick_types.h"

// EncodeSector types.
inline constexpr LONG g__LONG__EncodeMode0 = 0;
inline constexpr LONG g__LONG__EncodeMode1 = 1;
inline constexpr LONG g__LONG__EncodeMode2 = 2;  // address and mode byte only
inline constexpr LONG g__LONG__EncodeMode2Form1 = 3;
inline constexpr LONG g__LONG__EncodeMode2Form2 = 4;

// CorrectSector types.
inline constexpr LONG g__LONG__CorrectMode1 = 2;
inline constexpr LONG g__LONG__CorrectMode2Form1 = 4;

// Writes the sync pattern, then, for types 0 to 4, the address of p__LONG__LBA (its absolute
// BCD minute, second, frame by CTarnwick_CdAddress: LBA + 150, lead-in LBAs from minute 90,
// other LBAs wrapped onto the 100-minute clock), the mode byte and what the type
// carries: type 0 zeroes bytes 16-2351; type 1 adds EDC, zero bytes 2068-2075, P and Q;
// type 2 nothing; type 3 the Form 1 EDC and the parity (taken with a zero header); type 4
// the Form 2 EDC. The user data and sub-header are the caller's. Returns 0, or -1 for
// another type (then only the sync pattern was written).
LONG EncodeSector(PUCHAR p__PUCHAR__Sector, LONG p__LONG__Type, LONG p__LONG__LBA);

// Restores the sync pattern (and, for type 4, zeroes bytes 12-15, which the Form 1 parity
// does not cover; they are zero on return) and corrects the sector with its P and Q
// parity. Returns 0 when the sector was intact as read, 1 when it was corrected (every P
// and Q code word then holds and so does the EDC), -1 when it cannot be corrected (the
// sector is left as read, but for the sync and header rule above), -2 for another type.
LONG CorrectSector(PUCHAR p__PUCHAR__Sector, LONG p__LONG__Type);
