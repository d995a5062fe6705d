#pragma once
// EDC and the P/Q Reed-Solomon parity (RSPC) of raw 2352-byte CD-ROM sectors: generation,
// the checks of Mode 1 and Mode 2 sectors, correction of damaged sectors through the
// sector codec, and the raw sector builder of the engine. The burner engine carries one
// as a base; its multiplication tables are built once, when it is constructed.
#include "tarnwick_types.h"

class CTarnwick_EDCECC {
public:
    CTarnwick_EDCECC();
    virtual ~CTarnwick_EDCECC();

    // True when the EDC computed over the sector equals the stored one (Mode 1: bytes
    // 0-2063 and 2064; Mode 2 Form 1: 16-2071 and 2072; Mode 2 Form 2: 16-2347 and 2348).
    BOOLEAN CalculateEDC(const UCHAR* p__PUCHAR__Sector, ULONG p__ULONG__Mode, BOOLEAN p__BOOLEAN__IsForm1);
    // Stores the EDC of the same areas.
    void GenerateEDC(PUCHAR p__PUCHAR__Sector, ULONG p__ULONG__Mode, BOOLEAN p__BOOLEAN__IsForm1);
    // Stores the P parity (bytes 2076-2247) of bytes 12-2075.
    void GenerateECCP(PUCHAR p__PUCHAR__Sector);
    // Stores the Q parity (bytes 2248-2351) of bytes 12-2247.
    void GenerateECCQ(PUCHAR p__PUCHAR__Sector);

    BOOLEAN VerifySync(const UCHAR* p__PUCHAR__Sector);
    // True when the mode byte (15) equals p__UCHAR__Mode.
    BOOLEAN VerifyHeader(const UCHAR* p__PUCHAR__Sector, UCHAR p__UCHAR__Mode);
    // p__PUCHAR__SubHeader points at sector byte 16: true when its two 4-byte copies agree;
    // the form (2 when bit 5 of the submode byte is set, else 1) goes to *p__PULONG__Form.
    BOOLEAN VerifySubHeader(const UCHAR* p__PUCHAR__SubHeader, PULONG p__PULONG__Form);
    // True when the parity computed over the sector equals the stored parity.
    BOOLEAN CheckECCP(const UCHAR* p__PUCHAR__Sector);
    BOOLEAN CheckECCQ(const UCHAR* p__PUCHAR__Sector);

    // True when the sector is an intact Mode 1 / Mode 2 sector (a Form 2 sector passes
    // without EDC or parity). Both leave the sector as it was.
    BOOLEAN CheckMODE1LB(PUCHAR p__PUCHAR__Sector);
    BOOLEAN CheckMODE2LB(PUCHAR p__PUCHAR__Sector);
    // Kind 1 Mode 1, 2 Mode 2, anything else (audio) passes unchecked. True when the
    // sector is intact or was corrected in place.
    BOOLEAN CheckLB(PUCHAR p__PUCHAR__Sector, ULONG p__ULONG__Kind);

    // Builds one 2352-byte sector of zero user data in place: sync, BCD address of
    // p__LONG__LBA, mode byte (0, 1 or 2, other values give a header-only sector like
    // mode 0) and, for modes 1 and 2 (Form 1), EDC and parity.
    void BuildRawSector(PUCHAR p__PUCHAR__Sector, LONG p__LONG__LBA, UCHAR p__UCHAR__Mode);

private:
    void ComputeECCP(const UCHAR* p__PUCHAR__Sector, PUCHAR p__PUCHAR__Parity);
    void ComputeECCQ(const UCHAR* p__PUCHAR__Sector, PUCHAR p__PUCHAR__Parity);

    // [symbol][row]: T[k] = alpha^((log k + c) mod 255), T[0] = 0.
    UCHAR m__UCHAR__PTables[2][24][256];
    // [symbol][position]
    UCHAR m__UCHAR__QTables[2][43][256];
    // Entry i = i mod 2236: diagonal offsets wrap without a division.
    ULONG m__ULONG__QIndex[6020];
};
