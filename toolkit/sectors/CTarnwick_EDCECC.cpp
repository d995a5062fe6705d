#include "CTarnwick_EDCECC.h"

#include <cstring>

#include "DebugPrint.h"
#include "MmcDumps.h"
#include "SectorArithmetic.h"
#include "SectorCodec.h"

using namespace SectorArithmetic;

namespace {

// One multiplication table: T[k] = k * alpha^c.
void BuildMultiplicationTable(PUCHAR p__PUCHAR__Table, UCHAR p__UCHAR__CoefficientLog) {
    p__PUCHAR__Table[0] = 0;
    for (ULONG l__ULONG__Value = 1; l__ULONG__Value < 256; ++l__ULONG__Value)
        p__PUCHAR__Table[l__ULONG__Value] =
            g__Galois.m__UCHAR__Exp[g__Galois.m__UCHAR__Log[l__ULONG__Value] + p__UCHAR__CoefficientLog];
}

// Where the area an EDC covers starts, and where the EDC lies (the area ends there).
void EdcArea(ULONG p__ULONG__Mode, BOOLEAN p__BOOLEAN__IsForm1, PULONG p__PULONG__Start, PULONG p__PULONG__Edc) {
    if (p__ULONG__Mode == 1) {
        *p__PULONG__Start = 0;
        *p__PULONG__Edc = g__ULONG__Mode1EdcOffset;
    } else {
        *p__PULONG__Start = g__ULONG__SubHeaderOffset;
        *p__PULONG__Edc = p__BOOLEAN__IsForm1 ? g__ULONG__Form1EdcOffset : g__ULONG__Form2EdcOffset;
    }
}

// The two parity words of one code word position, both byte lanes, kept in registers.
struct ParityPair {
    UCHAR m__UCHAR__FirstHigh = 0, m__UCHAR__FirstLow = 0, m__UCHAR__SecondHigh = 0, m__UCHAR__SecondLow = 0;

    // Adds one data word times the coefficients whose tables are p__PUCHAR__T0 and p__PUCHAR__T1.
    void Add(const UCHAR* p__PUCHAR__T0, const UCHAR* p__PUCHAR__T1, const UCHAR* p__PUCHAR__Word) {
        m__UCHAR__FirstHigh ^= p__PUCHAR__T0[p__PUCHAR__Word[0]];
        m__UCHAR__FirstLow ^= p__PUCHAR__T0[p__PUCHAR__Word[1]];
        m__UCHAR__SecondHigh ^= p__PUCHAR__T1[p__PUCHAR__Word[0]];
        m__UCHAR__SecondLow ^= p__PUCHAR__T1[p__PUCHAR__Word[1]];
    }
    // Stores the first parity word at p__PUCHAR__First and the second p__ULONG__Distance bytes after it.
    void Store(PUCHAR p__PUCHAR__First, ULONG p__ULONG__Distance) const {
        p__PUCHAR__First[0] = m__UCHAR__FirstHigh;
        p__PUCHAR__First[1] = m__UCHAR__FirstLow;
        p__PUCHAR__First[p__ULONG__Distance] = m__UCHAR__SecondHigh;
        p__PUCHAR__First[p__ULONG__Distance + 1] = m__UCHAR__SecondLow;
    }
};

}  // namespace

CTarnwick_EDCECC::CTarnwick_EDCECC() {
    for (ULONG l__ULONG__Symbol = 0; l__ULONG__Symbol < 2; ++l__ULONG__Symbol) {
        for (ULONG l__ULONG__Row = 0; l__ULONG__Row < g__ULONG__PDataRows; ++l__ULONG__Row)
            BuildMultiplicationTable(m__UCHAR__PTables[l__ULONG__Symbol][l__ULONG__Row],
                                     g__PCoefficients.m__UCHAR__Log[l__ULONG__Symbol][l__ULONG__Row]);
        for (ULONG l__ULONG__Position = 0; l__ULONG__Position < g__ULONG__QDataWords; ++l__ULONG__Position)
            BuildMultiplicationTable(m__UCHAR__QTables[l__ULONG__Symbol][l__ULONG__Position],
                                     g__QCoefficients.m__UCHAR__Log[l__ULONG__Symbol][l__ULONG__Position]);
    }
    for (ULONG l__ULONG__Index = 0; l__ULONG__Index < 6020; ++l__ULONG__Index)
        m__ULONG__QIndex[l__ULONG__Index] = l__ULONG__Index % g__ULONG__QArea;
}

