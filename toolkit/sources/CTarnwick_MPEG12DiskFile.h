#pragma once
#include "CTarnwick_DiskFile.h"

// An MPEG-1/2 program stream turned into 2,332-byte Mode 2 Form 2 sectors: each
// 2,324-byte payload block of the file becomes bytes 8..2331 of one sector, behind an
// 8-byte subheader (written twice) that tells audio, video and empty blocks apart.
class CTarnwick_MPEG12DiskFile : public CTarnwick_DiskFile {
public:
    static constexpr ULONG SectorSize = 2332;
    static constexpr ULONG PayloadSize = 2324;
    static constexpr ULONG WorkBufferSize = 61440;

    explicit CTarnwick_MPEG12DiskFile(const char* p__PCHAR__FileName);

    // Whole sectors only; a remainder of the region shorter than a sector stays zero.
    void RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) override;
    // Its own reading: the region is zeroed before, as for any source.
    BOOLEAN IsRegionFilledByRealRead() const override { return FALSE; }

    // The 4-byte subheader for one payload block (file, channel, submode, coding).
    static void MakeSubHeader(const UCHAR* p__PUCHAR__Payload, PUCHAR p__PUCHAR__SubHeader);

private:
    UCHAR m__UCHAR__WorkBuffer[WorkBufferSize];
};
