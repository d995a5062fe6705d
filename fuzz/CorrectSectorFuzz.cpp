// CorrectSector on any sector: a raw 2352-byte block as read, or a sector encoded from the
// input's data and then damaged at the input's places. It never reads or writes outside the
// sector, a sector it calls intact or corrected is intact when checked again, one it cannot
// correct is left as read, and a single damaged byte is always put right.
#include <cstring>
#include <vector>

#include "FuzzInput.h"
#include "FuzzScratch.h"
#include "SectorCodec.h"

namespace {

constexpr size_t SECTOR = 2352;
constexpr size_t SYNC = 12;
constexpr size_t HEADER_END = 16;

// The bytes CorrectSector may change on a sector it cannot correct: the sync pattern, and
// for Mode 2 Form 1 the header, which it zeroes.
bool SameBeyondFixedBytes(const std::vector<uint8_t>& p__Before, const std::vector<uint8_t>& p__After, bool p__bool__Form1) {
    const size_t l__size_t__From = p__bool__Form1 ? HEADER_END : SYNC;
    return std::memcmp(p__Before.data() + l__size_t__From, p__After.data() + l__size_t__From, SECTOR - l__size_t__From) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    FuzzInput l__Input(p__PUCHAR__Data, p__size_t__Size);
    const uint8_t l__UCHAR__Choice = l__Input.Byte();
    const bool l__bool__Form1 = (l__UCHAR__Choice & 1) != 0;
    const LONG l__LONG__Type = l__bool__Form1 ? g__LONG__CorrectMode2Form1 : g__LONG__CorrectMode1;

    // An exact-size heap copy, so that AddressSanitizer sees any access past the sector.
    std::vector<uint8_t> l__Sector;
    std::vector<uint8_t> l__Original;
    size_t l__size_t__Damaged = 0;
    size_t l__size_t__DamagedAt = 0;
    if ((l__UCHAR__Choice & 2) == 0) {
        l__Sector = l__Input.Padded(SECTOR);
    } else {
        // A good sector of the input's data at the input's address, then damaged.
        const LONG l__LONG__Lba = static_cast<LONG>(l__Input.Big32() % 450000) - 150;
        l__Sector = l__Input.Padded(SECTOR);
        if (EncodeSector(l__Sector.data(), l__bool__Form1 ? g__LONG__EncodeMode2Form1 : g__LONG__EncodeMode1, l__LONG__Lba) != 0)
            FuzzFail("EncodeSector refused a data type");
        l__Original = l__Sector;
        const uint32_t l__ULONG__Errors = l__Input.Below(8);
        for (uint32_t l__ULONG__I = 0; l__ULONG__I < l__ULONG__Errors; ++l__ULONG__I) {
            const size_t l__size_t__At = l__Input.Below(SECTOR);
            l__Sector[l__size_t__At] ^= l__Input.Byte() | 1;
        }
        for (size_t l__size_t__At = 0; l__size_t__At < SECTOR; ++l__size_t__At) {
            if (l__Sector[l__size_t__At] == l__Original[l__size_t__At]) continue;
            ++l__size_t__Damaged;
            l__size_t__DamagedAt = l__size_t__At;
        }
    }

    const std::vector<uint8_t> l__Read = l__Sector;
    const LONG l__LONG__Result = CorrectSector(l__Sector.data(), l__LONG__Type);
    FUZZ_CHECK(l__LONG__Result == -1 || l__LONG__Result == 0 || l__LONG__Result == 1);
    if (l__LONG__Result == -1) {
        FUZZ_CHECK(SameBeyondFixedBytes(l__Read, l__Sector, l__bool__Form1));
    } else {
        // What it calls intact or corrected holds when it is checked again.
        std::vector<uint8_t> l__Again = l__Sector;
        FUZZ_CHECK(CorrectSector(l__Again.data(), l__LONG__Type) == 0);
        FUZZ_CHECK(l__Again == l__Sector);
    }
    FUZZ_CHECK(CorrectSector(l__Sector.data(), 3) == -2);

    // One damaged byte anywhere is within reach of the P or Q parity (or is the sync, which is
    // restored): the sector comes back as it was written.
    if (!l__Original.empty() && l__size_t__Damaged == 1 && !(l__bool__Form1 && l__size_t__DamagedAt >= SYNC && l__size_t__DamagedAt < HEADER_END)) {
        FUZZ_CHECK(l__LONG__Result == 1);
        if (l__bool__Form1) std::memset(l__Original.data() + SYNC, 0, HEADER_END - SYNC);
        FUZZ_CHECK(l__Sector == l__Original);
    }
    return 0;
}