CTarnwick_EDCECC::~CTarnwick_EDCECC() = default;

BOOLEAN CTarnwick_EDCECC::CalculateEDC(const UCHAR* p__PUCHAR__Sector, ULONG p__ULONG__Mode,
                                       BOOLEAN p__BOOLEAN__IsForm1) {
    ULONG l__ULONG__Start, l__ULONG__EdcOffset;
    EdcArea(p__ULONG__Mode, p__BOOLEAN__IsForm1, &l__ULONG__Start, &l__ULONG__EdcOffset);
    ULONG l__ULONG__Ours = ComputeEdc(p__PUCHAR__Sector + l__ULONG__Start, l__ULONG__EdcOffset - l__ULONG__Start);
    ULONG l__ULONG__Stored = LoadEdc(p__PUCHAR__Sector + l__ULONG__EdcOffset);
    if (l__ULONG__Ours == l__ULONG__Stored) return TRUE;
    DebugPrint("\nCTarnwick_EDCECC::CalculateEDC(): 0x%08X [our] vs 0x%08X [LB], Mode %ld, MODE2Form %ld\n",
               l__ULONG__Ours, l__ULONG__Stored, (long)p__ULONG__Mode, (long)p__BOOLEAN__IsForm1);
    return FALSE;
}

void CTarnwick_EDCECC::GenerateEDC(PUCHAR p__PUCHAR__Sector, ULONG p__ULONG__Mode, BOOLEAN p__BOOLEAN__IsForm1) {
    ULONG l__ULONG__Start, l__ULONG__EdcOffset;
    EdcArea(p__ULONG__Mode, p__BOOLEAN__IsForm1, &l__ULONG__Start, &l__ULONG__EdcOffset);
    StoreEdc(p__PUCHAR__Sector + l__ULONG__EdcOffset,
             ComputeEdc(p__PUCHAR__Sector + l__ULONG__Start, l__ULONG__EdcOffset - l__ULONG__Start));
}

// P parity: each of the 43 columns (both byte lanes) of rows 0-23 gives two parity
// words, 86 bytes apart; a column is summed in registers, walking down the rows.
void CTarnwick_EDCECC::ComputeECCP(const UCHAR* p__PUCHAR__Sector, PUCHAR p__PUCHAR__Parity) {
    const UCHAR* l__PUCHAR__Data = p__PUCHAR__Sector + g__ULONG__HeaderOffset;
    for (ULONG l__ULONG__Byte = 0; l__ULONG__Byte < g__ULONG__RowSize; l__ULONG__Byte += 2) {
        ParityPair l__Parity;
        for (ULONG l__ULONG__Row = 0; l__ULONG__Row < g__ULONG__PDataRows; ++l__ULONG__Row)
            l__Parity.Add(m__UCHAR__PTables[0][l__ULONG__Row], m__UCHAR__PTables[1][l__ULONG__Row],
                          l__PUCHAR__Data + l__ULONG__Byte + g__ULONG__RowSize * l__ULONG__Row);
        l__Parity.Store(p__PUCHAR__Parity + l__ULONG__Byte, g__ULONG__RowSize);
    }
}

// Q parity: diagonal d takes the byte pair at (86 d + 88 m) mod 2236 from byte 12 as its
// symbol m; the index table does the modulo. Its parity words lie 52 bytes apart.
void CTarnwick_EDCECC::ComputeECCQ(const UCHAR* p__PUCHAR__Sector, PUCHAR p__PUCHAR__Parity) {
    const UCHAR* l__PUCHAR__Data = p__PUCHAR__Sector + g__ULONG__HeaderOffset;
    for (ULONG l__ULONG__Diagonal = 0; l__ULONG__Diagonal < g__ULONG__QDiagonals; ++l__ULONG__Diagonal) {
        const ULONG* l__PULONG__Index = m__ULONG__QIndex + g__ULONG__RowSize * l__ULONG__Diagonal;
        ParityPair l__Parity;
        for (ULONG l__ULONG__Position = 0; l__ULONG__Position < g__ULONG__QDataWords; ++l__ULONG__Position)
            l__Parity.Add(m__UCHAR__QTables[0][l__ULONG__Position], m__UCHAR__QTables[1][l__ULONG__Position],
                          l__PUCHAR__Data + l__PULONG__Index[88 * l__ULONG__Position]);
        l__Parity.Store(p__PUCHAR__Parity + 2 * l__ULONG__Diagonal, 2 * g__ULONG__QDiagonals);
    }
}

