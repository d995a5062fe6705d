#include "CTarnwick_MPEG12DiskFile.h"

#include <algorithm>
#include <cstring>

namespace {
const UCHAR c__UCHAR__PackStartCode[4] = {0x00, 0x00, 0x01, 0xBA};
const UCHAR c__UCHAR__SystemHeaderCode[4] = {0x00, 0x00, 0x01, 0xBB};
const UCHAR c__UCHAR__StartCodePrefix[3] = {0x00, 0x00, 0x01};
}  // namespace

CTarnwick_MPEG12DiskFile::CTarnwick_MPEG12DiskFile(const char* p__PCHAR__FileName)
    : CTarnwick_DiskFile(p__PCHAR__FileName) {
    m__ULONGLONG__Size = (m__ULONGLONG__Size / PayloadSize) * SectorSize;
    m__BOOLEAN__IsVideoStuff = TRUE;
}

void CTarnwick_MPEG12DiskFile::MakeSubHeader(const UCHAR* p__PUCHAR__Payload, PUCHAR p__PUCHAR__SubHeader) {
    p__PUCHAR__SubHeader[0] = 1;
    if (std::memcmp(p__PUCHAR__Payload, c__UCHAR__PackStartCode, 4) != 0) {
        p__PUCHAR__SubHeader[1] = 0;
        p__PUCHAR__SubHeader[2] = 0x60;
        p__PUCHAR__SubHeader[3] = 0x00;
        return;
    }
    UCHAR l__UCHAR__StreamId;
    if (std::memcmp(p__PUCHAR__Payload + 12, c__UCHAR__SystemHeaderCode, 4) == 0)
        l__UCHAR__StreamId = p__PUCHAR__Payload[24];
    else if (std::memcmp(p__PUCHAR__Payload + 12, c__UCHAR__StartCodePrefix, 3) == 0)
        l__UCHAR__StreamId = p__PUCHAR__Payload[15];
    else
        l__UCHAR__StreamId = p__PUCHAR__Payload[17];
    p__PUCHAR__SubHeader[1] = 1;
    if (l__UCHAR__StreamId == 0xC0 || l__UCHAR__StreamId == 0xC1) {
        p__PUCHAR__SubHeader[2] = 0x64;
        p__PUCHAR__SubHeader[3] = 0x7F;
    } else {
        p__PUCHAR__SubHeader[2] = 0x62;
        p__PUCHAR__SubHeader[3] = 0x0F;
    }
}

void CTarnwick_MPEG12DiskFile::RealRead(uint64_t p__ULONGLONG__Length, PVOID p__PVOID__Buffer) {
    PUCHAR l__PUCHAR__Sector = static_cast<PUCHAR>(p__PVOID__Buffer);
    uint64_t l__ULONGLONG__Sectors = p__ULONGLONG__Length / SectorSize;
    // The work buffer holds 26 payload blocks; larger requests go in batches of that.
    const uint64_t l__ULONGLONG__PerBatch = WorkBufferSize / PayloadSize;
    while (l__ULONGLONG__Sectors > 0) {
        uint64_t l__ULONGLONG__Batch = std::min(l__ULONGLONG__Sectors, l__ULONGLONG__PerBatch);
        std::memset(m__UCHAR__WorkBuffer, 0, sizeof(m__UCHAR__WorkBuffer));
        CTarnwick_DiskFile::RealRead(l__ULONGLONG__Batch * PayloadSize, m__UCHAR__WorkBuffer);
        for (uint64_t l__ULONGLONG__Index = 0; l__ULONGLONG__Index < l__ULONGLONG__Batch; ++l__ULONGLONG__Index) {
            const UCHAR* l__PUCHAR__Payload = m__UCHAR__WorkBuffer + l__ULONGLONG__Index * PayloadSize;
            std::memcpy(l__PUCHAR__Sector + 8, l__PUCHAR__Payload, PayloadSize);
            MakeSubHeader(l__PUCHAR__Payload, l__PUCHAR__Sector);
            std::memcpy(l__PUCHAR__Sector + 4, l__PUCHAR__Sector, 4);
            l__PUCHAR__Sector += SectorSize;
        }
        l__ULONGLONG__Sectors -= l__ULONGLONG__Batch;
    }
}