void CTarnwick_EDCECC::GenerateECCP(PUCHAR p__PUCHAR__Sector) {
    ComputeECCP(p__PUCHAR__Sector, p__PUCHAR__Sector + g__ULONG__POffset);
}

void CTarnwick_EDCECC::GenerateECCQ(PUCHAR p__PUCHAR__Sector) {
    ComputeECCQ(p__PUCHAR__Sector, p__PUCHAR__Sector + g__ULONG__QOffset);
}

BOOLEAN CTarnwick_EDCECC::VerifySync(const UCHAR* p__PUCHAR__Sector) {
    return std::memcmp(p__PUCHAR__Sector, g__UCHAR__Sync, sizeof(g__UCHAR__Sync)) == 0;
}

BOOLEAN CTarnwick_EDCECC::VerifyHeader(const UCHAR* p__PUCHAR__Sector, UCHAR p__UCHAR__Mode) {
    return p__PUCHAR__Sector[15] == p__UCHAR__Mode;
}

BOOLEAN CTarnwick_EDCECC::VerifySubHeader(const UCHAR* p__PUCHAR__SubHeader, PULONG p__PULONG__Form) {
    *p__PULONG__Form = (p__PUCHAR__SubHeader[2] & 0x20) ? 2 : 1;
    return std::memcmp(p__PUCHAR__SubHeader, p__PUCHAR__SubHeader + 4, 4) == 0;
}

BOOLEAN CTarnwick_EDCECC::CheckECCP(const UCHAR* p__PUCHAR__Sector) {
    UCHAR l__UCHAR__Parity[172];
    ComputeECCP(p__PUCHAR__Sector, l__UCHAR__Parity);
    return std::memcmp(l__UCHAR__Parity, p__PUCHAR__Sector + g__ULONG__POffset, sizeof(l__UCHAR__Parity)) == 0;
}

BOOLEAN CTarnwick_EDCECC::CheckECCQ(const UCHAR* p__PUCHAR__Sector) {
    UCHAR l__UCHAR__Parity[104];
    ComputeECCQ(p__PUCHAR__Sector, l__UCHAR__Parity);
    return std::memcmp(l__UCHAR__Parity, p__PUCHAR__Sector + g__ULONG__QOffset, sizeof(l__UCHAR__Parity)) == 0;
}

BOOLEAN CTarnwick_EDCECC::CheckMODE1LB(PUCHAR p__PUCHAR__Sector) {
    if (!VerifySync(p__PUCHAR__Sector)) {
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE1LB(): VerifySync() failed!!!\n");
        return FALSE;
    }
    if (!VerifyHeader(p__PUCHAR__Sector, 1)) {
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE1LB(): VerifyHeader() failed!!!\n");
        return FALSE;
    }
    if (!CalculateEDC(p__PUCHAR__Sector, 1, FALSE)) {
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE1LB(): CalculateEDC() failed!!!\n");
        return FALSE;
    }
    if (!CheckECCP(p__PUCHAR__Sector)) {
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE1LB(): CheckECCP() failed!!!\n");
        return FALSE;
    }
    return CheckECCQ(p__PUCHAR__Sector);
}

BOOLEAN CTarnwick_EDCECC::CheckMODE2LB(PUCHAR p__PUCHAR__Sector) {
    if (!VerifySync(p__PUCHAR__Sector)) {
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE2LB(): VerifySync() failed!!!\n");
        return FALSE;
    }
    if (!VerifyHeader(p__PUCHAR__Sector, 2)) {
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE2LB(): VerifyHeader() failed!!!\n");
        return FALSE;
    }
    ULONG l__ULONG__Form = 1;
    if (!VerifySubHeader(p__PUCHAR__Sector + g__ULONG__SubHeaderOffset, &l__ULONG__Form)) {
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE2LB(): VerifySubHeader() failed!!!\n");
        return FALSE;
    }
    if (l__ULONG__Form == 2) return TRUE;
    if (!CalculateEDC(p__PUCHAR__Sector, 2, TRUE)) {
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE2LB(): CalculateEDC() failed!!!\n");
        return FALSE;
    }
    // The parity of a Mode 2 sector is computed with its address and mode bytes taken as
    // zero. They are put back whatever the outcome: a check must not alter what it checks.
    UCHAR l__UCHAR__Header[4];
    std::memcpy(l__UCHAR__Header, p__PUCHAR__Sector + g__ULONG__HeaderOffset, 4);
    std::memset(p__PUCHAR__Sector + g__ULONG__HeaderOffset, 0, 4);
    BOOLEAN l__BOOLEAN__IsIntact = FALSE;
    if (!CheckECCP(p__PUCHAR__Sector))
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE2LB(): CheckECCP() failed!!!\n");
    else if (!CheckECCQ(p__PUCHAR__Sector))
        DebugPrint("\nCTarnwick_EDCECC::CheckMODE2LB(): CheckECCQ() failed!!!\n");
    else
        l__BOOLEAN__IsIntact = TRUE;
    std::memcpy(p__PUCHAR__Sector + g__ULONG__HeaderOffset, l__UCHAR__Header, 4);
    return l__BOOLEAN__IsIntact;
}

BOOLEAN CTarnwick_EDCECC::CheckLB(PUCHAR p__PUCHAR__Sector, ULONG p__ULONG__Kind) {
    LONG l__LONG__Type;
    if (p__ULONG__Kind == 1) {
        if (CheckMODE1LB(p__PUCHAR__Sector)) return TRUE;
        l__LONG__Type = g__LONG__CorrectMode1;
    } else if (p__ULONG__Kind == 2) {
        if (CheckMODE2LB(p__PUCHAR__Sector)) return TRUE;
        if (p__PUCHAR__Sector[18] & 0x20) return TRUE;
        l__LONG__Type = g__LONG__CorrectMode2Form1;
    } else {
        return TRUE;
    }
    // The codec zeroes a Mode 2 sector's address and mode bytes (they are outside its
    // parity); the grabbed sector keeps the ones it was read with.
    UCHAR l__UCHAR__Header[4];
    std::memcpy(l__UCHAR__Header, p__PUCHAR__Sector + g__ULONG__HeaderOffset, 4);
    LONG l__LONG__Status = CorrectSector(p__PUCHAR__Sector, l__LONG__Type);
    if (l__LONG__Type == g__LONG__CorrectMode2Form1)
        std::memcpy(p__PUCHAR__Sector + g__ULONG__HeaderOffset, l__UCHAR__Header, 4);
    if (l__LONG__Status == 0 || l__LONG__Status == 1) return TRUE;
    DebugPrint("CTarnwick_EDCECC::CheckLB(): Status (%ld), Sector type %ld\n", (long)l__LONG__Status,
               (long)l__LONG__Type);
    return FALSE;
}

void CTarnwick_EDCECC::BuildRawSector(PUCHAR p__PUCHAR__Sector, LONG p__LONG__LBA, UCHAR p__UCHAR__Mode) {
    std::memset(p__PUCHAR__Sector, 0, g__ULONG__RawSectorSize);
    std::memcpy(p__PUCHAR__Sector, g__UCHAR__Sync, sizeof(g__UCHAR__Sync));
    UCHAR l__UCHAR__Header[4] = {};
    LBAToMSFBCD(p__LONG__LBA, l__UCHAR__Header);
    l__UCHAR__Header[3] = p__UCHAR__Mode;
    std::memcpy(p__PUCHAR__Sector + g__ULONG__HeaderOffset, l__UCHAR__Header, 4);
    if (p__UCHAR__Mode == 1) {
        GenerateEDC(p__PUCHAR__Sector, 1, FALSE);
        GenerateECCP(p__PUCHAR__Sector);
        GenerateECCQ(p__PUCHAR__Sector);
    } else if (p__UCHAR__Mode == 2) {
        // A zero sub-header is Form 1; the parity takes the header as zero.
        GenerateEDC(p__PUCHAR__Sector, 2, TRUE);
        std::memset(p__PUCHAR__Sector + g__ULONG__HeaderOffset, 0, 4);
        GenerateECCP(p__PUCHAR__Sector);
        GenerateECCQ(p__PUCHAR__Sector);
        std::memcpy(p__PUCHAR__Sector + g__ULONG__HeaderOffset, l__UCHAR__Header, 4);
    }
}
